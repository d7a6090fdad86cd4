#include "LoginAndRegister/Login/PersonalcenterViewController.h"

#include "LoginAndRegister/Login/PersonalCenterTableViewCell.h"
#include "common/AccountAnomaly.h"
#include "common/StoredItem.h"
#include "core/IsIdCard.h"
#include "storage/AccountManager.h"
#include "storage/ReservaionPersonManager.h"
#include "transport/ServiceCall.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

constexpr int kIdNumberRow = 4;

// A member as shown: texts as they are, numbers in their JSON form, anything missing as "".
std::string shown(const nlohmann::json& person, const char* key) {
  if (!person.is_object() || !person.contains(key)) return "";
  const nlohmann::json& value = person[key];
  if (value.is_string()) return value.get<std::string>();
  return value.is_null() ? "" : value.dump();
}

}  // namespace

PersonalcenterViewController::PersonalcenterViewController(nlohmann::json person)
    : ui::Screen("个人中心"), dicPerson(std::move(person)) {
  dataArray = {shown(dicPerson, "schedule_phone"), shown(dicPerson, "schedule_name"),
               shown(dicPerson, "schedule_sex") == "1" ? "男" : "女", "身份证",
               shown(dicPerson, "schedule_card_number")};
  OriginalDataArray = dataArray;
  rightButton = ui::Button{};
  rightButton->title = "保存";
  rightButton->onPress = [this] { save(); };
  table_.onSelect = [this](int section, int row) { selectRow(section, row); };
  table_.onEditRow = [this](int section, int row, const std::string& text) {
    if (section == 0) valueChanged(row, text);
  };
  reloadTable();
  add(table_);
}

void PersonalcenterViewController::reloadTable() {
  ui::TableSectionModel info{"  个人信息", {}};
  for (std::size_t i = 0; i < titleArray.size() && i < dataArray.size(); ++i) {
    info.rows.push_back(PersonalCenterTableViewCell::row(titleArray[i], dataArray[i]));
  }
  ui::TableSectionModel persons{"  常用预约人", {}};
  for (const char* action : {"清除常用联系人", "退出当前用户"}) {
    persons.rows.push_back(ui::TableRowModel{.text = action, .detail = ""});
  }
  table_.sections = {info, persons};
}

void PersonalcenterViewController::valueChanged(int row, const std::string& text) {
  if (row < 0 || row >= static_cast<int>(dataArray.size())) return;
  if (dataArray[row] != text) dataArray[row] = text;
  changed_ = dataArray != OriginalDataArray;
  updateSaveControl();
  reloadTable();
}

void PersonalcenterViewController::selectRow(int section, int row) {
  if (section == 1 && row == 0) return clearPersons();
  if (section == 1 && row == 1) return signOut();
  if (section == 0 && row < static_cast<int>(titleArray.size()) &&
      PersonalCenterTableViewCell::celltypeForTitle(titleArray[row]) ==
          PersonalCenterTableViewCell::kSexSheet) {
    chooseSex(row);
  }
}

void PersonalcenterViewController::chooseSex(int row) {
  ui::Ui::current().alerts->show({.title = "性别修改",
                                  .message = "",
                                  .buttons = {"男", "女", "取消"},
                                  .sheet = true,
                                  .cancelIndex = 2},
                                 guard([this, row](int button) {
                                   if (button > 1) return;
                                   valueChanged(row, button == 0 ? "男" : "女");
                                 }));
}

// Off while a save runs, so a second press never cuts short one the service may have taken.
void PersonalcenterViewController::updateSaveControl() {
  rightButton->enabled = changed_ && !changeRequest.running();
}

void PersonalcenterViewController::save() {
  if (dataArray.size() < 5) return;
  if (!IsIdCard::personIdValidation(dataArray[kIdNumberRow])) {
    ui::Ui::current().alerts->show({"", "请输入正确的身份证", {"好"}});
    return;
  }
  // Only the number is sent; the service keeps the name it has.
  startJsonCall(changeRequest, {.action = "saveInfomation",
                                .body = {{"LOGIN_NAME", storedItem("phone_number")},
                                         {"PASSWORD", storedItem("password")},
                                         {"SF_CODE", dataArray[kIdNumberRow]}},
                                .delegate = this,
                                .userInfo = nullptr});
  updateSaveControl();
}

void PersonalcenterViewController::requestFinished(HttpRequest& request) {
  updateSaveControl();
  ReplyVerdict verdict = readJsonReply(request, Backend::Appointment).verdict;
  if (verdict == ReplyVerdict::Anomaly) return accountAnomaly(*this);
  if (verdict == ReplyVerdict::Success) ui::Ui::current().hud->showSuccess("修改成功", 0.8);
}

void PersonalcenterViewController::requestFailed(HttpRequest& /*request*/) {
  updateSaveControl();
  ui::Ui::current().hud->showError("连接失败", 1.0);
}

void PersonalcenterViewController::clearPersons() {
  if (ReservaionPersonManager::sharedReservaionPersonManager().clearPersons()) {
    ui::Ui::current().hud->showSuccess("清除成功", 0.5);
  }
}

void PersonalcenterViewController::signOut() {
  ui::Ui::current().alerts->show({.title = "",
                                  .message = "",
                                  .buttons = {"退出登陆", "取消"},
                                  .sheet = true,
                                  .destructiveIndex = 0,
                                  .cancelIndex = 1},
                                 guard([this](int button) {
                                   if (button != 0) return;
                                   AccountManager::sharedAccountManage().clearUserInfo();
                                   if (auto login = ui::Ui::current().screens->login())
                                     present(login);
                                 }));
}

void PersonalcenterViewController::backPressed() {
  ui::Ui::current().hud->dismiss();
  ui::Screen::backPressed();
}

}  // namespace vokari
