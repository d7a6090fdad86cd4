#pragma once
// Dates as the services and screens write them ("yyyy-MM-dd HH:mm:ss"), in the process's local
// time zone (TZ).

#include <string>
#include <string_view>

#include "platform/RunLoop.h"

namespace vokari {

class DateFormat final {
 public:
  static constexpr std::string_view kDateTime = "yyyy-MM-dd HH:mm:ss";
  static constexpr std::string_view kCompact = "yyyyMMddHHmmss";

  // Formats the instant in the local zone. Fields: y (yyyy four digits, yy the last two), M, d,
  // H, m, s (zero-padded to the run's length) and SSS (milliseconds); every other character is
  // copied as it is.
  static std::string format(WallClock::time_point at, std::string_view pattern);
  // The installed loop's wall clock, formatted likewise.
  static std::string now(std::string_view pattern = kDateTime);
};

}  // namespace vokari
