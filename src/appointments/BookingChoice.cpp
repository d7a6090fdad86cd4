#include "appointments/BookingChoice.h"

#include "appointments/BookingRecord.h"

namespace vokari {
namespace {

bool sameRecord(const std::optional<nlohmann::json>& chosen, const nlohmann::json& picked,
                const char* idKey) {
  return chosen && chosen->is_object() && picked.is_object() && chosen->contains(idKey) &&
         picked.contains(idKey) && (*chosen)[idKey] == picked[idKey];
}

// The member as the service sent it, for the request: "" when the record lacks it.
nlohmann::json member(const std::optional<nlohmann::json>& record, const char* key) {
  if (!record || !record->is_object() || !record->contains(key)) return "";
  return (*record)[key];
}

}  // namespace

void BookingChoice::choosePoint(const nlohmann::json& station) {
  if (sameRecord(point_, station, "schedule_type_id")) return;
  point_ = station;
  bussi_.reset();
  slot_.reset();
}

void BookingChoice::chooseBussi(const nlohmann::json& business) {
  if (sameRecord(bussi_, business, "id")) return;
  bussi_ = business;
  slot_.reset();
}

nlohmann::json BookingChoice::pointId() const {
  return member(point_, "schedule_type_id");
}

std::string BookingChoice::pointLine() const {
  return point_ ? recordText(*point_, "schedule_type") : kPointPrompt;
}

std::string BookingChoice::bussiLine() const {
  return bussi_ ? recordText(*bussi_, "name") : kBussiPrompt;
}

std::string BookingChoice::timeLine() const {
  return slot_ ? slot_->day + " " + recordText(slot_->record, "dic_list_desc") : kTimePrompt;
}

nlohmann::json SubmittedBooking::commitKeys() const {
  const auto& slot = choice.slot();
  return {{"schedule_type_id", member(choice.bussi(), "id")},
          {"schedule_type_name", member(choice.bussi(), "name")},
          {"schedule_date", choice.timeLine()},
          {"schedule_date_dual",
           member(slot ? std::optional(slot->record) : std::nullopt, "dic_list_id")},
          {"schedule_address_id", choice.pointId()},
          {"schedule_address_name", member(choice.point(), "schedule_type")},
          {"schedule_other_phone", person.phone},
          {"name", accountName},
          {"schedule_name", person.name},
          {"schedule_card_number", person.idcard}};
}

nlohmann::json SubmittedBooking::detail(const nlohmann::json& bookid) const {
  return {{"bookid", bookid},
          {"name", person.name},
          {"idcard", person.idcard},
          {"busi", choice.bussiLine()},
          {"point", choice.pointLine()},
          {"time", choice.timeLine()},
          {"phone", person.phone},
          {"status", "1"}};
}

Row SubmittedBooking::personRecord(const std::string& time) const {
  return {{"name", person.name},
          {"idcard", person.idcard},
          {"phone_number", person.phone},
          {"time", time}};
}

}  // namespace vokari
