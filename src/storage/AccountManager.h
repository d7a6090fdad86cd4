#pragma once
// Who is signed in ("currentuser", the phone number) and that account's row in the user's own
// database. Main thread only.

#include <optional>
#include <string>
#include <string_view>

#include "core/Extern.h"
#include "platform/Status.h"
#include "storage/Row.h"

namespace vokari {

class AccountManager final {
 public:
  static AccountManager& sharedAccountManage();

  AccountManager(const AccountManager&) = delete;
  AccountManager& operator=(const AccountManager&) = delete;

  // The phone number under "currentuser", if any.
  static std::optional<std::string> currentUser();

  // False when nobody is signed in, or when the stored user cannot name a folder (a damaged
  // store); otherwise prepares that user's folders and answers true.
  [[nodiscard]] bool isLogin();
  // Signs out: forgets "currentuser". The user's folders and database stay on disk. A flush that
  // fails is not reported: the sign-out holds for this run, and the next flush that succeeds
  // writes it; keeping a user signed in who asked to leave (or whom the service refused) would be
  // worse.
  void clearUserInfo();
  // Makes dict["phone_number"] the current user, then inserts dict as the account row (ignored
  // on a conflict). False, with nothing written, when the phone number is missing or cannot name
  // a folder; false when the settings cannot be flushed or the insert fails ("currentuser" stays
  // set).
  [[nodiscard]] bool saveAccountInfo(const Row& dict);
  // When dict has a phone number, makes it the current user first (refused like above); then
  // writes every entry of dict into the account row.
  [[nodiscard]] bool updateAccountInfo(const Row& dict);
  // The signed-in user's account row; none when nobody is signed in or the row is missing.
  std::optional<Row> getUserInfo();
  // The row's value for the key (Null for a column never written); none for a blank key, an
  // unknown column, or no account.
  [[nodiscard]] std::optional<Value> getUserItemForKey(Text key);

  // The one signing-in rule, used by login and by accepted registration: prepares P's folders,
  // then refreshes the row of an earlier sign-in on this device, or creates P's database with
  // the account as its row. The row's phone_number is always P. On failure (a number that cannot
  // name a folder, settings that cannot be flushed, a database that cannot be opened or written)
  // the previous "currentuser" is put back, so a failed sign-in never leaves a user signed in
  // without an account row.
  Status signIn(std::string_view phone, const Row& account);
  // After the service accepted a new phone number: records the change, then renames
  // Documents/O to Documents/N and O.db to N.db inside it, prepares N's folders, makes N the
  // current user and the row's phone number, and forgets the record. Every row is kept. The
  // service has the new number already, so the steps only go forward: one that fails (a full
  // disk) leaves the record, and finishPhoneChange completes the change at the next start.
  // Fails without touching anything when not even the record can be written.
  Status changePhoneNumber(std::string_view oldPhone, std::string_view newPhone);
  // Completes a recorded phone change that was cut short (a kill, a failed write); success when
  // there is none. Each step is skipped when it is done already. Run at start, before anyone
  // asks who is signed in.
  Status finishPhoneChange();

 private:
  AccountManager() = default;
  Status makeCurrentUser(const Row& dict);
  Status storeSignIn(std::string_view phone, const std::string& path, const Row& account);
};

}  // namespace vokari
