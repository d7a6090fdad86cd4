#include "platform/FileManager.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "platform/Platform.h"

namespace vokari {
namespace {

std::atomic<bool> failBeforeRename{false};
std::atomic<int> failWrites{0};

std::optional<std::vector<std::string>> listDir(const std::string& path, bool wantFolders) {
  DIR* dir = opendir(path.c_str());
  if (!dir) return std::nullopt;
  std::vector<std::string> names;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    if (lstat(FileManager::join(path, name).c_str(), &st) != 0) continue;
    if (wantFolders ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode)) names.push_back(name);
  }
  closedir(dir);
  return names;
}

}  // namespace

std::string FileManager::join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string FileManager::getExecuteDocumentsPath() {
  return Platform::current().paths.documents();
}

std::optional<std::string> FileManager::getTmpPath() {
  std::string path = Platform::current().paths.tmp();
  if (fileExistsAtPath(path)) return path;
  if (mkdir(path.c_str(), 0700) == 0) return path;
  return std::nullopt;
}

bool FileManager::fileExistsAtPath(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

bool FileManager::createDirectoryWithPath(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  return mkdir(path.c_str(), 0700) == 0;
}

bool FileManager::removeFileAtPath(const std::string& path) {
  std::error_code error;
  auto removed = std::filesystem::remove_all(path, error);
  return !error && removed > 0;
}

std::optional<std::vector<std::string>> FileManager::getDirSubDir(const std::string& path) {
  return listDir(path, true);
}

std::optional<std::vector<std::string>> FileManager::getDirSubFiles(const std::string& path) {
  return listDir(path, false);
}

bool FileManager::renameFileName(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0) return false;
  const bool synced = syncFolderOf(to);
  const std::filesystem::path a = std::filesystem::path(from).parent_path();
  return (a == std::filesystem::path(to).parent_path() || syncFolderOf(from)) && synced;
}

std::optional<std::string> FileManager::moveAside(const std::string& path,
                                                  const std::string& suffix) {
  std::string aside = path + suffix;
  for (int n = 2; fileExistsAtPath(aside); ++n) aside = path + suffix + "-" + std::to_string(n);
  if (!renameFileName(path, aside)) return std::nullopt;
  return aside;
}

bool FileManager::syncFolderOf(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

std::size_t FileManager::removeLeftovers(const std::string& folder) {
  std::error_code error;
  std::vector<std::filesystem::path> leftovers;
  for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file(error) && it->path().extension() == ".tmp")
      leftovers.push_back(it->path());
  }
  std::size_t removed = 0;
  for (const auto& path : leftovers) removed += std::filesystem::remove(path, error) ? 1 : 0;
  return removed;
}

std::optional<FolderLock> FolderLock::acquire(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int reason = errno;
    close(fd);
    errno = reason;
    return std::nullopt;
  }
  return FolderLock(fd);
}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) close(fd_);  // closing releases the lock
}

void FileManager::AddSkipBackupAttributeToFilePath(const std::string& path) {
  const char mark = 1;
  // Not every file system takes user attributes; nothing reads the mark back.
  setxattr(path.c_str(), "user.com.apple.MobileBackup", &mark, 1, 0);
}

bool FileManager::writeFileAtomically(const std::string& path, const std::string& bytes) {
  if (int error = failWrites) {
    errno = error;
    return false;
  }
  std::string temp = path + ".tmp";
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = true;
  for (std::size_t done = 0; ok && done < bytes.size();) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0)
      ok = false;
    else
      done += static_cast<std::size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || failBeforeRename) {
    if (!failBeforeRename) unlink(temp.c_str());
    return false;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0 && syncFolderOf(path);
}

Status FileManager::saveFile(const std::string& path, const std::string& bytes) {
  errno = 0;
  if (writeFileAtomically(path, bytes)) return Status::success();
  const int reason = errno;
  std::string message =
      "cannot write " + path + (reason ? ": " + std::string(std::strerror(reason)) : "");
  return reason == ENOSPC || reason == EDQUOT ? Status::diskFull(message)
                                              : Status::failure(message);
}

std::optional<std::string> FileManager::readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void FileManager::setFailBeforeRename(bool fail) {
  failBeforeRename = fail;
}
void FileManager::setFailWrites(int error) {
  failWrites = error;
}

}  // namespace vokari
