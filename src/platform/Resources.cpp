#include "platform/Resources.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <set>
#include <system_error>

namespace vokari {
namespace {

bool isFile(const std::filesystem::path& path) {
  std::error_code ignored;
  return std::filesystem::is_regular_file(path, ignored);
}

// Once per name: a list screen opened ten times should not repeat the same complaint.
void reportMissing(std::string_view name, const std::string& looked) {
  static std::mutex mutex;
  static std::set<std::string, std::less<>> told;
  std::lock_guard lock(mutex);
  if (!told.emplace(name).second) return;
  std::cerr << "vokari: data file " << name << " not found (looked in " << looked << ")\n";
}

}  // namespace

std::string installedPrefix() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || self.empty()) return "";
  return self.parent_path().parent_path().string();
}

std::string installedResourceDir() {
  std::string prefix = installedPrefix();
  return prefix.empty() ? "" : prefix + "/share/vokari";
}

std::string resourcePath(std::string_view name) {
  std::string installed = installedResourceDir();
  std::string first = installed.empty() ? "" : installed + "/" + std::string(name);
  if (!first.empty() && isFile(first)) return first;
  const char* folder = std::getenv("VOKARI_RESOURCES");
  std::string fromEnvironment =
      folder && *folder ? std::string(folder) + "/" + std::string(name) : "";
  if (!fromEnvironment.empty() && isFile(fromEnvironment)) return fromEnvironment;
  std::string looked = installed.empty() ? "" : installed;
  if (!fromEnvironment.empty()) looked += (looked.empty() ? "" : " and ") + std::string(folder);
  reportMissing(name, looked.empty() ? "no folder" : looked);
  return first.empty() ? fromEnvironment : first;
}

}  // namespace vokari
