#pragma once
// A platform of fakes on a fresh temporary data root, installed for the life of the object.
// The network is sealed: a request that reaches it fails the test, naming the request, so no
// test can reach a real service by accident. A screen test answers its requests with a
// FakeHttpEngine made after the platform; a wire test asks for the real engine by name.

#include <memory>
#include <string>

#include "platform/Platform.h"
#include "transport/HttpEngine.h"

namespace vokari::testing {

enum class Network {
  Sealed,   // any request fails the test, unless a FakeHttpEngine is installed over it
  Libcurl,  // the real engine, for wire tests against servers the test starts on loopback
};

class TestPlatform {
 public:
  explicit TestPlatform(Network network = Network::Sealed);
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

 private:
  std::unique_ptr<HttpEngine> sealed_;
  HttpEngine* previousEngine_ = nullptr;
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
