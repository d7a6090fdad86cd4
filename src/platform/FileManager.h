#pragma once
// File-system operations of the application. Failures are silent: they only make the result
// false or none, and the caller goes on.

#include <optional>
#include <string>
#include <vector>

namespace vokari {

class FileManager final {
 public:
  // The application's private documents folder (data root / "Documents").
  static std::string getExecuteDocumentsPath();
  // The private library folder joined with "tmp"; created (without parents) when missing.
  static std::optional<std::string> getTmpPath();
  static bool fileExistsAtPath(const std::string& path);
  // True when the folder exists already; otherwise creates it without creating parents.
  static bool createDirectoryWithPath(const std::string& path);
  // Removes a file, or a folder with everything in it.
  static bool removeFileAtPath(const std::string& path);
  // Names of the folders (or regular files) directly inside the path; none when it cannot be
  // opened as a folder.
  static std::optional<std::vector<std::string>> getDirSubDir(const std::string& path);
  static std::optional<std::vector<std::string>> getDirSubFiles(const std::string& path);
  static bool renameFileName(const std::string& from, const std::string& to);
  // Marks the path as excluded from device backup (a user-namespace extended attribute).
  static void AddSkipBackupAttributeToFilePath(const std::string& path);

  // Writes the bytes to a temporary name beside the path, flushes them to disk and renames the
  // temporary file over the path, so a crash leaves either the old or the new content.
  static bool writeFileAtomically(const std::string& path, const std::string& bytes);
  static std::optional<std::string> readFile(const std::string& path);
  static std::string join(const std::string& folder, const std::string& name);

  // Fault switch for tests: the next atomic writes stop just before the rename, as a crash would.
  static void setFailBeforeRename(bool fail);
};

}  // namespace vokari
