#include "app/AppDelegate.h"

#include "alarm/MainViewController.h"
#include "core/VersionManage.h"
#include "platform/Platform.h"
#include "settings/UploadDeviceToken.h"
#include "storage/AccountManager.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

constexpr int kNotificationTypes = 7;  // badge, sound and alert

MainViewController* mainScreen(const std::shared_ptr<ui::Screen>& screen) {
  return dynamic_cast<MainViewController*>(screen.get());
}

}  // namespace

AppDelegate::AppDelegate() = default;
AppDelegate::~AppDelegate() = default;

bool AppDelegate::didFinishLaunchingWithOptions() {
  Platform& platform = Platform::current();
  ui::Ui& ui = ui::Ui::current();
  VersionManage::sharedVersionManage().dataInit();
  viewController = ui.screens->main();
  agreement = ui.screens->agreement(nlohmann::json(), "");
  login = ui.screens->login();
  // The main screen loads at launch even when the login screen is shown first, so its network
  // and location check runs in either case.
  if (viewController) viewController->loadViewIfNeeded();
  bool signedIn = AccountManager::sharedAccountManage().isLogin();
  auto root = signedIn ? viewController : login;
  if (root) ui.navigator->setRoot(root);
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

void AppDelegate::toNews() {
  if (!mainScreen(viewController) || !viewController->navigator()) return;
  if (auto news = ui::Ui::current().screens->news()) viewController->push(news);
}

void AppDelegate::applicationWillEnterForeground() {
  if (auto* main = mainScreen(viewController)) {
    main->setIsShowAlert(!main->isShowAlert());
    main->dismissAlerts();
  }
}

void AppDelegate::applicationDidBecomeActive() {
  if (auto* main = mainScreen(viewController)) main->checkNetAndLocation();
}

}  // namespace vokari
