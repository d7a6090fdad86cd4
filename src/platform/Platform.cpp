#include "platform/Platform.h"

#include <sys/stat.h>

#include <cassert>
#include <filesystem>

namespace vokari {
namespace {
Platform* installed = nullptr;
}

Platform& Platform::current() {
  assert(installed && "no platform installed");
  return *installed;
}

void Platform::install(Platform* platform) { installed = platform; }

bool DataPaths::prepare() const {
  umask(077);
  std::error_code error;
  for (const auto& path : {root, documents(), library()}) {
    std::filesystem::create_directories(path, error);
    if (error || chmod(path.c_str(), 0700) != 0) return false;
  }
  return true;
}

}  // namespace vokari
