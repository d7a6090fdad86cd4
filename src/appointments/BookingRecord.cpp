#include "appointments/BookingRecord.h"

#include <array>
#include <charconv>
#include <optional>
#include <utility>

#include "core/Extern.h"

namespace vokari {
namespace {

constexpr std::array<std::pair<const char*, const char*>, 9> kDetailFromBooking{{
    {"bookid", "schedule_id"},
    {"name", "schedule_name"},
    {"idcard", "schedule_card_number"},
    {"busi", "schedule_type_name"},
    {"point", "schedule_address_name"},
    {"time", "schedule_date"},
    {"timedetail", "schedule_date_dual"},
    {"phone", "name"},
    {"status", "statu"},
}};

constexpr std::array<const char*, 7> kSlotHours{"09:00-10:00", "10:00-11:00", "11:00-12:00",
                                                "14:00-15:00", "15:00-16:00", "16:00-17:00",
                                                "17:00-18:00"};

constexpr std::array<const char*, 4> kStates{"已预约", "已办理", "已取消", "爽约"};

// The text as a whole number; none for anything else ("1 " and "01" included as numbers).
std::optional<int> wholeNumber(const std::string& text) {
  std::string trimmed = Extern::trim(text);
  int value = 0;
  auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
  if (error != std::errc() || end != trimmed.data() + trimmed.size() || trimmed.empty())
    return std::nullopt;
  return value;
}

}  // namespace

nlohmann::json detailFromBooking(const nlohmann::json& booking) {
  nlohmann::json detail = nlohmann::json::object();
  if (!booking.is_object()) return detail;
  for (const auto& [to, from] : kDetailFromBooking) {
    if (booking.contains(from)) detail[to] = booking[from];
  }
  return detail;
}

std::string slotHours(const std::string& code) {
  for (std::size_t i = 0; i < kSlotHours.size(); ++i) {
    if (code == std::to_string(i + 1)) return kSlotHours[i];
  }
  return "";
}

std::string stateText(const std::string& code) {
  auto value = wholeNumber(code);
  if (!value || *value < 1 || *value > static_cast<int>(kStates.size())) return "";
  return kStates[*value - 1];
}

}  // namespace vokari
