#pragma once
// Who is signed in ("currentuser", the phone number) and that account's row in the user's own
// database. Main thread only.

#include <optional>
#include <string>
#include <string_view>

#include "core/Extern.h"
#include "storage/Row.h"

namespace vokari {

class AccountManager final {
 public:
  static AccountManager& sharedAccountManage();

  AccountManager(const AccountManager&) = delete;
  AccountManager& operator=(const AccountManager&) = delete;

  // The phone number under "currentuser", if any.
  static std::optional<std::string> currentUser();

  // False when nobody is signed in; otherwise prepares that user's folders and answers true.
  bool isLogin();
  // Signs out: forgets "currentuser". The user's folders and database stay on disk.
  void clearUserInfo();
  // Makes dict["phone_number"] the current user, then inserts dict as the account row (ignored
  // on a conflict). False, with nothing written, when the phone number is missing or cannot name
  // a folder; false when the insert fails ("currentuser" stays written).
  bool saveAccountInfo(const Row& dict);
  // When dict has a phone number, makes it the current user first (refused like above); then
  // writes every entry of dict into the account row.
  bool updateAccountInfo(const Row& dict);
  // The signed-in user's account row; none when nobody is signed in or the row is missing.
  std::optional<Row> getUserInfo();
  // The row's value for the key (Null for a column never written); none for a blank key, an
  // unknown column, or no account.
  std::optional<Value> getUserItemForKey(Text key);

  // The one signing-in rule, used by login and by accepted registration: prepares P's folders,
  // then refreshes the row of an earlier sign-in on this device, or creates P's database with
  // the account as its row. The row's phone_number is always P.
  bool signIn(std::string_view phone, const Row& account);
  // After the service accepted a new phone number: renames Documents/O to Documents/N and O.db
  // to N.db inside it (rename failures are ignored), prepares N's folders and makes N the current
  // user and the row's phone number. Every row is kept.
  bool changePhoneNumber(std::string_view oldPhone, std::string_view newPhone);

 private:
  AccountManager() = default;
  bool makeCurrentUser(const Row& dict);
};

}  // namespace vokari
