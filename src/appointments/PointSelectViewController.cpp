#include "appointments/PointSelectViewController.h"

#include "appointments/BookingRecord.h"
#include "core/Extern.h"

namespace vokari {

const std::array<std::pair<const char*, const char*>, 10>& PointSelectViewController::districts() {
  static const std::array<std::pair<const char*, const char*>, 10> table{{
      {"AV_LIST", "Arveno分局"},
      {"BQ_LIST", "Belquor分局"},
      {"CD_LIST", "Cindral分局"},
      {"DK_LIST", "Dovask分局"},
      {"EW_LIST", "Ellowe分局"},
      {"FN_LIST", "Farnis分局"},
      {"KS_LIST", "Kestrin分局"},
      {"HTS_LIST", "Hathis分局"},
      {"IR_LIST", "Istrel分局"},
      {"JV_LIST", "Jovanne分局"},
  }};
  return table;
}

PointSelectViewController::Groups PointSelectViewController::filtered(const Groups& groups,
                                                                      const std::string& keyword) {
  std::string wanted = Extern::trim(keyword);
  if (wanted.empty()) return groups;
  Groups kept;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    for (const auto& station : groups[g]) {
      if (matches(station, "schedule_type", wanted)) kept[g].push_back(station);
    }
  }
  return kept;
}

PointSelectViewController::PointSelectViewController(Picked picked)
    : SearchPicker("受理点选择", ScheduleAction::FindStation, nlohmann::json::object()),
      picked_(std::move(picked)) {
  table.onSelect = [this](int section, int row) { didSelect(section, row); };
}

void PointSelectViewController::received(const ScheduleReply& reply) {
  if (reply.kind == ScheduleReply::Kind::Success) {
    for (std::size_t g = 0; g < districts().size(); ++g) {
      dataArray_[g].clear();
      auto list = reply.object.find(districts()[g].first);
      if (list == reply.object.end() || !list->is_array()) continue;
      for (const auto& station : *list) {
        if (station.is_object()) dataArray_[g].push_back(station);
      }
    }
  }
}

void PointSelectViewController::showMatches(const std::optional<std::string>& keyword) {
  currentDataArray_ = keyword ? filtered(dataArray_, *keyword) : dataArray_;
  reloadTable();
}

void PointSelectViewController::reloadTable() {
  table.sections.clear();
  for (std::size_t g = 0; g < currentDataArray_.size(); ++g) {
    ui::TableSectionModel section;
    // A heading only over a group that has rows.
    if (!currentDataArray_[g].empty()) section.heading = districts()[g].second;
    for (const auto& station : currentDataArray_[g]) {
      ui::TableRowModel row;
      row.text = recordText(station, "schedule_type");
      row.checked = marked_ && *marked_ == station;
      section.rows.push_back(std::move(row));
    }
    table.sections.push_back(std::move(section));
  }
}

void PointSelectViewController::didSelect(int section, int row) {
  if (section < 0 || section >= static_cast<int>(currentDataArray_.size())) return;
  const auto& group = currentDataArray_[section];
  if (row < 0 || row >= static_cast<int>(group.size())) return;
  nlohmann::json station = group[row];
  marked_ = station;
  reloadTable();
  if (picked_) picked_(station);
  if (isTop()) pop();
}

}  // namespace vokari
