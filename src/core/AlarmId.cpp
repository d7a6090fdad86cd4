#include "core/AlarmId.h"

#include <ctime>

#include "core/DateFormat.h"
#include "core/Random.h"
#include "platform/Platform.h"

namespace vokari {
namespace {

// The local zone's offset from UTC at the instant, in seconds.
long utcOffset(WallClock::time_point at) {
  std::time_t t = WallClock::to_time_t(std::chrono::floor<std::chrono::seconds>(at));
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm.tm_gmtoff;
}

}  // namespace

std::string AlarmId::createAlarmId(std::string_view phone) {
  std::string digits = Random::getRndByLen(3).value_or("");
  WallClock::time_point now = Platform::current().loop->wallClock();
  WallClock::time_point shifted = now + std::chrono::seconds(utcOffset(now));
  return std::string(phone) + DateFormat::format(shifted, DateFormat::kCompact) + digits;
}

}  // namespace vokari
