#include "alarm/EKeyServiceViewController.h"

#include "alarm/DirectoryData.h"
#include "core/Extern.h"
#include "platform/Platform.h"

namespace vokari {
namespace {

constexpr int kFirstTabTag = 1001;

}  // namespace

EKeyServiceViewController::EKeyServiceViewController() : Screen("一键服务") {
  auto tabs = directoryTabs();
  for (std::size_t i = 0; i < tabButtons_.size(); ++i) {
    TabButton& tab = tabButtons_[i];
    tab.tag = kFirstTabTag + static_cast<int>(i);
    tab.box.title = std::string(tabs[i].title);
    tab.box.onPress = [this, tag = tab.tag] { selectTab(tag); };
    add(tab.box);
  }
  searchBar.placeholder = "请输入关键字";
  searchBar.onChange = [this] { onSearch(searchBar.text); };
  searchBar.onReturn = [this] { onSearch(searchBar.text); };
  searchBar.onCancel = [this] {
    searchBar.text.clear();
    searchBar.focused = false;
    endSearch();
  };
  searchBar.onEndEditing = [this] { endSearch(); };
  add(searchBar);
  tableView.onSelect = [this](int, int row) { didSelect(row); };
  add(tableView);
  loadData();
  selectTab(kFirstTabTag);
}

void EKeyServiceViewController::loadData() {
  auto tabs = directoryTabs();
  for (std::size_t i = 0; i < tabs_.size(); ++i) {
    tabs_[i].clear();
    for (const DirectoryEntry& e : tabs[i].entries) {
      tabs_[i].push_back({std::string(e.name), std::string(e.number), keywordOf(e)});
    }
  }
}

void EKeyServiceViewController::selectTab(int tag) {
  int tab = tag - (kFirstTabTag - 1);
  if (tab < 1 || tab > static_cast<int>(tabs_.size())) return;
  currentTap = tab;
  for (TabButton& button : tabButtons_) button.box.checked = button.tag == tag;
  endSearch();  // choosing a tab asks for that tab's list, whatever was searched before
}

void EKeyServiceViewController::onSearch(const std::string& text) {
  loadData();
  if (text.empty()) {
    endSearch();
    return;
  }
  searching_ = true;
  show(getSearchDataWithKeyWord(text));
}

void EKeyServiceViewController::endSearch() {
  searching_ = false;
  show(tabs_[currentTap - 1]);
}

std::vector<EKeyServiceViewController::Entry> EKeyServiceViewController::getSearchDataWithKeyWord(
    const std::string& keyword) const {
  std::vector<Entry> found;
  if (Extern::isEmptyStringTrim(keyword)) return found;  // blanks match nothing
  for (const auto& tab : tabs_) {
    for (const Entry& entry : tab) {
      if (Extern::hasSubString(entry.keyword, keyword, true)) found.push_back(entry);
    }
  }
  return found;
}

void EKeyServiceViewController::show(const std::vector<Entry>& entries) {
  shown_ = entries;
  ui::TableSectionModel section;
  for (const Entry& entry : shown_) section.rows.push_back({entry.name, entry.num});
  tableView.sections = {std::move(section)};
}

void EKeyServiceViewController::didSelect(int row) {
  if (row < 0 || row >= static_cast<int>(shown_.size())) return;
  Platform::current().urlOpener->openURL("telprompt://" + shown_[row].num);
}

}  // namespace vokari
