#pragma once
// Wall-clock texts, always in the process's local time zone.

#include <chrono>
#include <string>

namespace vokari_backend {

using TimePoint = std::chrono::system_clock::time_point;

// "yyyy-MM-dd HH:mm:ss", the form every time text on the wire takes.
std::string timeText(TimePoint t);
// "yyyy-MM-dd" of the calendar day daysLater days after t's day: the form of a booking day.
std::string dayText(TimePoint t, int daysLater = 0);
// True for a text of exactly the form timeText() writes.
bool isTimeText(const std::string& text);

}  // namespace vokari_backend
