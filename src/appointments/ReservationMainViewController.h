#pragma once
// The booking form ("户政业务"): a station, a business type of it and a time slot, the person
// (typed, taken from the account or from the stored persons), and the submission. While a
// booking is awaited the form takes no input and cannot be left, since the booking may exist at
// the service already; its reply opens the detail of what was submitted, stores that person and
// empties the form.

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "appointments/BookingChoice.h"
#include "appointments/ScheduleExchange.h"
#include "appointments/SlotPicker.h"
#include "platform/RunLoop.h"
#include "storage/Row.h"
#include "ui/Screen.h"

namespace vokari {

class ReservationMainViewController final : public ui::Screen {
 public:
  ReservationMainViewController();

  void viewWillAppear() override;
  void backPressed() override;

  // What the pickers hand back (see BookingChoice for what each clears).
  void setPoint(const nlohmann::json& station);
  void setBussi(const nlohmann::json& business);

  const BookingChoice& choice() const { return choice_; }
  std::string lbPoint() const { return choice_.pointLine(); }
  std::string lbBussiType() const { return choice_.bussiLine(); }
  std::string lbTime() const { return choice_.timeLine(); }
  bool awaitingBooking() const { return submitted_.has_value(); }

  ui::Table choices;  // the station, business-type and time lines
  ui::TextField txUserName;
  ui::TextField txIdcard;
  ui::TextField txPhone;
  ui::Button btPersons;  // the person-list control
  ui::Table personList;  // "预约人记录", open while shown
  ui::Button btSubmit;   // "提交预约"
  SlotPicker slots;

 private:
  void reloadChoices();
  void readPersons();
  void fillFromAccount();
  void pressChoice(int row);
  void openPoint();
  void openBussi();
  void findTime();
  void timesReceived(const ScheduleReply& reply);
  void slotChosen(BookingSlot slot);
  void alert(const std::string& message);
  void pickPerson(int row);
  std::optional<std::string> refusal() const;
  void submit();
  void setAwaiting(std::optional<SubmittedBooking> booking);
  void committed(const ScheduleReply& reply);
  void resetForm();

  BookingChoice choice_;
  std::optional<SubmittedBooking> submitted_;  // the booking awaited, as it was sent
  std::vector<Row> persons_;
  Timer noTimeAlert_;
  ScheduleExchange request_{*this};
};

}  // namespace vokari
