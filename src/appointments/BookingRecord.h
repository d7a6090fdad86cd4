#pragma once
// The records the booking screens hand each other, and reading texts out of reply records.

#include <string>

#include <nlohmann/json.hpp>

#include "core/JsonText.h"

namespace vokari {

// A member of an appointment record as shown: a text as it is, and, since the service sends
// some of them as JSON numbers, a number in decimal; "" when missing or of another type.
inline std::string recordText(const nlohmann::json& record, const std::string& key) {
  return textMember(record, key, NumberAs::Decimal);
}

// The detail record (bookid, name, idcard, busi, point, time, timedetail, phone, status) of a
// booking record of the booking list; members missing from the booking stay missing.
nlohmann::json detailFromBooking(const nlohmann::json& booking);

// The hours of a slot code "1".."7"; "" for any other code.
std::string slotHours(const std::string& code);

// The text of a state code read as an integer: 1 "已预约", 2 "已办理", 3 "已取消", 4 "爽约";
// "" for anything else.
std::string stateText(const std::string& code);

}  // namespace vokari
