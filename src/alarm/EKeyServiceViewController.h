#pragma once
// "一键服务": the public service numbers in four tabs, a keyword search across all of them, and
// dialling (with the platform's confirmation) on selection. Main thread only.

#include <array>
#include <string>
#include <vector>

#include "ui/Screen.h"

namespace vokari {

class EKeyServiceViewController final : public ui::Screen {
 public:
  EKeyServiceViewController();

  // Selects the tab of the button with the tag (1001..1004); other tags are ignored.
  void selectTab(int tag);
  // Rebuilds the lists, then searches for the text, or shows the current tab when it is empty.
  void onSearch(const std::string& text);
  // Leaves search mode and shows the current tab's full list.
  void endSearch();

  int currentTap = 1;  // 1 "公安部门", 2 "交警", 3 "联动部门", 4 "公共服务"
  bool searching() const { return searching_; }

 private:
  struct Entry {
    std::string name, num, keyword;
  };
  struct TabButton {
    ui::CheckBox box;  // checked marks the selected tab
    int tag = 0;
  };

  void loadData();
  std::vector<Entry> getSearchDataWithKeyWord(const std::string& keyword) const;
  void show(const std::vector<Entry>& entries);
  void didSelect(int row);

  // One list per tab, each parallel to the names, numbers and keywords of the directory.
  std::array<std::vector<Entry>, 4> tabs_;
  std::vector<Entry> shown_;
  bool searching_ = false;

  std::array<TabButton, 4> tabButtons_;
  ui::TextField searchBar;
  ui::Table tableView;
};

}  // namespace vokari
