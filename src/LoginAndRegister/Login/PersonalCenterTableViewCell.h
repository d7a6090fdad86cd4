#pragma once
// The rows of the personal centre: the row's title decides how its value may be changed.

#include <string>

#include "ui/Widgets.h"

namespace vokari {

class PersonalCenterTableViewCell final {
 public:
  enum CellType {
    kEditText = 0,  // editable, default keyboard
    kReadOnly = 1,
    kSexSheet = 2,    // chosen from the sheet "性别修改"
    kFixed = 3,       // read-only
    kEditNumber = 4,  // editable, number-and-punctuation keyboard
  };

  // "手机号" 1, "姓名" 0, "性别" 3, "证件类型" 3, "证件号码" 4, any other 0.
  static CellType celltypeForTitle(const std::string& title);
  static bool editable(CellType celltype) {
    return celltype == kEditText || celltype == kEditNumber;
  }
  // The row as the table shows it.
  static ui::TableRowModel row(const std::string& title, const std::string& value);
};

}  // namespace vokari
