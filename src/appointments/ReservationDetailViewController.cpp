#include "appointments/ReservationDetailViewController.h"

#include "appointments/BookingRecord.h"
#include "core/Extern.h"
#include "ui/Ui.h"

namespace vokari {

ReservationDetailViewController::ReservationDetailViewController(nlohmann::json dicDetail)
    : ui::Screen("预约查询"), dicDetail_(std::move(dicDetail)) {
  const nlohmann::json& d = dicDetail_;
  const std::array<std::string, 8> texts{"  预约号:  " + recordText(d, "bookid"),
                                         "  姓名:  " + recordText(d, "name"),
                                         "  手机号码:  " + recordText(d, "phone"),
                                         "  身份证:  " + recordText(d, "idcard"),
                                         "  受理点:  " + recordText(d, "point"),
                                         "  业务类型:  " + recordText(d, "busi"),
                                         "  时间段:  " + timeText(d),
                                         "  预约状态:  " + stateText(recordText(d, "status"))};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    lines[i].text = texts[i];
    add(lines[i]);
  }
  btCancel.title = "取消预约";
  btCancel.onPress = [this] { askToCancel(); };
  add(btCancel);
}

std::string ReservationDetailViewController::timeText(const nlohmann::json& dicDetail) {
  std::string time = recordText(dicDetail, "time");
  std::string hours = slotHours(recordText(dicDetail, "timedetail"));
  return hours.empty() ? time : time + " " + hours;
}

void ReservationDetailViewController::backPressed() {
  request_.cancel();
  ui::Ui::current().hud->dismiss();
  ui::Screen::backPressed();
}

void ReservationDetailViewController::askToCancel() {
  ui::AlertModel alert;
  alert.title = "取消预约？";
  alert.buttons = {"否", "是"};
  // Cancelling a booking cannot be undone: no stray return key may do it.
  alert.cancelIndex = 0;
  alert.destructiveIndex = 1;
  ui::Ui::current().alerts->show(alert, guard([this](int button) {
                                   if (button == 1) cannelSchedule();
                                 }));
}

void ReservationDetailViewController::cannelSchedule() {
  // A cancellation in flight may have worked already: a second one would only be refused.
  if (request_.running() || Extern::isEmptyStringTrim(recordText(dicDetail_, "bookid"))) return;
  btCancel.enabled = false;
  request_.send(ScheduleAction::CannelSchedule, {{"ID", dicDetail_["bookid"]}},
                [this](const ScheduleReply& reply) { cancelled(reply); });
}

void ReservationDetailViewController::cancelled(const ScheduleReply& reply) {
  btCancel.enabled = true;
  // The list below queries anew when it shows again.
  if (reply.kind == ScheduleReply::Kind::Success && isTop()) pop();
}

}  // namespace vokari
