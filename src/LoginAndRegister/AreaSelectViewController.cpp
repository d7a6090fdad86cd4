#include "LoginAndRegister/AreaSelectViewController.h"

#include <algorithm>

#include "common/BookArea.h"
#include "storage/AccountManager.h"
#include "storage/DBBase.h"
#include "storage/StorageNotice.h"
#include "ui/Ui.h"

namespace vokari {

AreaSelectViewController::AreaSelectViewController() : ui::Screen("订阅区域选择") {
  table.onSelect = [this](int, int row) { selectArea(row); };
  add(table);
}

void AreaSelectViewController::viewDidLoad() {
  BookArea& areas = BookArea::sharedBookAreaManage();
  areaArray = areas.areaNames();
  currentArea = areas.getCurrentAreaNames();
  reloadTable();
}

void AreaSelectViewController::reloadTable() {
  ui::TableSectionModel section;
  for (const auto& name : areaArray) {
    bool ticked = std::find(currentArea.begin(), currentArea.end(), name) != currentArea.end();
    ui::TableRowModel row;
    row.text = name;
    row.checked = ticked;
    section.rows.push_back(std::move(row));
  }
  table.sections = {std::move(section)};
}

void AreaSelectViewController::selectArea(int row) {
  if (row < 0 || row >= static_cast<int>(areaArray.size())) return;
  const std::string& name = areaArray[static_cast<std::size_t>(row)];
  auto found = std::find(currentArea.begin(), currentArea.end(), name);
  if (found == currentArea.end()) {
    currentArea.push_back(name);
  } else if (currentArea.size() == 1) {
    ui::Ui::current().alerts->show({"", "至少要订阅一个区域", {"好"}});
    return;
  } else {
    currentArea.erase(found);
  }
  reloadTable();
}

void AreaSelectViewController::backPressed() {
  std::string ids = BookArea::sharedBookAreaManage().getIdsWithAreaNames(currentArea);
  // Not stored, the old choice is what the screen shows at the next visit; the person is told.
  if (!AccountManager::sharedAccountManage().updateAccountInfo({{"newsbookarea", ids}})) {
    ui::Ui::current().hud->showError(storageNotice(DBBase::sharedDBBase().lastWrite()),
                                     kStorageNoticeSeconds);
  }
  ui::Screen::backPressed();
}

}  // namespace vokari
