#pragma once
// The wanted-person list ("悬赏名单") from the data file that ships with the application, and
// the detail panel a tapped row opens over a dimmed layer. No request is made.

#include <nlohmann/json.hpp>

#include "reports/WantedPersonDetailView.h"
#include "ui/Screen.h"

namespace vokari {

class NamesViewController final : public ui::Screen {
 public:
  NamesViewController();

  void viewDidLoad() override;
  void didSelectRow(int row);

  const nlohmann::json& persons() const { return persons_; }
  const WantedPersonDetailView& detail() const { return detail_; }

  ui::Label header;  // the column captions
  ui::Table table;
  // The panel as the view model shows it: the dimmed layer (touch closes), title and rows.
  ui::Button overlayView;
  ui::Label detailTitle;
  ui::Table detailTable;

 private:
  void refreshDetail();
  nlohmann::json persons_ = nlohmann::json::array();
  WantedPersonDetailView detail_;
};

}  // namespace vokari
