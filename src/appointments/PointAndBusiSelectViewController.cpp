#include "appointments/PointAndBusiSelectViewController.h"

#include <algorithm>

#include "appointments/BookingRecord.h"
#include "core/Extern.h"
#include "core/PinYin.h"
#include "ui/Ui.h"

namespace vokari {

PointAndBusiSelectViewController::PointAndBusiSelectViewController(nlohmann::json scheduleTypeId,
                                                                   Picked picked)
    : ui::Screen("业务类型选择"),
      schedule_type_id_(std::move(scheduleTypeId)),
      picked_(std::move(picked)) {
  search.placeholder = "请输入关键字";
  search.onChange = [this] { searchChanged(); };
  search.onReturn = [this] { searchChanged(); };
  search.onCancel = [this] { cancelSearch(); };
  table.onSelect = [this](int, int row) { didSelect(row); };
  add(search);
  add(table);
  reloadTable();
}

std::vector<PointAndBusiSelectViewController::Entry>
PointAndBusiSelectViewController::sortedEntries(const std::vector<nlohmann::json>& records) {
  std::vector<Entry> entries;
  for (std::size_t i = 0; i < records.size(); ++i) {
    std::string name = jsonText(records[i], "name");
    entries.push_back({name, i, PinYin::pinYin(name)});
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return a.pinYin < b.pinYin; });
  return entries;
}

void PointAndBusiSelectViewController::viewDidLoad() {
  request_.send(ScheduleAction::FindType, {{"STATION", schedule_type_id_}},
                [this](const ScheduleReply& reply) { received(reply); });
}

void PointAndBusiSelectViewController::backPressed() {
  request_.cancel();
  ui::Ui::current().hud->dismiss();
  ui::Screen::backPressed();
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
  searchChanged();
}

void PointAndBusiSelectViewController::searchChanged() {
  isSearching_ = !Extern::isEmptyStringTrim(search.text);
  currentFullDataArray_.clear();
  if (!isSearching_) {
    currentFullDataArray_ = dataArray_;
  } else {
    std::string keyword = Extern::trim(search.text);
    for (const auto& record : dataArray_) {
      if (Extern::hasSubString(jsonText(record, "name"), keyword, true))
        currentFullDataArray_.push_back(record);
    }
  }
  currentDataArray_ = sortedEntries(currentFullDataArray_);
  reloadTable();
}

void PointAndBusiSelectViewController::cancelSearch() {
  search.text.clear();
  searchChanged();
}

void PointAndBusiSelectViewController::reloadTable() {
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
