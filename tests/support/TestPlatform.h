#pragma once
// A platform of fakes on a fresh temporary data root, installed for the life of the object.

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace vokari::testing {

class TestPlatform {
 public:
  TestPlatform();
  ~TestPlatform();
  TestPlatform(const TestPlatform&) = delete;
  TestPlatform& operator=(const TestPlatform&) = delete;

  ManualRunLoop loop;
  MemorySettingsStore settings;
  ExpiringCache cache{loop};
  FakeReachability reachability;
  ScriptedLocation location;
  RecordingUrlOpener urlOpener;
  RecordingPush push;
  Platform platform;

  const std::string& root() const { return platform.paths.root; }
  std::string documents() const { return platform.paths.documents(); }
};

// A fresh empty folder under the system's temporary folder, removed by the destructor.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace vokari::testing
