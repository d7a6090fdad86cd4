#pragma once
// The signed-in user's folder set under Documents, and the one-time clean-up of Documents when
// version 2.0.0 is first started. Main thread only.

#include <string>
#include <string_view>

#include "core/Extern.h"

namespace vokari {

class VersionManage final {
 public:
  // The process-wide object, created on first use. It keeps only the paths below; everything
  // else is read from the installed platform at each call.
  static VersionManage& sharedVersionManage();

  VersionManage(const VersionManage&) = delete;
  VersionManage& operator=(const VersionManage&) = delete;

  // When this is version 2.0.0 and the recorded version is not, empties Documents (every user's
  // folder and database) once and records the version. The settings are left alone. When the
  // version cannot be recorded the clean-up waits for a launch that can record it. When the
  // settings store was missing or unreadable, user folders found in Documents are kept.
  void dataInit();
  // Sets and creates userPath and its three sub-folders for the phone number, each marked as
  // excluded from backup. Does nothing for an absent phone number, or one that is not a plain
  // folder name (see isUserFolderName). Creation and marking failures are ignored.
  void initWithCurrentUser(Text phone);
  // Removes the regular files and the folders directly inside Documents; failures are ignored.
  void clearAllFiles();

  // Whether the phone number can name a folder under Documents: not empty, not "." or "..", and
  // free of "/" and NUL, so it never reaches outside its own folder.
  static bool isUserFolderName(std::string_view phone);

  std::string userPath;
  std::string picCluePath;
  std::string reservationPath;
  std::string reportPath;

 private:
  VersionManage() = default;
};

}  // namespace vokari
