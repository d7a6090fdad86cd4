#include "appointments/PointAndBusiSelectViewController.h"

#include <algorithm>

#include "appointments/BookingRecord.h"
#include "core/PinYin.h"
#include "ui/Ui.h"

namespace vokari {

PointAndBusiSelectViewController::PointAndBusiSelectViewController(nlohmann::json scheduleTypeId,
                                                                   Picked picked)
    : SearchPicker("业务类型选择", ScheduleAction::FindType,
                   {{"STATION", std::move(scheduleTypeId)}}),
      picked_(std::move(picked)) {
  table.onSelect = [this](int, int row) { didSelect(row); };
}

std::vector<PointAndBusiSelectViewController::Entry>
PointAndBusiSelectViewController::sortedEntries(const std::vector<nlohmann::json>& records) {
  std::vector<Entry> entries;
  for (std::size_t i = 0; i < records.size(); ++i) {
    std::string name = recordText(records[i], "name");
    entries.push_back({name, i, PinYin::pinYin(name)});
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return a.pinYin < b.pinYin; });
  return entries;
}

void PointAndBusiSelectViewController::received(const ScheduleReply& reply) {
  dataArray_.clear();
  if (reply.kind == ScheduleReply::Kind::Success) {
    auto list = reply.object.find("USER_LIST");
    if (list != reply.object.end() && list->is_array()) {
      for (const auto& record : *list) {
        if (record.is_object()) dataArray_.push_back(record);
      }
    }
    if (dataArray_.empty()) ui::Ui::current().hud->showError("没有业务类型", 0.8);
  }
}

void PointAndBusiSelectViewController::showMatches(const std::optional<std::string>& keyword) {
  currentFullDataArray_.clear();
  for (const auto& record : dataArray_) {
    if (!keyword || matches(record, "name", *keyword)) currentFullDataArray_.push_back(record);
  }
  currentDataArray_ = sortedEntries(currentFullDataArray_);
  table.sections.assign(1, {});
  for (const Entry& entry : currentDataArray_) {
    ui::TableRowModel row;
    row.text = entry.text;
    table.sections[0].rows.push_back(std::move(row));
  }
}

void PointAndBusiSelectViewController::didSelect(int row) {
  if (row < 0 || row >= static_cast<int>(currentDataArray_.size())) return;
  nlohmann::json business = currentFullDataArray_[currentDataArray_[row].index];
  if (picked_) picked_(business);
  if (isTop()) pop();
}

}  // namespace vokari
