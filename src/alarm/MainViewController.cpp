#include "alarm/MainViewController.h"

#include "alarm/EKeyServiceViewController.h"
#include "alarm/UploadLocation.h"
#include "core/AlarmId.h"
#include "core/DateFormat.h"
#include "core/NetWorkStatus.h"
#include "platform/Platform.h"
#include "storage/AccountManager.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

constexpr double kSendInterval = 60;
constexpr std::int32_t kScheduleEnd = 420;  // the last send is at the step reaching this
constexpr const char* kPoliceNumber = "110";

// The signed-in account's phone number; the settings' current user stands in when the account
// row cannot be read, so an alarm is never sent without the caller's number.
std::string accountPhone() {
  auto& accounts = AccountManager::sharedAccountManage();
  if (auto item = accounts.getUserItemForKey("phone_number")) {
    if (auto text = textOf(*item)) return *text;
  }
  return AccountManager::currentUser().value_or("");
}

}  // namespace

MainViewController::MainViewController() : Screen("LanzoVokari") {
  addEntry(bt110, "E键报警", &MainViewController::onAlarm);
  addEntry(btNews, "警讯播报", &MainViewController::xuanchuan);
  addEntry(btOneKey, "一键服务", &MainViewController::onEKeyService);
  addEntry(btReport, "有奖举报", &MainViewController::jubao);
  addEntry(btPepople, "户政服务", &MainViewController::onReservation);
  addEntry(btSet, "设置", &MainViewController::onSetting);
}

MainViewController::~MainViewController() {
  if (LM) LM->stopUpdates(this);
}

void MainViewController::addEntry(ui::Button& button, const char* title,
                                  void (MainViewController::*action)()) {
  button.title = title;
  button.role = ui::ButtonRole::Tile;
  button.onPress = [this, action] { (this->*action)(); };
  add(button);
}

void MainViewController::viewDidLoad() {
  if (!LM) LM = Platform::current().location;
  checkNetAndLocation();
}

void MainViewController::viewWillAppear() {
  if (LM && LM->servicesEnabled()) LM->startUpdates(this);
}

// ---- Entries ----

void MainViewController::open(std::shared_ptr<ui::Screen> screen) {
  if (screen) push(std::move(screen));
}

void MainViewController::onAlarm() {
  isShowAlert_ = false;
  CallPhone();
}

void MainViewController::xuanchuan() {
  isShowAlert_ = false;
  open(ui::Ui::current().screens->news());
}

void MainViewController::onEKeyService() {
  isShowAlert_ = false;
  open(std::make_shared<EKeyServiceViewController>());
}

void MainViewController::jubao() {
  isShowAlert_ = false;
  open(ui::Ui::current().screens->reportPrizes());
}

// The only entry that leaves the warning flag as it is.
void MainViewController::onReservation() {
  open(ui::Ui::current().screens->queryReservation());
}

void MainViewController::onSetting() {
  isShowAlert_ = false;
  open(ui::Ui::current().screens->settings());
}

// ---- Warnings ----

bool MainViewController::checkNetAndLocation() {
  if (isShowAlert_) return false;
  Location* location = Platform::current().location;
  if (location && location->authorization() == LocationAuthorization::Denied) {
    showWarning(positionAlert,
                {"提示",
                 "请在\"设置-隐私-定位服务-Vokari\"下开启Vokari定位服务,否则影响辅助定位功能！",
                 {"好"}});
    return false;
  }
  if (NetWorkStatus::getNetStatus()) {
    isShowAlert_ = false;
    return true;
  }
  showWarning(netAlert, {"", "网络不给力", {"好"}});
  return false;
}

void MainViewController::showWarning(std::optional<ui::AlertId>& handle, ui::AlertModel model) {
  handle = ui::Ui::current().alerts->show(std::move(model));
  isShowAlert_ = true;
}

void MainViewController::dismissAlerts() {
  auto& alerts = *ui::Ui::current().alerts;
  for (auto* handle : {&netAlert, &positionAlert}) {
    if (*handle) alerts.dismiss(**handle, true);
    handle->reset();
  }
}

// ---- Position ----

void MainViewController::locationDidUpdate(double newLatitude, double newLongitude) {
  latitude = newLatitude;
  longitude = newLongitude;
}

void MainViewController::locationDidFail() {
  latitude = 0;
  longitude = 0;
}

// ---- One-key alarm ----

void MainViewController::CallPhone() {
  timer_.cancel();
  if (upload_) upload_->cancelUpload();
  locationtime = 0;
  if (!AccountManager::sharedAccountManage().isLogin()) {
    ui::Ui::current().alerts->show({"警告", "没有设置手机号码！", {"取消"}});
    return;
  }
  mAlarmID = AlarmId::createAlarmId(accountPhone());
  if (NetWorkStatus::getNetStatus()) sendPerformance();
  call();
}

void MainViewController::call() {
  // The schedule goes on while the call is made; the timer is ours, so it dies with the screen.
  timer_ = Platform::current().loop->every(kSendInterval, [this] { sendPerformance(); });
  Platform::current().urlOpener->openURL(std::string("tel:") + kPoliceNumber);
}

void MainViewController::sendPerformance() {
  locationtime += static_cast<std::int32_t>(kSendInterval);
  if (locationtime <= kScheduleEnd) {
    SendSOAP();
    return;
  }
  timer_.cancel();
  locationtime = 0;
}

void MainViewController::SendSOAP() {
  if (latitude == 0 && longitude == 0) return;  // no fix yet, or the last one failed
  std::string text = sosText(DateFormat::now(DateFormat::kDateTime), mAlarmID, accountPhone(),
                             longitude, latitude);
  if (!upload_) upload_ = std::make_unique<UploadLocation>();
  upload_->uploadCurrentLocation(text);
}

}  // namespace vokari
