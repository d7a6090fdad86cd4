#include "core/DateFormat.h"

#include <ctime>

#include "platform/Platform.h"

namespace vokari {
namespace {

std::string padded(long value, std::size_t width) {
  std::string digits = std::to_string(value);
  return digits.size() >= width ? digits : std::string(width - digits.size(), '0') + digits;
}

// The text of one run of a pattern letter, or none when the letter is not a field.
std::optional<std::string> field(char letter, std::size_t run, const std::tm& tm, long millis) {
  switch (letter) {
    case 'y':
      return run == 2 ? padded((tm.tm_year + 1900) % 100, 2) : padded(tm.tm_year + 1900, run);
    case 'M':
      return padded(tm.tm_mon + 1, run);
    case 'd':
      return padded(tm.tm_mday, run);
    case 'H':
      return padded(tm.tm_hour, run);
    case 'm':
      return padded(tm.tm_min, run);
    case 's':
      return padded(tm.tm_sec, run);
    case 'S':
      if (run == 3) return padded(millis, 3);
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::string DateFormat::format(WallClock::time_point at, std::string_view pattern) {
  auto seconds = std::chrono::floor<std::chrono::seconds>(at);
  long millis = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(at - seconds).count());
  std::time_t t = WallClock::to_time_t(seconds);
  std::tm tm{};
  localtime_r(&t, &tm);
  std::string out;
  for (std::size_t i = 0; i < pattern.size();) {
    std::size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == pattern[i]) ++run;
    std::optional<std::string> text = field(pattern[i], run, tm, millis);
    out += text ? *text : std::string(pattern.substr(i, run));
    i += run;
  }
  return out;
}

std::string DateFormat::now(std::string_view pattern) {
  return format(Platform::current().loop->wallClock(), pattern);
}

}  // namespace vokari
