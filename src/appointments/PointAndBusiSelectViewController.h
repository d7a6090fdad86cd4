#pragma once
// The business-type picker ("业务类型选择"): the business types of one station, ordered by the
// pinyin first letters of their names, with a search. The picked record is handed to `picked`,
// then the picker closes.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "appointments/SearchPicker.h"

namespace vokari {

class PointAndBusiSelectViewController final : public SearchPicker {
 public:
  using Picked = std::function<void(const nlohmann::json& business)>;

  // One shown entry: its text, the position of its record in the records it was made from, and
  // its sort key.
  struct Entry {
    std::string text;
    std::size_t index = 0;
    std::string pinYin;
  };

  // The business types of the station with the identifier (sent as STATION).
  PointAndBusiSelectViewController(nlohmann::json scheduleTypeId, Picked picked);

  // The records' entries sorted by their key; records with equal keys keep their order.
  static std::vector<Entry> sortedEntries(const std::vector<nlohmann::json>& records);

  const std::vector<Entry>& currentDataArray() const { return currentDataArray_; }

 private:
  void received(const ScheduleReply& reply) override;
  void showMatches(const std::optional<std::string>& keyword) override;
  void didSelect(int row);

  Picked picked_;
  std::vector<nlohmann::json> dataArray_;
  std::vector<nlohmann::json> currentFullDataArray_;
  std::vector<Entry> currentDataArray_;
};

}  // namespace vokari
