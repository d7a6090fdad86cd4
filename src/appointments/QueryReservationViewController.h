#pragma once
// The list of bookings ("户政业务"), the entry of the appointments: it asks for the account's
// bookings every time it is shown and leads to a new booking and to each booking's detail. Its
// query ends when it is covered or left. The empty state (a picture beside the text) follows
// only a reply that says there are no bookings; a failure leaves the list as it was.

#include <vector>

#include <nlohmann/json.hpp>

#include "appointments/ScheduleExchange.h"
#include "ui/Screen.h"

namespace vokari {

class QueryReservationViewController final : public ui::Screen {
 public:
  QueryReservationViewController();

  void viewWillAppear() override;
  void viewWillDisappear() override;
  void backPressed() override;

  // The detail records shown, in the order received.
  const std::vector<nlohmann::json>& dataArray() const { return dataArray_; }

  ui::Label lbTitles;  // the column titles
  ui::Table table;
  ui::Picture emptyPicture;
  ui::Label lbEmpty;
  ui::Button btReserve;  // "我要预约"

 private:
  void query();
  void queried(const ScheduleReply& reply);
  void reloadData();
  void didSelect(int row);
  void reserve();

  std::vector<nlohmann::json> dataArray_;
  bool answered_ = false;  // nothing is claimed about the bookings before the service says
  ScheduleExchange request_{*this};
};

}  // namespace vokari
