#pragma once
// The stores the clients open at start-up, on a data root: the folders, the settings file and
// the countdown cache in the library folder, installed as the current platform. Used by the
// writer that gets killed and by the test that opens what it left.

#include <cstdio>
#include <memory>
#include <string>

#include "platform/Platform.h"

namespace vokari::crash {

inline const char* const kUsers[] = {"13800000001", "13900000002"};
constexpr int kNewsPerBatch = 5;

// The news time of row k of batch i: batches sort in writing order.
inline std::string newsTime(long batch, int row) {
  char text[32];
  std::snprintf(text, sizeof text, "%010ld-%d", batch, row);
  return text;
}

struct DesktopStores {
  explicit DesktopStores(const std::string& root, bool durable) {
    platform.paths.root = root;
    prepared = platform.paths.prepare();
    settings = std::make_unique<FileSettingsStore>(platform.paths.library() + "/settings.json");
    cache = std::make_unique<ExpiringCache>(loop, platform.paths.library() + "/cache.json");
    platform.loop = &loop;
    platform.settings = settings.get();
    platform.cache = cache.get();
    platform.durableWrites = durable;
    Platform::install(&platform);
  }
  ~DesktopStores() { Platform::install(nullptr); }
  DesktopStores(const DesktopStores&) = delete;
  DesktopStores& operator=(const DesktopStores&) = delete;

  RealRunLoop loop;
  Platform platform;
  std::unique_ptr<FileSettingsStore> settings;
  std::unique_ptr<ExpiringCache> cache;
  bool prepared = false;
};

}  // namespace vokari::crash
