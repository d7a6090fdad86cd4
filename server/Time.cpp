#include "Time.h"

#include <cstdio>
#include <ctime>

namespace vokari_backend {
namespace {

std::tm localTime(TimePoint t) {
  std::time_t seconds = std::chrono::system_clock::to_time_t(t);
  std::tm local{};
  localtime_r(&seconds, &local);
  return local;
}

std::string format(const std::tm& local, const char* pattern) {
  char text[32];
  return std::string(text, std::strftime(text, sizeof text, pattern, &local));
}

}  // namespace

std::string timeText(TimePoint t) { return format(localTime(t), "%Y-%m-%d %H:%M:%S"); }

std::string dayText(TimePoint t, int daysLater) {
  std::tm local = localTime(t);
  // Whole calendar days, free of the time zone: no daylight-saving change can skip a day, and
  // no time-zone file is read again for every day of a table.
  using namespace std::chrono;
  year_month_day day{sys_days{year{local.tm_year + 1900} / (local.tm_mon + 1) / local.tm_mday} +
                     days{daysLater}};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(day.year()),
                static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
  return text;
}

bool isTimeText(const std::string& text) {
  static const std::string shape = "0000-00-00 00:00:00";
  if (text.size() != shape.size()) return false;
  for (size_t i = 0; i < shape.size(); ++i) {
    bool digit = text[i] >= '0' && text[i] <= '9';
    if (shape[i] == '0' ? !digit : text[i] != shape[i]) return false;
  }
  return true;
}

}  // namespace vokari_backend
