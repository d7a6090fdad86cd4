#include "appointments/ReservationDetailViewController.h"

#include "appointments/BookingRecord.h"
#include "core/Extern.h"
#include "ui/Ui.h"

namespace vokari {

ReservationDetailViewController::ReservationDetailViewController(nlohmann::json dicDetail)
    : ui::Screen("预约查询"), dicDetail_(std::move(dicDetail)) {
  const nlohmann::json& d = dicDetail_;
  const std::array<std::string, 8> texts{"  预约号:  " + jsonText(d, "bookid"),
                                         "  姓名:  " + jsonText(d, "name"),
                                         "  手机号码:  " + jsonText(d, "phone"),
                                         "  身份证:  " + jsonText(d, "idcard"),
                                         "  受理点:  " + jsonText(d, "point"),
                                         "  业务类型:  " + jsonText(d, "busi"),
                                         "  时间段:  " + timeText(d),
                                         "  预约状态:  " + stateText(jsonText(d, "status"))};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    lines[i].text = texts[i];
    add(lines[i]);
  }
  btCancel.title = "取消预约";
  btCancel.onPress = [this] { askToCancel(); };
  add(btCancel);
}

std::string ReservationDetailViewController::timeText(const nlohmann::json& dicDetail) {
  std::string time = jsonText(dicDetail, "time");
  std::string hours = slotHours(jsonText(dicDetail, "timedetail"));
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
  ui::Ui::current().alerts->show(alert, guard([this](int button) {
                                   if (button == 1) cannelSchedule();
                                 }));
}

void ReservationDetailViewController::cannelSchedule() {
  if (Extern::isEmptyStringTrim(jsonText(dicDetail_, "bookid"))) return;
  request_.send(ScheduleAction::CannelSchedule, {{"ID", dicDetail_["bookid"]}},
                [this](const ScheduleReply& reply) { cancelled(reply); });
}

void ReservationDetailViewController::cancelled(const ScheduleReply& reply) {
  // The list below queries anew when it shows again.
  if (reply.kind == ScheduleReply::Kind::Success && isTop()) pop();
}

}  // namespace vokari
