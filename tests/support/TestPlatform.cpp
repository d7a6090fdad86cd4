#include "support/TestPlatform.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

namespace vokari::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vokari-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) ADD_FAILURE() << "cannot make a temporary folder";
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

namespace {
std::string makeRoot() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vokari-root-XXXXXX").string();
  if (!mkdtemp(pattern.data())) ADD_FAILURE() << "cannot make a temporary data root";
  return pattern;
}
}  // namespace

TestPlatform::TestPlatform() {
  platform.loop = &loop;
  platform.settings = &settings;
  platform.cache = &cache;
  platform.reachability = &reachability;
  platform.location = &location;
  platform.urlOpener = &urlOpener;
  platform.push = &push;
  platform.device = DeviceInfo::fixed();
  platform.durableWrites = false;
  platform.paths.root = makeRoot();
  EXPECT_TRUE(platform.paths.prepare());
  Platform::install(&platform);
}

TestPlatform::~TestPlatform() {
  Platform::install(nullptr);
  std::error_code ignored;
  std::filesystem::remove_all(platform.paths.root, ignored);
}

}  // namespace vokari::testing
