#pragma once
// The station picker ("受理点选择"): the stations of the ten district groups, with a search. The
// picked station is handed to `picked`, then the picker closes.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "appointments/SearchPicker.h"

namespace vokari {

class PointSelectViewController final : public SearchPicker {
 public:
  using Picked = std::function<void(const nlohmann::json& station)>;
  using Groups = std::array<std::vector<nlohmann::json>, 10>;

  explicit PointSelectViewController(Picked picked);

  // The reply key and the heading of each district group, in the order shown.
  static const std::array<std::pair<const char*, const char*>, 10>& districts();
  // Each group filtered to the stations whose name holds the keyword, case ignored; a keyword
  // blank after trimming keeps every station.
  static Groups filtered(const Groups& groups, const std::string& keyword);

  const Groups& currentDataArray() const { return currentDataArray_; }

 private:
  void received(const ScheduleReply& reply) override;
  void showMatches(const std::optional<std::string>& keyword) override;
  void reloadTable();
  void didSelect(int section, int row);

  Picked picked_;
  Groups dataArray_;
  Groups currentDataArray_;
  std::optional<nlohmann::json> marked_;
};

}  // namespace vokari
