#pragma once
// What the station and business-type pickers share: one exchange that loads the list when the
// picker opens, a search field ("请输入关键字") over the list, and back, which cancels the
// exchange and takes the overlay away. Every change of the keyword (typing, the return key, the
// cancel control, which empties it) shows the matches again; a keyword blank after trimming
// shows the whole list.

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "appointments/ScheduleExchange.h"
#include "ui/Screen.h"

namespace vokari {

class SearchPicker : public ui::Screen {
 public:
  void viewDidLoad() override;
  void backPressed() override;

  ui::TextField search;
  ui::Table table;

 protected:
  // The picker titled `title` that loads its list with the action and keys.
  SearchPicker(std::string title, ScheduleAction action, nlohmann::json keys);

  // Whether the record's member holds the keyword, case ignored.
  static bool matches(const nlohmann::json& record, const char* key, const std::string& keyword);
  // Takes the list's reply, whatever it says; the matches are shown again after it.
  virtual void received(const ScheduleReply& reply) = 0;
  // Shows the records that match the trimmed keyword, or all of them for none.
  virtual void showMatches(const std::optional<std::string>& keyword) = 0;

  bool isSearching_ = false;

 private:
  void searchChanged();

  ScheduleAction action_;
  nlohmann::json keys_;
  ScheduleExchange request_{*this};
};

}  // namespace vokari
