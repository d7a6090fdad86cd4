#pragma once
// The reward page ("有奖举报"): the way into the report query, the report form, the service's
// three guide pages and the wanted-person list. It keeps no state; every entry opens a new screen.

#include "ui/Screen.h"

namespace vokari {

class ReportPrizesViewController final : public ui::Screen {
 public:
  ReportPrizesViewController();
  void didSelect(int section, int row);

  ui::Table table;
};

}  // namespace vokari
