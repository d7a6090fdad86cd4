#pragma once
// The booking form ("户政业务"): a station, a business type of it and a time slot, the person
// (typed, taken from the account or from the stored persons), and the submission. A successful
// booking opens its detail, stores the person and empties the form.

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "appointments/ScheduleExchange.h"
#include "platform/RunLoop.h"
#include "storage/Row.h"
#include "ui/Screen.h"

namespace vokari {

class ReservationMainViewController final : public ui::Screen {
 public:
  static constexpr const char* kPointPrompt = "请选择受理点";
  static constexpr const char* kBussiPrompt = "请选择业务类型";
  static constexpr const char* kTimePrompt = "请选择时间段";

  ReservationMainViewController();

  void viewWillAppear() override;
  void backPressed() override;

  // What the pickers hand back. Another station than the chosen one clears the business type;
  // another business type resets the time line.
  void setPoint(const nlohmann::json& station);
  void setBussi(const nlohmann::json& business);

  // The text of each slot of a day in the picker: "%@ (%@)", "0" for a blank remaining count.
  static std::string slotText(const nlohmann::json& slot);

  const std::string& lbPoint() const { return lbPoint_; }
  const std::string& lbBussiType() const { return lbBussiType_; }
  const std::string& lbTime() const { return lbTime_; }
  const std::vector<std::string>& leftArray() const { return leftArray_; }

  ui::Table choices;  // the station, business-type and time lines
  ui::TextField txUserName;
  ui::TextField txIdcard;
  ui::TextField txPhone;
  ui::Button btPersons;    // the person-list control
  ui::Table personList;    // "预约人记录", open while shown
  ui::Button btSubmit;     // "提交预约"
  ui::Label lbSlotTitles;  // the slot picker's column headings
  ui::Picker slotPicker;
  ui::Button btSlotDone;
  ui::Button btSlotCancel;

 private:
  void reloadChoices();
  void readPersons();
  void fillFromAccount();
  void resetTime();
  void pressChoice(int row);
  void openPoint();
  void openBussi();
  void findTime();
  void timesReceived(const ScheduleReply& reply);
  void alert(const std::string& message);
  void showSlotPicker(bool shown);
  void pickSlot(int column, int row);
  void slotDone();
  void togglePersons();
  void pickPerson(int row);
  void submit();
  void committed(const ScheduleReply& reply);
  void resetForm();

  std::optional<nlohmann::json> dicPoint_;
  std::optional<nlohmann::json> dicBussi_;
  std::optional<nlohmann::json> dicTime_;
  std::string strDate_;
  std::string strName_, strCard_, strPhoneNum_;
  std::string lbPoint_ = kPointPrompt;
  std::string lbBussiType_ = kBussiPrompt;
  std::string lbTime_ = kTimePrompt;
  std::vector<std::string> leftArray_;
  std::vector<nlohmann::json> rightData_;  // per day of leftArray_, its slot records
  nlohmann::json rightArray_ = nlohmann::json::array();
  std::vector<Row> persons_;
  bool committing_ = false;
  Timer noTimeAlert_;
  ScheduleExchange request_{*this};
};

}  // namespace vokari
