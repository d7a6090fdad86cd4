#include "storage/AccountManager.h"

#include "core/VersionManage.h"
#include "platform/FileManager.h"
#include "platform/Platform.h"
#include "storage/DBBase.h"

namespace vokari {
namespace {
constexpr const char* kCurrentUserKey = "currentuser";
}

AccountManager& AccountManager::sharedAccountManage() {
  static AccountManager shared;
  return shared;
}

std::optional<std::string> AccountManager::currentUser() {
  return Platform::current().settings->get(kCurrentUserKey);
}

bool AccountManager::isLogin() {
  std::optional<std::string> phone = currentUser();
  if (!phone) return false;
  VersionManage::sharedVersionManage().initWithCurrentUser(*phone);
  return true;
}

void AccountManager::clearUserInfo() {
  SettingsStore& settings = *Platform::current().settings;
  settings.remove(kCurrentUserKey);
  settings.synchronize();
}

// Writes dict's phone number under "currentuser" before any database access, so the database
// opened next is that user's.
bool AccountManager::makeCurrentUser(const Row& dict) {
  std::optional<std::string> phone = textOf(dict, "phone_number");
  if (!phone || !VersionManage::isUserFolderName(*phone)) return false;
  SettingsStore& settings = *Platform::current().settings;
  settings.set(kCurrentUserKey, *phone);
  settings.synchronize();
  return true;
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

bool AccountManager::signIn(std::string_view phone, const Row& account) {
  std::optional<std::string> path = DBBase::databasePath(phone);
  if (!path) return false;
  VersionManage::sharedVersionManage().initWithCurrentUser(phone);
  Row row = account;
  row["phone_number"] = std::string(phone);
  if (FileManager::fileExistsAtPath(*path)) {
    bool updated = updateAccountInfo(row);
    // A file left without its row (an insert that failed earlier) would otherwise keep the
    // account empty for good.
    if (getUserInfo()) return updated;
  }
  return saveAccountInfo(row);
}

bool AccountManager::changePhoneNumber(std::string_view oldPhone, std::string_view newPhone) {
  if (!VersionManage::isUserFolderName(oldPhone) || !VersionManage::isUserFolderName(newPhone))
    return false;
  std::string documents = FileManager::getExecuteDocumentsPath();
  std::string newFolder = FileManager::join(documents, std::string(newPhone));
  FileManager::renameFileName(FileManager::join(documents, std::string(oldPhone)), newFolder);
  FileManager::renameFileName(FileManager::join(newFolder, std::string(oldPhone) + ".db"),
                              FileManager::join(newFolder, std::string(newPhone) + ".db"));
  VersionManage::sharedVersionManage().initWithCurrentUser(newPhone);
  return updateAccountInfo({{"phone_number", std::string(newPhone)}});
}

}  // namespace vokari
