#include "appointments/QueryReservationViewController.h"

#include "appointments/BookingRecord.h"
#include "appointments/EmptyStatePicture.h"
#include "appointments/QueryCell.h"
#include "appointments/ReservationDetailViewController.h"
#include "appointments/ReservationMainViewController.h"
#include "ui/Ui.h"

namespace vokari {

QueryReservationViewController::QueryReservationViewController() : ui::Screen("户政业务") {
  lbTitles.text = std::string("序列  姓名  预约号  ") + "      详情";
  emptyPicture.source = "no_reservation.png";  // compiled in, named for the renderers' record
  emptyPicture.bytes = emptyStatePicture();
  emptyPicture.width = emptyPicture.height = 64;
  lbEmpty.text = "对不起,您没有任何预约信息！";
  btReserve.title = "我要预约";
  table.onSelect = [this](int, int row) { didSelect(row); };
  btReserve.onPress = [this] { reserve(); };
  add(lbTitles);
  add(table);
  add(emptyPicture);
  add(lbEmpty);
  add(btReserve);
  reloadData();
}

void QueryReservationViewController::viewWillAppear() {
  query();
}

void QueryReservationViewController::viewWillDisappear() {
  // A late answer would end the overlay of the screen now shown, or show its failure over it.
  request_.cancel();
}

void QueryReservationViewController::backPressed() {
  ui::Ui::current().hud->dismiss();
  request_.cancel();
  ui::Screen::backPressed();
}

void QueryReservationViewController::query() {
  request_.send(ScheduleAction::SelectScheduleInfo, nlohmann::json::object(),
                [this](const ScheduleReply& reply) { queried(reply); });
}

void QueryReservationViewController::queried(const ScheduleReply& reply) {
  if (reply.kind != ScheduleReply::Kind::Success) return reloadData();
  answered_ = true;
  dataArray_.clear();
  const auto list = reply.object.value("USER_LIST", nlohmann::json::array());
  if (list.is_array()) {
    for (const auto& booking : list) dataArray_.push_back(detailFromBooking(booking));
  }
  reloadData();
}

void QueryReservationViewController::reloadData() {
  table.sections.assign(1, {});
  for (int i = 0; i < static_cast<int>(dataArray_.size()); ++i) {
    table.sections[0].rows.push_back(QueryCell::make(i, dataArray_[i]).row());
  }
  const bool any = !dataArray_.empty();
  table.hidden = !any;
  lbTitles.hidden = !any;
  lbEmpty.hidden = emptyPicture.hidden = any || !answered_;
}

void QueryReservationViewController::didSelect(int row) {
  if (row < 0 || row >= static_cast<int>(dataArray_.size())) return;
  ui::Ui& ui = ui::Ui::current();
  ui.hud->dismiss();
  request_.cancel();
  push(std::make_shared<ReservationDetailViewController>(dataArray_[row]));
}

void QueryReservationViewController::reserve() {
  ui::Ui& ui = ui::Ui::current();
  ui.hud->dismiss();
  request_.cancel();
  push(std::make_shared<ReservationMainViewController>());
}

}  // namespace vokari
