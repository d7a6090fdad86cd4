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

Status SystemInfo::saveCurrentVersion() {
  SettingsStore& settings = *Platform::current().settings;
  settings.set(kVersionKey, currentAppVersion());
  return settings.synchronize();
}

bool SystemInfo::hasSaveVersion(bool* recorded) {
  if (isVersion(Platform::current().settings->get(kVersionKey))) return true;
  bool saved = saveCurrentVersion().ok();
  if (recorded) *recorded = saved;
  return false;
}

void SystemInfo::setAppVersionForTesting(std::optional<std::string> version) {
  versionOverride = std::move(version);
}

}  // namespace vokari
