#include "appointments/ReservationMainViewController.h"

#include "appointments/PointAndBusiSelectViewController.h"
#include "appointments/PointSelectViewController.h"
#include "appointments/ReservationDetailViewController.h"
#include "common/StoredItem.h"
#include "core/DateFormat.h"
#include "core/Extern.h"
#include "core/IsIdCard.h"
#include "platform/Platform.h"
#include "storage/ReservaionPersonManager.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

constexpr double kFailureSeconds = 0.8;

}  // namespace

ReservationMainViewController::ReservationMainViewController() : ui::Screen("户政业务") {
  choices.onSelect = [this](int, int row) { pressChoice(row); };
  txUserName.placeholder = "请输入真实姓名";
  txIdcard.placeholder = "请输入准确的身份证号码";
  txPhone.placeholder = "请输入手机号码";
  txPhone.keyboard = ui::Keyboard::NumberPad;
  btPersons.title = "常用预约人";
  btPersons.role = ui::ButtonRole::Secondary;
  btPersons.hidden = true;
  btPersons.onPress = [this] { personList.hidden = !personList.hidden; };
  personList.hidden = true;
  personList.onSelect = [this](int, int row) { pickPerson(row); };
  btSubmit.title = "提交预约";
  btSubmit.onPress = [this] { submit(); };
  slots.onDone = [this](BookingSlot slot) { slotChosen(std::move(slot)); };
  add(choices);
  add(txUserName);
  add(txIdcard);
  add(txPhone);
  add(btPersons);
  add(personList);
  add(btSubmit);
  addToSheet(slots.titles);
  addToSheet(slots.picker);
  addToSheet(slots.btDone);
  addToSheet(slots.btCancel);
  reloadChoices();
}

void ReservationMainViewController::viewWillAppear() {
  reloadChoices();
  readPersons();
}

void ReservationMainViewController::backPressed() {
  if (submitted_) return;  // the booking's reply must be seen through
  ui::Ui::current().hud->dismiss();
  request_.cancel();
  noTimeAlert_.cancel();
  ui::Screen::backPressed();
}

void ReservationMainViewController::reloadChoices() {
  choices.sections.assign(1, {});
  const std::pair<const char*, std::string> lines[] = {{"受理点:", choice_.pointLine()},
                                                       {"业务类型:", choice_.bussiLine()},
                                                       {"时间段:", choice_.timeLine()}};
  for (const auto& [title, text] : lines)
    choices.sections[0].rows.push_back({title, text, true, false, false});
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
    std::string text = storedItem(key);
    if (!Extern::isEmptyStringTrim(text)) field->text = text;
  }
}

void ReservationMainViewController::setPoint(const nlohmann::json& station) {
  choice_.choosePoint(station);
  reloadChoices();
}

void ReservationMainViewController::setBussi(const nlohmann::json& business) {
  choice_.chooseBussi(business);
  reloadChoices();
}

void ReservationMainViewController::pressChoice(int row) {
  if (submitted_) return;
  // A slot lookup in flight would answer for choices about to change.
  request_.cancel();
  noTimeAlert_.cancel();
  ui::Ui::current().hud->dismiss();
  slots.close();
  if (row == 0) return openPoint();
  if (row == 1) return openBussi();
  if (row == 2) return findTime();
}

void ReservationMainViewController::openPoint() {
  choice_.resetSlot();
  reloadChoices();
  push(std::make_shared<PointSelectViewController>(
      guard([this](const nlohmann::json& station) { setPoint(station); })));
}

void ReservationMainViewController::openBussi() {
  if (!choice_.point()) return alert("请选择受理点");
  choice_.resetSlot();
  reloadChoices();
  push(std::make_shared<PointAndBusiSelectViewController>(
      choice_.pointId(), guard([this](const nlohmann::json& business) { setBussi(business); })));
}

void ReservationMainViewController::alert(const std::string& message) {
  ui::Ui::current().alerts->show({"", message, {"好"}});
}

void ReservationMainViewController::findTime() {
  if (!choice_.point() || !choice_.bussi()) return alert("请选择受理点和业务类型");
  request_.send(ScheduleAction::FindTime, {{"POLICE_STATION", choice_.pointId()}},
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
  auto days = reply.kind == Kind::Success ? SlotPicker::usableDays(reply.object)
                                          : std::vector<SlotPicker::Day>{};
  if (days.empty()) return alert("未获取到时间");
  slots.open(std::move(days));
}

void ReservationMainViewController::slotChosen(BookingSlot slot) {
  choice_.chooseSlot(std::move(slot));
  reloadChoices();
}

void ReservationMainViewController::pickPerson(int row) {
  if (submitted_ || row < 0 || row >= static_cast<int>(persons_.size())) return;
  auto& rows = personList.sections[0].rows;
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i].checked = static_cast<int>(i) == row;
  const Row& person = persons_[row];
  txUserName.text = textOf(person, "name").value_or("");
  txIdcard.text = textOf(person, "idcard").value_or("");
  txPhone.text = textOf(person, "phone_number").value_or("");
  // The row and its tick box are one control here: choosing closes the list.
  personList.hidden = true;
}

std::optional<std::string> ReservationMainViewController::refusal() const {
  if (Extern::isEmptyStringTrim(txUserName.text)) return "请输入正确的姓名";
  if (!IsIdCard::personIdValidation(txIdcard.text)) return "请输入正确的身份证号码";
  if (Extern::textLength(txPhone.text) != 11 || !txPhone.text.starts_with("1"))
    return "请输入以1开头的11位手机号码！";
  if (!choice_.complete()) return "请选择受理点、业务类型和时间段";
  return std::nullopt;
}

void ReservationMainViewController::submit() {
  if (submitted_) return;
  if (auto why = refusal()) return alert(*why);
  SubmittedBooking booking{
      choice_, {txUserName.text, txIdcard.text, txPhone.text}, storedItem("username")};
  slots.close();
  nlohmann::json keys = booking.commitKeys();
  setAwaiting(std::move(booking));
  request_.send(ScheduleAction::CommitSchedule, std::move(keys),
                [this](const ScheduleReply& reply) { committed(reply); });
}

void ReservationMainViewController::setAwaiting(std::optional<SubmittedBooking> booking) {
  submitted_ = std::move(booking);
  const bool open = !submitted_;
  for (ui::TextField* field : {&txUserName, &txIdcard, &txPhone}) field->enabled = open;
  btPersons.enabled = open;
  btSubmit.enabled = open;
  backEnabled = open;
  if (!open) personList.hidden = true;
}

void ReservationMainViewController::committed(const ScheduleReply& reply) {
  std::optional<SubmittedBooking> booking = std::move(submitted_);
  setAwaiting(std::nullopt);
  if (reply.kind != ScheduleReply::Kind::Success || !booking) return;
  if (isTop()) {
    push(std::make_shared<ReservationDetailViewController>(
        booking->detail(reply.object.value("YYNUM", nlohmann::json("")))));
  }
  if (!ReservaionPersonManager::sharedReservaionPersonManager().addOnePerson(
          booking->personRecord(DateFormat::now())))
    alert("预约人未能保存，下次预约请重新填写");
  resetForm();
}

void ReservationMainViewController::resetForm() {
  choice_ = BookingChoice();
  reloadChoices();
  txUserName.text.clear();
  txIdcard.text.clear();
  txPhone.text.clear();
}

}  // namespace vokari
