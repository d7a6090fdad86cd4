#pragma once
// The identifier that marks every position report of one emergency alarm.

#include <string>
#include <string_view>

namespace vokari {

class AlarmId final {
 public:
  // phone + 14 time digits ("yyyyMMddHHmmss") + 3 random digits; 28 characters for an 11-digit
  // phone. The caller passes the signed-in account's phone_number. The time digits read ahead of
  // the wall clock by the local zone's UTC offset (8 hours in UTC+8): the alarm service has
  // always received them so and may rely on it.
  static std::string createAlarmId(std::string_view phone);
};

}  // namespace vokari
