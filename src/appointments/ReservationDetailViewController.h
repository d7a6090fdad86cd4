#pragma once
// The detail of one booking ("预约查询"), from which it is cancelled. It shows only the record it
// was opened with and does not query.

#include <array>
#include <string>

#include <nlohmann/json.hpp>

#include "appointments/ScheduleExchange.h"
#include "ui/Screen.h"

namespace vokari {

class ReservationDetailViewController final : public ui::Screen {
 public:
  explicit ReservationDetailViewController(nlohmann::json dicDetail);

  void backPressed() override;

  // The time line's text: `time`, then a blank and the hours when `timedetail` is a slot code.
  static std::string timeText(const nlohmann::json& dicDetail);

  const nlohmann::json& dicDetail() const { return dicDetail_; }

  std::array<ui::Label, 8> lines;
  ui::Button btCancel;  // "取消预约"

 private:
  void askToCancel();
  void cannelSchedule();
  void cancelled(const ScheduleReply& reply);

  nlohmann::json dicDetail_;
  ScheduleExchange request_{*this};
};

}  // namespace vokari
