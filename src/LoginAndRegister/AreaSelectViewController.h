#pragma once
// The news-area picker ("订阅区域选择"): ticks the subscribed districts; leaving by back stores
// the choice, in the order the areas were ticked, as the account's "newsbookarea".

#include <string>
#include <vector>

#include "ui/Screen.h"

namespace vokari {

class AreaSelectViewController final : public ui::Screen {
 public:
  AreaSelectViewController();

  void viewDidLoad() override;
  void backPressed() override;

  // Ticks an unticked area, or unticks a ticked one unless it is the last.
  void selectArea(int row);

  std::vector<std::string> areaArray;    // the ten names in table order
  std::vector<std::string> currentArea;  // subscribed names in subscription order
  ui::Table table;

 private:
  void reloadTable();
};

}  // namespace vokari
