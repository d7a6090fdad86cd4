#pragma once
// Facts about the device and the application, as the services are told them.

#include <string>

namespace vokari {

struct DeviceInfo {
  std::string machine;          // hardware identifier ("x86_64")
  std::string systemName;       // "Linux"
  std::string systemVersion;    // kernel release
  std::string localeIdentifier; // "zh_CN"
  std::string appDisplayName;   // "Vokari"
  std::string appVersion;       // short version, "2.0.0"
  std::string appBuild;         // build number; equal to appVersion in our builds
  std::string carrierName;      // mobile carrier; empty on a desktop

  // The facts of this machine, from uname and the environment.
  static DeviceInfo desktop();
  // Fixed facts for tests.
  static DeviceInfo fixed();
};

}  // namespace vokari
