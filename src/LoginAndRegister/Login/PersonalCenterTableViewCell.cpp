#include "LoginAndRegister/Login/PersonalCenterTableViewCell.h"

#include <map>

namespace vokari {

PersonalCenterTableViewCell::CellType PersonalCenterTableViewCell::celltypeForTitle(
    const std::string& title) {
  static const std::map<std::string, CellType> kinds{
      {"手机号", kReadOnly}, {"姓名", kEditText},       {"性别", kFixed},
      {"证件类型", kFixed},  {"证件号码", kEditNumber},
  };
  auto found = kinds.find(title);
  return found == kinds.end() ? kEditText : found->second;
}

ui::TableRowModel PersonalCenterTableViewCell::row(const std::string& title,
                                                   const std::string& value) {
  ui::TableRowModel model;
  model.text = title;
  model.detail = value;
  model.editable = editable(celltypeForTitle(title));
  return model;
}

}  // namespace vokari
