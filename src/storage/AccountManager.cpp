#include "storage/AccountManager.h"

#include "core/VersionManage.h"
#include "platform/FileManager.h"
#include "platform/Platform.h"
#include "storage/DBBase.h"

namespace vokari {
namespace {
constexpr const char* kCurrentUserKey = "currentuser";
// A phone change accepted by the service and not yet finished here.
constexpr const char* kChangeFromKey = "phonechange.from";
constexpr const char* kChangeToKey = "phonechange.to";

// Renames `from` to `to` unless that is done already (only `to` is there); a target that exists
// already is kept as it is, as the service's account is now that number's.
bool moveUnlessDone(const std::string& from, const std::string& to) {
  if (!FileManager::fileExistsAtPath(from) || FileManager::fileExistsAtPath(to)) return true;
  return FileManager::renameFileName(from, to);
}
}  // namespace

AccountManager& AccountManager::sharedAccountManage() {
  static AccountManager shared;
  return shared;
}

std::optional<std::string> AccountManager::currentUser() {
  return Platform::current().settings->get(kCurrentUserKey);
}

bool AccountManager::isLogin() {
  std::optional<std::string> phone = currentUser();
  if (!phone || !VersionManage::isUserFolderName(*phone)) return false;
  VersionManage::sharedVersionManage().initWithCurrentUser(*phone);
  return true;
}

void AccountManager::clearUserInfo() {
  SettingsStore& settings = *Platform::current().settings;
  settings.remove(kCurrentUserKey);
  static_cast<void>(settings.synchronize());  // see the header: the sign-out holds regardless
}

// Writes dict's phone number under "currentuser" before any database access, so the database
// opened next is that user's.
Status AccountManager::makeCurrentUser(const Row& dict) {
  std::optional<std::string> phone = textOf(dict, "phone_number");
  if (!phone || !VersionManage::isUserFolderName(*phone))
    return Status::failure("no phone number that can name a user folder");
  SettingsStore& settings = *Platform::current().settings;
  settings.set(kCurrentUserKey, *phone);
  return settings.synchronize();
}

bool AccountManager::saveAccountInfo(const Row& dict) {
  return makeCurrentUser(dict) && DBBase::sharedDBBase().AddAccout(dict);
}

bool AccountManager::updateAccountInfo(const Row& dict) {
  if (dict.contains("phone_number") && !makeCurrentUser(dict)) return false;
  return DBBase::sharedDBBase().updateAccountInfo(dict);
}

std::optional<Row> AccountManager::getUserInfo() {
  if (!currentUser()) return std::nullopt;
  return DBBase::sharedDBBase().getUserInfo();
}

std::optional<Value> AccountManager::getUserItemForKey(Text key) {
  if (Extern::isEmptyStringTrim(key)) return std::nullopt;
  std::optional<Row> row = getUserInfo();
  if (!row) return std::nullopt;
  auto found = row->find(std::string(*key));
  if (found == row->end()) return std::nullopt;
  return found->second;
}

Status AccountManager::signIn(std::string_view phone, const Row& account) {
  std::optional<std::string> path = DBBase::databasePath(phone);
  if (!path) return Status::failure("\"" + std::string(phone) + "\" cannot name a user folder");
  std::optional<std::string> previous = currentUser();
  Status stored = storeSignIn(phone, *path, account);
  if (!stored) {
    SettingsStore& settings = *Platform::current().settings;
    if (previous)
      settings.set(kCurrentUserKey, *previous);
    else
      settings.remove(kCurrentUserKey);
    static_cast<void>(settings.synchronize());  // the failure reported is the first one
  }
  return stored;
}

Status AccountManager::storeSignIn(std::string_view phone, const std::string& path,
                                   const Row& account) {
  VersionManage::sharedVersionManage().initWithCurrentUser(phone);
  Row row = account;
  row["phone_number"] = std::string(phone);
  // Set in memory first, so the database opened next is this user's, and flushed only once the
  // row is stored: a process killed in between starts again with the previous user, never with
  // a signed-in user who has no account row.
  SettingsStore& settings = *Platform::current().settings;
  settings.set(kCurrentUserKey, std::string(phone));
  DBBase& db = DBBase::sharedDBBase();
  if (Status opened = db.makeDBIsExistAndOpen(); !opened) return opened;
  // A file without its row (new, replaced after damage, or an insert that failed earlier) gets
  // the account as its row; otherwise the row of an earlier sign-in is refreshed.
  bool stored = db.getUserInfo() ? db.updateAccountInfo(row) : db.AddAccout(row);
  if (!stored) return Status::failure("cannot store the account in " + path);
  return settings.synchronize();
}

Status AccountManager::changePhoneNumber(std::string_view oldPhone, std::string_view newPhone) {
  if (!VersionManage::isUserFolderName(oldPhone) || !VersionManage::isUserFolderName(newPhone))
    return Status::failure("a phone number that cannot name a user folder");
  SettingsStore& settings = *Platform::current().settings;
  settings.set(kChangeFromKey, std::string(oldPhone));
  settings.set(kChangeToKey, std::string(newPhone));
  if (Status recorded = settings.synchronize(); !recorded) {
    settings.remove(kChangeFromKey);
    settings.remove(kChangeToKey);
    return recorded;
  }
  return finishPhoneChange();
}

Status AccountManager::finishPhoneChange() {
  SettingsStore& settings = *Platform::current().settings;
  std::optional<std::string> from = settings.get(kChangeFromKey), to = settings.get(kChangeToKey);
  if (!from || !to) return Status::success();
  if (!VersionManage::isUserFolderName(*from) || !VersionManage::isUserFolderName(*to)) {
    settings.remove(kChangeFromKey);  // a damaged record: nothing it names can be moved
    settings.remove(kChangeToKey);
    return settings.synchronize();
  }
  const std::string documents = FileManager::getExecuteDocumentsPath();
  const std::string folder = FileManager::join(documents, *to);
  if (!moveUnlessDone(FileManager::join(documents, *from), folder) ||
      !moveUnlessDone(FileManager::join(folder, *from + ".db"),
                      FileManager::join(folder, *to + ".db")))
    return Status::failure("cannot move the data of " + *from + " to " + *to);
  VersionManage::sharedVersionManage().initWithCurrentUser(*to);
  settings.set(kCurrentUserKey, *to);
  if (!DBBase::sharedDBBase().updateAccountInfo({{"phone_number", *to}}))
    return Status::failure("cannot store the new phone number " + *to);
  settings.remove(kChangeFromKey);
  settings.remove(kChangeToKey);
  return settings.synchronize();
}

}  // namespace vokari
