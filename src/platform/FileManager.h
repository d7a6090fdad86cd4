#pragma once
// File-system operations of the application. Failures are silent: they only make the result
// false or none, and the caller goes on.

#include <optional>
#include <string>
#include <vector>

#include "platform/Status.h"

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
  // Renames, then makes the rename durable (both folders synced).
  static bool renameFileName(const std::string& from, const std::string& to);
  // Moves a file that cannot be used out of the way, keeping it for a look: to path + suffix, or
  // path + suffix + "-2", "-3", ... when that is taken. Answers where it went.
  static std::optional<std::string> moveAside(const std::string& path, const std::string& suffix);
  // Makes the creation, renaming or removal of the entries of the folder that holds `path`
  // durable; false when the folder cannot be synced.
  static bool syncFolderOf(const std::string& path);
  // Removes what interrupted atomic writes left under the folder (files named "*.tmp", at any
  // depth); answers how many.
  static std::size_t removeLeftovers(const std::string& folder);
  // Marks the path as excluded from device backup (a user-namespace extended attribute).
  static void AddSkipBackupAttributeToFilePath(const std::string& path);

  // Writes the bytes to a temporary name beside the path, flushes them to disk, renames the
  // temporary file over the path and syncs the folder, so a crash or a power cut leaves either
  // the old or the new content, and a write that answered true is there after either.
  static bool writeFileAtomically(const std::string& path, const std::string& bytes);
  // writeFileAtomically, telling why it failed: a full disk apart from any other failure.
  static Status saveFile(const std::string& path, const std::string& bytes);
  static std::optional<std::string> readFile(const std::string& path);
  static std::string join(const std::string& folder, const std::string& name);

  // Fault switch for tests: the next atomic writes stop just before the rename, as a crash would.
  static void setFailBeforeRename(bool fail);
  // Fault switch for tests: atomic writes fail with this errno (ENOSPC: a full disk); 0 ends it.
  static void setFailWrites(int error);
};

// An exclusive lock on a folder for the life of the object (flock on the folder itself), so that
// a second program never works in the same data beside the first.
class FolderLock final {
 public:
  // Locks the folder; none, with errno set (EWOULDBLOCK when another holds it), when it cannot.
  static std::optional<FolderLock> acquire(const std::string& folder);
  FolderLock(FolderLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FolderLock& operator=(FolderLock&& other) noexcept;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();

 private:
  explicit FolderLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace vokari
