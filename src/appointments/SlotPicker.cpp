#include "appointments/SlotPicker.h"

#include "appointments/BookingRecord.h"
#include "core/Extern.h"

namespace vokari {

SlotPicker::SlotPicker() {
  titles.text = "日期  时间段(剩余量)";
  picker.onPick = [this](int column, int row) { pick(column, row); };
  btDone.title = "完成";
  btDone.onPress = [this] { done(); };
  btCancel.title = "取消";
  btCancel.role = ui::ButtonRole::Cancel;
  btCancel.onPress = [this] { close(); };
  close();
}

std::vector<SlotPicker::Day> SlotPicker::usableDays(const nlohmann::json& reply) {
  std::vector<Day> usable;
  auto days = reply.is_object() ? reply.find("DATE") : reply.end();
  if (days == reply.end() || !days->is_array()) return usable;
  for (const auto& day : *days) {
    std::string name = recordText(day, "DAY");
    auto slots = day.is_object() ? day.find("TIME") : day.end();
    if (Extern::isEmptyStringTrim(name) || slots == day.end() || !slots->is_array() ||
        slots->empty())
      continue;
    usable.push_back({name, *slots});
  }
  return usable;
}

std::string SlotPicker::slotText(const nlohmann::json& slot) {
  std::string left = recordText(slot, "yyl");
  if (Extern::isEmptyStringTrim(left)) left = "0";
  return recordText(slot, "dic_list_desc") + " (" + left + ")";
}

void SlotPicker::open(std::vector<Day> days) {
  days_ = std::move(days);
  for (bool* hidden : {&titles.hidden, &picker.hidden, &btDone.hidden, &btCancel.hidden})
    *hidden = days_.empty();
  pick(0, 0);
}

void SlotPicker::close() {
  for (bool* hidden : {&titles.hidden, &picker.hidden, &btDone.hidden, &btCancel.hidden})
    *hidden = true;
}

std::vector<std::string> SlotPicker::leftArray() const {
  std::vector<std::string> names;
  for (const Day& day : days_) names.push_back(day.day);
  return names;
}

void SlotPicker::pick(int column, int row) {
  // The toolkit has checked and marked the row; a day chosen on the left lists its own slots.
  if (column != 0 || row < 0 || row >= static_cast<int>(days_.size())) return;
  std::vector<std::string> slots;
  for (const auto& slot : days_[row].slots) slots.push_back(slotText(slot));
  picker.columns = {leftArray(), slots};
  picker.selected = {row, 0};
}

void SlotPicker::done() {
  close();
  if (picker.selected.size() < 2 || days_.empty()) return;
  const Day& day = days_[picker.selected[0]];
  if (onDone) onDone({day.day, day.slots[picker.selected[1]]});
}

}  // namespace vokari
