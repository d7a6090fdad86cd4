#pragma once
// The booking form's slot picker: two columns, the days on the left and the slots of the day
// chosen there on the right ("%@ (%@)"), under the headings "日期" and "时间段(剩余量)". "完成"
// hands the chosen slot to onDone and closes; "取消" closes without a choice.

#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "appointments/BookingChoice.h"
#include "ui/Widgets.h"

namespace vokari {

class SlotPicker final {
 public:
  // A day offered and its slot records.
  struct Day {
    std::string day;
    nlohmann::json slots;
  };

  SlotPicker();
  SlotPicker(const SlotPicker&) = delete;
  SlotPicker& operator=(const SlotPicker&) = delete;

  // The days of a findTime reply that can be offered: a non-blank DAY with at least one slot.
  static std::vector<Day> usableDays(const nlohmann::json& reply);
  // A slot as listed: its text and remaining places, "0" for a blank count.
  static std::string slotText(const nlohmann::json& slot);

  // Shows the days (at least one), the first day and its first slot chosen.
  void open(std::vector<Day> days);
  void close();
  bool isOpen() const { return !picker.hidden; }
  std::vector<std::string> leftArray() const;

  std::function<void(BookingSlot)> onDone;

  ui::Label titles;
  ui::Picker picker;
  ui::Button btDone;
  ui::Button btCancel;

 private:
  void pick(int column, int row);
  void done();

  std::vector<Day> days_;
};

}  // namespace vokari
