#pragma once
// The device-model text sent to the feedback service ("PHONE_TYPE").

#include <string>
#include <string_view>

namespace vokari {

class DeviceString final {
 public:
  // The model text of the installed platform's hardware identifier.
  static std::string deviceString();
  // The marketing name for a hardware identifier; an unknown identifier is its own model text.
  static std::string deviceString(std::string_view machine);
};

}  // namespace vokari
