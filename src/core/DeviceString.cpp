#include "core/DeviceString.h"

#include <map>

#include "platform/Platform.h"

namespace vokari {
namespace {

const std::map<std::string_view, std::string_view>& models() {
  static const std::map<std::string_view, std::string_view> table{
      {"iPhone1,1", "iPhone 2G"},   {"iPhone1,2", "iPhone 3G"},   {"iPhone2,1", "iPhone 3GS"},
      {"iPhone3,1", "iPhone 4"},    {"iPhone3,2", "iPhone 4"},    {"iPhone3,3", "iPhone 4"},
      {"iPhone4,1", "iPhone 4S"},   {"iPhone5,1", "iPhone 5"},    {"iPhone5,2", "iPhone 5"},
      {"iPhone5,3", "iPhone 5C"},   {"iPhone5,4", "iPhone 5C"},   {"iPhone6,1", "iPhone 5S"},
      {"iPhone6,2", "iPhone 5S"},   {"iPod1,1", "iPod Touch 1G"}, {"iPod2,1", "iPod Touch 2G"},
      {"iPod3,1", "iPod Touch 3G"}, {"iPod4,1", "iPod Touch 4G"}, {"iPod5,1", "iPod Touch 5G"},
      {"iPad1,1", "iPad 1G"},       {"iPad2,1", "iPad 2"},        {"iPad2,2", "iPad 2"},
      {"iPad2,3", "iPad 2"},        {"iPad2,4", "iPad 2"},        {"iPad2,5", "iPad Mini 1G"},
      {"iPad2,6", "iPad Mini 1G"},  {"iPad2,7", "iPad Mini 1G"},  {"iPad3,1", "iPad 3"},
      {"iPad3,2", "iPad 3"},        {"iPad3,3", "iPad 3"},        {"iPad3,4", "iPad 4"},
      {"iPad3,5", "iPad 4"},        {"iPad3,6", "iPad 4"},        {"iPad4,1", "iPad Air"},
      {"iPad4,2", "iPad Air"},      {"iPad4,4", "iPad Mini 2G"},  {"iPad4,5", "iPad Mini 2G"},
      {"i386", "Simulator"},        {"x86_64", "Simulator"},
  };
  return table;
}

}  // namespace

std::string DeviceString::deviceString() {
  return deviceString(Platform::current().device.machine);
}

std::string DeviceString::deviceString(std::string_view machine) {
  auto found = models().find(machine);
  return std::string(found == models().end() ? machine : found->second);
}

}  // namespace vokari
