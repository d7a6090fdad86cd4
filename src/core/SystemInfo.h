#pragma once
// The application version and the record of the version that last ran ("version" setting).

#include <optional>
#include <string>
#include <string_view>

#include "core/Extern.h"
#include "platform/Status.h"

namespace vokari {

class SystemInfo final {
 public:
  static constexpr std::string_view kAppVersion = "2.0.0";

  // The application version: kAppVersion unless a test replaced it.
  static std::string currentAppVersion();
  // False when v is absent or not exactly 5 characters long; otherwise whether v is the
  // application version.
  static bool isVersion(Text v);
  // Records the application version under "version" and flushes the settings store; fails when
  // the flush does.
  static Status saveCurrentVersion();
  // True when the recorded version is this application's. Otherwise records it and answers false,
  // so the first call after an install or upgrade answers false and later ones true. `recorded`,
  // when given, tells whether that recording reached the disk.
  [[nodiscard]] static bool hasSaveVersion(bool* recorded = nullptr);

  // Tests only: run as another application version; none restores the build constant.
  static void setAppVersionForTesting(std::optional<std::string> version);
};

}  // namespace vokari
