#include "core/SystemInfo.h"

#include "platform/Platform.h"

namespace vokari {
namespace {
std::optional<std::string> versionOverride;
constexpr const char* kVersionKey = "version";
}  // namespace

std::string SystemInfo::currentAppVersion() {
  return versionOverride.value_or(std::string(kAppVersion));
}

bool SystemInfo::isVersion(Text v) {
  if (!v || Extern::textLength(*v) != 5) return false;
  return *v == currentAppVersion();
}

void SystemInfo::saveCurrentVersion() {
  SettingsStore& settings = *Platform::current().settings;
  settings.set(kVersionKey, currentAppVersion());
  settings.synchronize();
}

bool SystemInfo::hasSaveVersion() {
  if (isVersion(Platform::current().settings->get(kVersionKey))) return true;
  saveCurrentVersion();
  return false;
}

void SystemInfo::setAppVersionForTesting(std::optional<std::string> version) {
  versionOverride = std::move(version);
}

}  // namespace vokari
