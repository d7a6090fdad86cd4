#pragma once
// The platform services the application runs on, installed once by whoever starts it (the
// terminal client, or a test fixture with fakes) and reached from everywhere else.

#include <string>

#include "platform/DeviceInfo.h"
#include "platform/ExpiringCache.h"
#include "platform/Location.h"
#include "platform/MediaPicker.h"
#include "platform/Push.h"
#include "platform/Reachability.h"
#include "platform/RunLoop.h"
#include "platform/SettingsStore.h"
#include "platform/UrlOpener.h"

namespace vokari {

class Background;

// The data root holds "Documents" and "Library" (with "Library/tmp").
struct DataPaths {
  std::string root;
  std::string documents() const { return root + "/Documents"; }
  std::string library() const { return root + "/Library"; }
  std::string tmp() const { return library() + "/tmp"; }
  // Creates the root, Documents and Library as private folders (0700) and makes every file the
  // process creates private (0600). Answers false when a folder cannot be made.
  bool prepare() const;
};

struct Platform {
  RunLoop* loop = nullptr;
  SettingsStore* settings = nullptr;
  ExpiringCache* cache = nullptr;
  Reachability* reachability = nullptr;
  Location* location = nullptr;
  UrlOpener* urlOpener = nullptr;
  Push* push = nullptr;
  MediaPicker* mediaPicker = nullptr;  // none: the device has no picker
  Background* background = nullptr;    // none: background work runs inline (tests)
  DeviceInfo device;
  DataPaths paths;
  // Whether database writes wait until they are on the disk. Tests, whose files are thrown away
  // with their folder, turn it off: a screen test that signs in otherwise spends most of its time
  // waiting for the disk.
  bool durableWrites = true;

  // The installed platform; installing replaces the previous one (tests install a fresh one).
  static Platform& current();
  static void install(Platform* platform);
};

}  // namespace vokari
