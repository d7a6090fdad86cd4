// Booking days are calendar days of the local zone: month, year and leap-day ends, and the days
// a daylight-saving change makes 23 or 25 hours long.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "server/Time.h"

namespace vokari_backend {
namespace {

// The process's zone for the length of a case.
class Zone {
 public:
  explicit Zone(const char* name) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    ::setenv("TZ", name, 1);
    ::tzset();
  }
  ~Zone() {
    if (old_)
      ::setenv("TZ", old_->c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::optional<std::string> old_;
};

TimePoint localTime(int year, int month, int day, int hour, int minute) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

TEST(DayText, CountsCalendarDaysInTheLocalZone) {
  struct Case {
    const char* zone;
    int year, month, day, hour, minute, later;
    const char* expected;
  };
  const Case cases[] = {
      {"UTC", 2024, 5, 1, 0, 0, 0, "2024-05-01"},
      {"UTC", 2024, 2, 28, 12, 0, 1, "2024-02-29"},
      {"UTC", 2023, 2, 28, 12, 0, 1, "2023-03-01"},
      {"UTC", 2023, 12, 31, 23, 59, 1, "2024-01-01"},
      {"UTC", 2024, 1, 25, 8, 0, 7, "2024-02-01"},
      // The evening before a 23-hour day, and the start of a 25-hour one.
      {"Europe/Berlin", 2025, 3, 29, 23, 30, 1, "2025-03-30"},
      {"Europe/Berlin", 2025, 3, 29, 23, 30, 2, "2025-03-31"},
      {"Europe/Berlin", 2025, 10, 26, 0, 30, 1, "2025-10-27"},
      // A zone whose clocks skip midnight itself.
      {"America/Santiago", 2024, 9, 7, 23, 30, 1, "2024-09-08"},
  };
  for (const Case& c : cases) {
    Zone zone(c.zone);
    TimePoint t = localTime(c.year, c.month, c.day, c.hour, c.minute);
    EXPECT_EQ(dayText(t, c.later), c.expected)
        << c.zone << " " << c.year << "-" << c.month << "-" << c.day << " " << c.hour << ":"
        << c.minute << " + " << c.later;
  }
}

}  // namespace
}  // namespace vokari_backend
