#include "Time.h"

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
  // Calendar arithmetic at noon, so that a daylight-saving change cannot skip a day.
  local.tm_mday += daysLater;
  local.tm_hour = 12;
  local.tm_isdst = -1;
  std::mktime(&local);
  return format(local, "%Y-%m-%d");
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
