#pragma once
// Fixed facts of the city's services: districts, booking hours, business types.

#include <array>
#include <string_view>

namespace vokari_backend {

struct District {
  std::string_view listKey;  // the findStation reply key of its stations
  std::string_view prefix;   // of its station identifiers
  std::string_view name;
  int area;                  // its news area number
};

inline constexpr std::array<District, 10> kDistricts{{
    {"AV_LIST", "AV", "Arveno", 2},   {"BQ_LIST", "BQ", "Belquor", 3},
    {"CD_LIST", "CD", "Cindral", 4},  {"DK_LIST", "DK", "Dovask", 5},
    {"EW_LIST", "EW", "Ellowe", 6},   {"FN_LIST", "FN", "Farnis", 7},
    {"KS_LIST", "KS", "Kestrin", 8},  {"HTS_LIST", "HTS", "Hathis", 9},
    {"IR_LIST", "IR", "Istrel", 10},  {"JV_LIST", "JV", "Jovanne", 11},
}};

inline constexpr int kFirstArea = 2;
inline constexpr int kLastArea = 11;

// Booking slots "1".."7" in order.
inline constexpr std::array<std::string_view, 7> kSlotHours{
    "09:00-10:00", "10:00-11:00", "11:00-12:00", "14:00-15:00",
    "15:00-16:00", "16:00-17:00", "17:00-18:00"};

inline constexpr int kBookingDays = 7;  // bookable days, starting tomorrow

}  // namespace vokari_backend
