#include "platform/DeviceInfo.h"

#include <sys/utsname.h>

#include <cstdlib>

namespace vokari {
namespace {

// "zh_CN.UTF-8" -> "zh_CN"; the C locale reads as "en_US".
std::string localeFromEnvironment() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (!value || !*value) continue;
    std::string locale = value;
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale != "C" && locale != "POSIX") return locale;
  }
  return "en_US";
}

}  // namespace

DeviceInfo DeviceInfo::desktop() {
  DeviceInfo info = fixed();
  utsname name{};
  if (uname(&name) == 0) {
    info.machine = name.machine;
    info.systemName = name.sysname;
    info.systemVersion = name.release;
  }
  info.localeIdentifier = localeFromEnvironment();
  return info;
}

DeviceInfo DeviceInfo::fixed() {
  return DeviceInfo{"x86_64", "Linux", "6.1.0", "zh_CN", "Vokari", "2.0.0", "2.0.0", ""};
}

}  // namespace vokari
