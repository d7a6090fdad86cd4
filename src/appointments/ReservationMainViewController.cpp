#include "appointments/ReservationMainViewController.h"

#include "appointments/BookingRecord.h"
#include "core/DateFormat.h"
#include "core/Extern.h"
#include "core/IsIdCard.h"
#include "platform/Platform.h"
#include "storage/AccountManager.h"
#include "storage/ReservaionPersonManager.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

constexpr double kFailureSeconds = 0.8;

std::string storedItem(const char* key) {
  auto value = AccountManager::sharedAccountManage().getUserItemForKey(key);
  return value ? textOf(*value).value_or("") : "";
}

bool sameRecord(const std::optional<nlohmann::json>& chosen, const nlohmann::json& picked,
                const char* idKey) {
  return chosen && chosen->is_object() && picked.is_object() && chosen->contains(idKey) &&
         picked.contains(idKey) && (*chosen)[idKey] == picked[idKey];
}

nlohmann::json member(const std::optional<nlohmann::json>& record, const char* key) {
  if (!record || !record->is_object() || !record->contains(key)) return "";
  return (*record)[key];
}

}  // namespace

ReservationMainViewController::ReservationMainViewController() : ui::Screen("户政业务") {
  choices.onSelect = [this](int, int row) { pressChoice(row); };
  txUserName.placeholder = "请输入真实姓名";
  txIdcard.placeholder = "请输入准确的身份证号码";
  txPhone.placeholder = "请输入手机号码";
  txPhone.keyboard = ui::Keyboard::NumberPad;
  btPersons.title = "常用预约人";
  btPersons.hidden = true;
  btPersons.onPress = [this] { togglePersons(); };
  personList.hidden = true;
  personList.onSelect = [this](int, int row) { pickPerson(row); };
  btSubmit.title = "提交预约";
  btSubmit.onPress = [this] { submit(); };
  lbSlotTitles.text = "日期  时间段(剩余量)";
  slotPicker.onPick = [this](int column, int row) { pickSlot(column, row); };
  btSlotDone.title = "完成";
  btSlotDone.onPress = [this] { slotDone(); };
  btSlotCancel.title = "取消";
  btSlotCancel.onPress = [this] { showSlotPicker(false); };
  add(choices);
  add(txUserName);
  add(txIdcard);
  add(txPhone);
  add(btPersons);
  add(personList);
  add(btSubmit);
  add(lbSlotTitles);
  add(slotPicker);
  add(btSlotDone);
  add(btSlotCancel);
  showSlotPicker(false);
  reloadChoices();
}

void ReservationMainViewController::viewWillAppear() {
  lbPoint_ = dicPoint_ ? jsonText(*dicPoint_, "schedule_type") : kPointPrompt;
  lbBussiType_ = dicBussi_ ? jsonText(*dicBussi_, "name") : kBussiPrompt;
  reloadChoices();
  readPersons();
}

void ReservationMainViewController::backPressed() {
  ui::Ui::current().hud->dismiss();
  request_.cancel();
  noTimeAlert_.cancel();
  ui::Screen::backPressed();
}

void ReservationMainViewController::reloadChoices() {
  choices.sections.assign(1, {});
  const std::pair<const char*, const std::string*> lines[] = {
      {"受理点:", &lbPoint_}, {"业务类型:", &lbBussiType_}, {"时间段:", &lbTime_}};
  for (const auto& [title, text] : lines) {
    ui::TableRowModel row;
    row.text = title;
    row.detail = *text;
    row.disclosure = true;
    choices.sections[0].rows.push_back(std::move(row));
  }
}

void ReservationMainViewController::readPersons() {
  persons_ = ReservaionPersonManager::sharedReservaionPersonManager().getAllPersons();
  btPersons.hidden = persons_.empty();
  personList.hidden = true;
  if (persons_.empty()) return fillFromAccount();
  personList.sections.assign(1, {"预约人记录", {}});
  for (const Row& person : persons_) {
    ui::TableRowModel row;
    row.text = textOf(person, "name").value_or("");
    personList.sections[0].rows.push_back(std::move(row));
  }
}

void ReservationMainViewController::fillFromAccount() {
  const std::pair<const char*, ui::TextField*> fills[] = {
      {"username", &txUserName}, {"phone_number", &txPhone}, {"idcard_number", &txIdcard}};
  for (const auto& [key, field] : fills) {
    auto value = AccountManager::sharedAccountManage().getUserItemForKey(key);
    std::optional<std::string> text = value ? textOf(*value) : std::nullopt;
    if (!Extern::isEmptyStringTrim(text)) field->text = *text;
  }
}

void ReservationMainViewController::resetTime() {
  dicTime_.reset();
  lbTime_ = kTimePrompt;
  reloadChoices();
}

void ReservationMainViewController::setPoint(const nlohmann::json& station) {
  if (sameRecord(dicPoint_, station, "schedule_type_id")) return;
  dicPoint_ = station;
  dicBussi_.reset();
  lbPoint_ = jsonText(station, "schedule_type");
  lbBussiType_ = kBussiPrompt;
  resetTime();
}

void ReservationMainViewController::setBussi(const nlohmann::json& business) {
  if (sameRecord(dicBussi_, business, "id")) return;
  dicBussi_ = business;
  lbBussiType_ = jsonText(business, "name");
  resetTime();
}

void ReservationMainViewController::pressChoice(int row) {
  // A submission awaited keeps the form as it was sent.
  if (committing_) return;
  // A slot lookup in flight would answer for choices about to change.
  request_.cancel();
  noTimeAlert_.cancel();
  ui::Ui::current().hud->dismiss();
  showSlotPicker(false);
  switch (row) {
    case 0:
      return openPoint();
    case 1:
      return openBussi();
    case 2:
      return findTime();
    default:
      return;
  }
}

void ReservationMainViewController::openPoint() {
  resetTime();
  auto picker = ui::Ui::current().screens->pointSelect(
      guard([this](const nlohmann::json& station) { setPoint(station); }));
  if (picker) push(picker);
}

void ReservationMainViewController::openBussi() {
  if (lbPoint_ == kPointPrompt) return alert("请选择受理点");
  resetTime();
  auto picker = ui::Ui::current().screens->pointAndBusiSelect(
      member(dicPoint_, "schedule_type_id"),
      guard([this](const nlohmann::json& business) { setBussi(business); }));
  if (picker) push(picker);
}

void ReservationMainViewController::alert(const std::string& message) {
  ui::AlertModel model;
  model.message = message;
  model.buttons = {"好"};
  ui::Ui::current().alerts->show(model);
}

void ReservationMainViewController::findTime() {
  if (lbPoint_ == kPointPrompt || lbBussiType_ == kBussiPrompt)
    return alert("请选择受理点和业务类型");
  request_.send(ScheduleAction::FindTime,
                {{"POLICE_STATION", member(dicPoint_, "schedule_type_id")}},
                [this](const ScheduleReply& reply) { timesReceived(reply); });
}

void ReservationMainViewController::timesReceived(const ScheduleReply& reply) {
  using Kind = ScheduleReply::Kind;
  if (reply.kind == Kind::ConnectionFailed) return;
  if (reply.kind == Kind::Failed) {
    // The alert follows once the failure notice is gone.
    noTimeAlert_ =
        Platform::current().loop->after(kFailureSeconds, guard([this] { alert("未获取到时间"); }));
    return;
  }
  leftArray_.clear();
  rightData_.clear();
  auto days = reply.object.find("DATE");
  if (reply.kind == Kind::Success && days != reply.object.end() && days->is_array()) {
    for (const auto& day : *days) {
      std::string text = jsonText(day, "DAY");
      auto slots = day.is_object() ? day.find("TIME") : day.end();
      if (Extern::isEmptyStringTrim(text) || slots == day.end() || !slots->is_array() ||
          slots->empty())
        continue;
      leftArray_.push_back(text);
      rightData_.push_back(*slots);
    }
  }
  if (leftArray_.empty()) return alert("未获取到时间");
  showSlotPicker(true);
  pickSlot(0, 0);
}

std::string ReservationMainViewController::slotText(const nlohmann::json& slot) {
  std::string left = jsonText(slot, "yyl");
  if (Extern::isEmptyStringTrim(left)) left = "0";
  return jsonText(slot, "dic_list_desc") + " (" + left + ")";
}

void ReservationMainViewController::showSlotPicker(bool shown) {
  lbSlotTitles.hidden = !shown;
  slotPicker.hidden = !shown;
  btSlotDone.hidden = !shown;
  btSlotCancel.hidden = !shown;
}

void ReservationMainViewController::pickSlot(int column, int row) {
  if (column == 0) {
    if (row < 0 || row >= static_cast<int>(leftArray_.size())) return;
    rightArray_ = rightData_[row];
    std::vector<std::string> slots;
    for (const auto& slot : rightArray_) slots.push_back(slotText(slot));
    slotPicker.columns = {leftArray_, slots};
    slotPicker.selected = {row, 0};
  } else if (column == 1 && row >= 0 && row < static_cast<int>(rightArray_.size())) {
    slotPicker.selected.resize(2);
    slotPicker.selected[1] = row;
  }
}

void ReservationMainViewController::slotDone() {
  if (slotPicker.selected.size() < 2 || rightArray_.empty()) return showSlotPicker(false);
  const int day = slotPicker.selected[0];
  const int slot = slotPicker.selected[1];
  dicTime_ = rightArray_[slot];
  lbTime_ = leftArray_[day] + " " + jsonText(*dicTime_, "dic_list_desc");
  reloadChoices();
  showSlotPicker(false);
}

void ReservationMainViewController::togglePersons() {
  personList.hidden = !personList.hidden;
}

void ReservationMainViewController::pickPerson(int row) {
  if (row < 0 || row >= static_cast<int>(persons_.size())) return;
  auto& rows = personList.sections[0].rows;
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i].checked = static_cast<int>(i) == row;
  const Row& person = persons_[row];
  txUserName.text = textOf(person, "name").value_or("");
  txIdcard.text = textOf(person, "idcard").value_or("");
  txPhone.text = textOf(person, "phone_number").value_or("");
  // The row and its tick box are one control here: choosing closes the list.
  personList.hidden = true;
}

void ReservationMainViewController::submit() {
  if (committing_) return;
  if (Extern::isEmptyStringTrim(txUserName.text)) return alert("请输入正确的姓名");
  if (!IsIdCard::personIdValidation(txIdcard.text)) return alert("请输入正确的身份证号码");
  if (Extern::textLength(txPhone.text) != 11 || txPhone.text.rfind('1', 0) != 0)
    return alert("请输入以1开头的11位手机号码！");
  if (lbPoint_ == kPointPrompt || lbBussiType_ == kBussiPrompt || lbTime_ == kTimePrompt)
    return alert("请选择受理点、业务类型和时间段");
  strName_ = txUserName.text;
  strCard_ = txIdcard.text;
  strPhoneNum_ = txPhone.text;
  strDate_ = lbTime_;
  showSlotPicker(false);
  committing_ = true;
  request_.send(ScheduleAction::CommitSchedule,
                {{"schedule_type_id", member(dicBussi_, "id")},
                 {"schedule_type_name", member(dicBussi_, "name")},
                 {"schedule_date", strDate_},
                 {"schedule_date_dual", member(dicTime_, "dic_list_id")},
                 {"schedule_address_id", member(dicPoint_, "schedule_type_id")},
                 {"schedule_address_name", member(dicPoint_, "schedule_type")},
                 {"schedule_other_phone", strPhoneNum_},
                 {"name", storedItem("username")},
                 {"schedule_name", strName_},
                 {"schedule_card_number", strCard_}},
                [this](const ScheduleReply& reply) { committed(reply); });
}

void ReservationMainViewController::committed(const ScheduleReply& reply) {
  committing_ = false;
  if (reply.kind != ScheduleReply::Kind::Success) return;
  nlohmann::json detail{{"bookid", reply.object.value("YYNUM", nlohmann::json(""))},
                        {"name", txUserName.text},
                        {"idcard", txIdcard.text},
                        {"busi", lbBussiType_},
                        {"point", lbPoint_},
                        {"time", lbTime_},
                        {"phone", txPhone.text},
                        {"status", "1"}};
  if (isTop()) {
    if (auto screen = ui::Ui::current().screens->reservationDetail(detail)) push(screen);
  }
  ReservaionPersonManager::sharedReservaionPersonManager().addOnePerson(
      {{"name", strName_},
       {"idcard", strCard_},
       {"phone_number", strPhoneNum_},
       {"time", DateFormat::now()}});
  resetForm();
}

void ReservationMainViewController::resetForm() {
  dicTime_.reset();
  dicBussi_.reset();
  dicPoint_.reset();
  strDate_.clear();
  lbPoint_ = kPointPrompt;
  lbBussiType_ = kBussiPrompt;
  lbTime_ = kTimePrompt;
  reloadChoices();
  txUserName.text.clear();
  txIdcard.text.clear();
  txPhone.text.clear();
}

}  // namespace vokari
