#include "settings/NewSettingViewController.h"

#include "common/AccountAnomaly.h"
#include "common/BookArea.h"
#include "common/StoredItem.h"
#include "core/Extern.h"
#include "settings/YIjianVC.h"
#include "storage/AccountManager.h"
#include "transport/ServiceCall.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

constexpr int kSections = 3;
constexpr int kAboutRows = 4;
constexpr double kErrorSeconds = 1.0;

void pushIfAny(ui::Screen& from, std::shared_ptr<ui::Screen> screen) {
  if (screen) from.push(std::move(screen));
}

}  // namespace

NewSettingViewController::NewSettingViewController() : ui::Screen("设置") {
  table.onSelect = [this](int section, int row) { didSelect(section, row); };
  add(table);
}

void NewSettingViewController::viewWillAppear() {
  reloadTable();
}

// Another screen opened over the menu (feedback, say) while the personal information loads: the
// reply could only open the personal centre over a screen the user chose since, so it is given
// up, with its overlay.
void NewSettingViewController::viewWillDisappear() {
  if (!personRequest_.running()) return;
  personRequest_.reset();
  ui::Ui::current().hud->dismiss();
}

// The overlay goes with the request: nothing would take it down afterwards.
void NewSettingViewController::backPressed() {
  personRequest_.reset();
  ui::Ui::current().hud->dismiss();
  ui::Screen::backPressed();
}

std::string NewSettingViewController::getPhoneNum() {
  std::string phone = storedItem("phone_number");
  return Extern::isEmptyString(phone) ? "尚未输入手机号" : phone;
}

std::string NewSettingViewController::setCellTitle(int section) {
  switch (section) {
    case 0:
      return "手机号码设置";
    case 1:
      return "警讯播报设置";
    default:
      return "关于Vokari";
  }
}

std::string NewSettingViewController::setCellText(int section, int row) {
  switch (section) {
    case 0:
      return getPhoneNum();
    case 1:
      return "订阅区域:" + BookArea::sharedBookAreaManage().getCurrentAreaString();
    default:
      return setCellText2(row);
  }
}

std::string NewSettingViewController::setCellText2(int row) {
  static const char* const texts[kAboutRows] = {"个人中心", "安装协议", "意见反馈", "关于"};
  return row >= 0 && row < kAboutRows ? texts[row] : "";
}

void NewSettingViewController::reloadTable() {
  table.sections.clear();
  for (int section = 0; section < kSections; ++section) {
    ui::TableSectionModel group{setCellTitle(section), {}};
    const int rows = section == 2 ? kAboutRows : 1;
    for (int row = 0; row < rows; ++row) {
      ui::TableRowModel cell;
      cell.text = setCellText(section, row);
      cell.disclosure = true;
      group.rows.push_back(std::move(cell));
    }
    table.sections.push_back(std::move(group));
  }
}

void NewSettingViewController::didSelect(int section, int row) {
  ui::Screens& screens = *ui::Ui::current().screens;
  if (section == 0) return pushIfAny(*this, screens.alarmNumber());
  if (section == 1) return pushIfAny(*this, screens.areaSelect());
  switch (row) {
    case 0:
      return getPersonInfo();
    // Signed in, the agreement is a plain reading page: no record to accept.
    case 1:
      return pushIfAny(*this, screens.agreement(nlohmann::json(), ""));
    case 2:
      return pushIfAny(*this, std::make_shared<YIjianVC>());
    case 3:
      return pushIfAny(*this, screens.alarmHelp());
    default:
      return;
  }
}

void NewSettingViewController::getPersonInfo() {
  JsonCall call;
  call.action = "findInformation";
  call.body = {{"LOGIN_NAME", storedItem("phone_number")}, {"PASSWORD", storedItem("password")}};
  call.delegate = this;
  startJsonCall(personRequest_, call);
  ui::Ui::current().hud->showBusy("正在获取个人信息...");
}

void NewSettingViewController::requestFinished(HttpRequest& request) {
  ui::Hud& hud = *ui::Ui::current().hud;
  hud.dismiss();
  JsonReply reply = readJsonReply(request, Backend::Appointment);
  if (Extern::isEmptyStringTrim(reply.text)) {
    hud.showError("获取个人信息失败", kErrorSeconds);
    return;
  }
  if (reply.verdict == ReplyVerdict::Anomaly) return accountAnomaly(*this);
  if (reply.verdict != ReplyVerdict::Success) return;
  const auto& people = reply.object.value("USER_LIST", nlohmann::json::array());
  if (!people.is_array() || people.empty()) {
    hud.showError("获取个人信息失败", kErrorSeconds);
    return;
  }
  if (isTop()) pushIfAny(*this, ui::Ui::current().screens->personalCenter(people.front()));
}

void NewSettingViewController::requestFailed(HttpRequest& /*request*/) {
  ui::Ui::current().hud->showError("获取个人信息失败，请检查网络", kErrorSeconds);
}

}  // namespace vokari
