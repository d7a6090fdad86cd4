#include "appointments/SearchPicker.h"

#include "appointments/BookingRecord.h"
#include "core/Extern.h"
#include "ui/Ui.h"

namespace vokari {

SearchPicker::SearchPicker(std::string title, ScheduleAction action, nlohmann::json keys)
    : ui::Screen(std::move(title)), action_(action), keys_(std::move(keys)) {
  search.placeholder = "请输入关键字";
  search.onChange = [this] { searchChanged(); };
  search.onReturn = [this] { searchChanged(); };
  search.onCancel = [this] {
    search.text.clear();
    searchChanged();
  };
  add(search);
  add(table);
}

void SearchPicker::viewDidLoad() {
  searchChanged();
  request_.send(action_, keys_, [this](const ScheduleReply& reply) {
    received(reply);
    searchChanged();
  });
}

void SearchPicker::backPressed() {
  request_.cancel();
  ui::Ui::current().hud->dismiss();
  ui::Screen::backPressed();
}

bool SearchPicker::matches(const nlohmann::json& record, const char* key,
                           const std::string& keyword) {
  return Extern::hasSubString(recordText(record, key), keyword, true);
}

void SearchPicker::searchChanged() {
  isSearching_ = !Extern::isEmptyStringTrim(search.text);
  showMatches(isSearching_ ? std::optional(Extern::trim(search.text)) : std::nullopt);
}

}  // namespace vokari
