#pragma once
// The business-type picker ("业务类型选择"): the business types of one station, ordered by the
// pinyin first letters of their names, with a search. The picked record is handed to `picked`,
// then the picker closes.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "appointments/ScheduleExchange.h"
#include "ui/Screen.h"

namespace vokari {

class PointAndBusiSelectViewController final : public ui::Screen {
 public:
  using Picked = std::function<void(const nlohmann::json& business)>;

  // One shown entry: its text, the position of its record in the records it was made from, and
  // its sort key.
  struct Entry {
    std::string text;
    std::size_t index = 0;
    std::string pinYin;
  };

  PointAndBusiSelectViewController(nlohmann::json scheduleTypeId, Picked picked);

  void viewDidLoad() override;
  void backPressed() override;

  // The records' entries sorted by their key; records with equal keys keep their order.
  static std::vector<Entry> sortedEntries(const std::vector<nlohmann::json>& records);

  const std::vector<Entry>& currentDataArray() const { return currentDataArray_; }

  ui::TextField search;
  ui::Table table;

 private:
  void received(const ScheduleReply& reply);
  void searchChanged();
  void cancelSearch();
  void reloadTable();
  void didSelect(int row);

  nlohmann::json schedule_type_id_;
  Picked picked_;
  std::vector<nlohmann::json> dataArray_;
  std::vector<nlohmann::json> currentFullDataArray_;
  std::vector<Entry> currentDataArray_;
  bool isSearching_ = false;
  ScheduleExchange request_{*this};
};

}  // namespace vokari
