#include "app/AppDelegate.h"

#include "alarm/MainViewController.h"
#include "core/VersionManage.h"
#include "platform/Platform.h"
#include "reports/KeptReports.h"
#include "settings/UploadDeviceToken.h"
#include "storage/AccountManager.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

constexpr int kNotificationTypes = 7;  // badge, sound and alert

MainViewController* asMain(ui::Screen* screen) {
  return dynamic_cast<MainViewController*>(screen);
}

// The main screen nearest the top of the navigator, if any is on it.
std::shared_ptr<ui::Screen> topmostMain(const ui::Navigator& navigator) {
  for (std::size_t s = navigator.stackCount(); s-- > 0;) {
    const auto& stack = navigator.stack(s);
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
      if (asMain(it->get())) return *it;
    }
  }
  return nullptr;
}

}  // namespace

AppDelegate::AppDelegate() = default;
AppDelegate::~AppDelegate() = default;

bool AppDelegate::didFinishLaunchingWithOptions() {
  Platform& platform = Platform::current();
  ui::Ui& ui = ui::Ui::current();
  VersionManage::sharedVersionManage().dataInit();
  // A phone change cut short last time is finished before anyone asks who is signed in; one that
  // still cannot be finished is tried again at the next start.
  static_cast<void>(AccountManager::sharedAccountManage().finishPhoneChange());
  viewController = ui.screens->main();
  agreement = ui.screens->agreement(nlohmann::json(), "");
  login = ui.screens->login();
  // The main screen loads at launch even when the login screen is shown first, so its network
  // and location check runs in either case.
  if (viewController) viewController->loadViewIfNeeded();
  bool signedIn = AccountManager::sharedAccountManage().isLogin();
  auto root = signedIn ? viewController : login;
  if (root) ui.navigator->setRoot(root);
  // Reports interrupted after their ID was given last time (a kill, a lost reply) are told now.
  if (signedIn) KeptReports::showAll(VersionManage::sharedVersionManage().reportPath);
  platform.push->registerUserNotificationTypes(kNotificationTypes);
  platform.push->registerForRemoteNotifications();
  platform.push->setBadgeNumber(0);
  return true;
}

std::string AppDelegate::printedToken(const std::string& bytes) {
  static const char* hex = "0123456789abcdef";
  std::string out = "<";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0 && i % 4 == 0) out += ' ';
    auto b = static_cast<unsigned char>(bytes[i]);
    out += hex[b >> 4];
    out += hex[b & 15];
  }
  return out + ">";
}

void AppDelegate::didRegisterForRemoteNotificationsWithDeviceToken(const std::string& bytes) {
  if (!upload) upload = std::make_unique<UploadDeviceToken>();
  upload->uploadDeviceToken(printedToken(bytes), "0");
  token = bytes;
  SettingsStore& settings = *Platform::current().settings;
  settings.set("token", printedToken(bytes));
  // Not flushed, the token still serves this run and the push service delivers it at every launch.
  static_cast<void>(settings.synchronize());
}

void AppDelegate::didReceiveRemoteNotification(const nlohmann::json& payload) {
  Platform& platform = Platform::current();
  platform.push->setBadgeNumber(0);
  if (upload) {
    upload->uploadDeviceToken(platform.settings->get("token").value_or(""),
                              std::to_string(platform.push->badgeNumber()));
  }
  std::string message;
  if (payload.is_object() && payload.contains("aps") && payload["aps"].is_object()) {
    const auto& alert = payload["aps"].value("alert", nlohmann::json());
    if (alert.is_string()) message = alert.get<std::string>();
  }
  ui::Ui::current().alerts->show({"", message, {"好"}});
  if (AccountManager::sharedAccountManage().isLogin()) {
    toNewsTimer_ = platform.loop->after(0.5, [this] { toNews(); });
  }
  platform.push->setIdleTimerDisabled(true);
}

// The screens move between main screens without telling us (a login presents a new one), so the
// shown one is looked up each time it is needed.
ui::Screen* AppDelegate::mainScreen() {
  if (auto shown = topmostMain(*ui::Ui::current().navigator)) viewController = std::move(shown);
  return asMain(viewController.get());
}

void AppDelegate::toNews() {
  ui::Screen* main = mainScreen();
  if (!main || !main->navigator()) return;
  if (auto news = ui::Ui::current().screens->news()) main->push(news);
}

void AppDelegate::applicationWillEnterForeground() {
  if (auto* main = asMain(mainScreen())) {
    main->setIsShowAlert(!main->isShowAlert());
    main->dismissAlerts();
  }
}

void AppDelegate::applicationDidBecomeActive() {
  if (auto* main = asMain(mainScreen())) main->checkNetAndLocation();
}

}  // namespace vokari
