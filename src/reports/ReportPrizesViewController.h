#pragma once
// The reward page ("有奖举报"): the way into the report query, the report form, the service's
// three guide pages and the wanted-person list. It keeps no state; every entry opens a new screen.
// Opening it tells again the ID and password of every report of the user that was interrupted.

#include "ui/Screen.h"

namespace vokari {

class ReportPrizesViewController final : public ui::Screen {
 public:
  ReportPrizesViewController();
  void viewDidLoad() override;
  void didSelect(int section, int row);

  ui::Table table;
};

}  // namespace vokari
