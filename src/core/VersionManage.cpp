#include "core/VersionManage.h"

#include "core/SystemInfo.h"
#include "platform/FileManager.h"
#include "platform/Platform.h"

namespace vokari {
namespace {

std::string preparedFolder(const std::string& folder, const std::string& name) {
  std::string path = FileManager::join(folder, name);
  if (FileManager::createDirectoryWithPath(path))
    FileManager::AddSkipBackupAttributeToFilePath(path);
  return path;
}

}  // namespace

VersionManage& VersionManage::sharedVersionManage() {
  static VersionManage shared;
  return shared;
}

void VersionManage::dataInit() {
  if (!SystemInfo::isVersion("2.0.0")) return;
  bool recorded = false;
  if (SystemInfo::hasSaveVersion(&recorded)) return;
  // Unrecorded, the clean-up would run again at every launch and wipe what each run stored; it
  // waits for a launch that can record it. Nothing is shown: the user loses nothing by waiting.
  if (!recorded) return;
  // Only a store that was read and held no current version tells of an older installation. A
  // store that is missing or could not be read tells nothing: the users' folders beside it are
  // kept, and signing in again finds each one's data.
  if (Platform::current().settings->origin() != SettingsOrigin::Read &&
      !FileManager::getDirSubDir(FileManager::getExecuteDocumentsPath())
           .value_or(std::vector<std::string>{})
           .empty())
    return;
  clearAllFiles();
}

void VersionManage::initWithCurrentUser(Text phone) {
  if (!phone || !isUserFolderName(*phone)) return;
  userPath = preparedFolder(FileManager::getExecuteDocumentsPath(), std::string(*phone));
  picCluePath = preparedFolder(userPath, "PictureClue");
  reservationPath = preparedFolder(userPath, "Reservation");
  reportPath = preparedFolder(userPath, "ReportPath");
}

void VersionManage::clearAllFiles() {
  std::string documents = FileManager::getExecuteDocumentsPath();
  for (const auto& name :
       FileManager::getDirSubFiles(documents).value_or(std::vector<std::string>{}))
    FileManager::removeFileAtPath(FileManager::join(documents, name));
  for (const auto& name : FileManager::getDirSubDir(documents).value_or(std::vector<std::string>{}))
    FileManager::removeFileAtPath(FileManager::join(documents, name));
}

bool VersionManage::isUserFolderName(std::string_view phone) {
  return !phone.empty() && phone != "." && phone != ".." &&
         phone.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

}  // namespace vokari
