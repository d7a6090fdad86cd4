#pragma once
// What the booking form has chosen and what it submitted, as values: the screen keeps no copy of
// a choice in its shown texts, and one snapshot of a submission feeds the request, the detail
// and the stored person alike.

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "storage/Row.h"

namespace vokari {

// One slot of one day, as the slot picker offers it.
struct BookingSlot {
  std::string day;
  nlohmann::json record;  // dic_list_id, dic_list_desc, yyl
};

// A station, a business type of it and a slot, each chosen or not; the lines shown for them
// follow from it. Choosing another station clears the business type and the slot; another
// business type clears the slot. Choosing the record already chosen changes nothing.
class BookingChoice {
 public:
  static constexpr const char* kPointPrompt = "请选择受理点";
  static constexpr const char* kBussiPrompt = "请选择业务类型";
  static constexpr const char* kTimePrompt = "请选择时间段";

  void choosePoint(const nlohmann::json& station);
  void chooseBussi(const nlohmann::json& business);
  void chooseSlot(BookingSlot slot) { slot_ = std::move(slot); }
  void resetSlot() { slot_.reset(); }

  const std::optional<nlohmann::json>& point() const { return point_; }
  const std::optional<nlohmann::json>& bussi() const { return bussi_; }
  const std::optional<BookingSlot>& slot() const { return slot_; }
  bool complete() const { return point_ && bussi_ && slot_; }
  // The chosen station's identifier as the service sent it; "" without one.
  nlohmann::json pointId() const;

  // The station's name, the business type's name, the day and the slot's text; or the prompt.
  std::string pointLine() const;
  std::string bussiLine() const;
  std::string timeLine() const;

 private:
  std::optional<nlohmann::json> point_;
  std::optional<nlohmann::json> bussi_;
  std::optional<BookingSlot> slot_;
};

// The person a booking is for, as typed or picked.
struct BookingPerson {
  std::string name;
  std::string idcard;
  std::string phone;
};

// A booking as it was submitted: a complete choice, the person and the account's name.
struct SubmittedBooking {
  BookingChoice choice;
  BookingPerson person;
  std::string accountName;

  // The commitSchedule keys besides the account.
  nlohmann::json commitKeys() const;
  // The detail record of the booked number, as the detail screen shows it.
  nlohmann::json detail(const nlohmann::json& bookid) const;
  // The person as stored for later bookings, used at `time`.
  Row personRecord(const std::string& time) const;
};

}  // namespace vokari
