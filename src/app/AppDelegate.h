#pragma once
// The application object: the launch sequence that chooses the first screen, push-token
// arrival, notification receipt, and the foreground and activation hooks. Main thread only.

#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/RunLoop.h"
#include "ui/Screen.h"

namespace vokari {

class UploadDeviceToken;

class AppDelegate final {
 public:
  AppDelegate();
  ~AppDelegate();
  AppDelegate(const AppDelegate&) = delete;
  AppDelegate& operator=(const AppDelegate&) = delete;

  bool didFinishLaunchingWithOptions();
  // The token as raw bytes, as the push service delivers it.
  void didRegisterForRemoteNotificationsWithDeviceToken(const std::string& token);
  void didFailToRegisterForRemoteNotificationsWithError() {}
  void didReceiveRemoteNotification(const nlohmann::json& payload);
  void applicationWillEnterForeground();
  void applicationDidBecomeActive();
  void applicationWillResignActive() {}
  void applicationDidEnterBackground() {}
  void applicationWillTerminate() {}
  // Opens the news list on top of the main screen, when the main screen is on a stack.
  void toNews();

  // The main screen the hooks act on: the one shown, that is the topmost on the navigator (a
  // sign-in during the run presents a new one), else the one made at launch. Kept in
  // viewController.
  ui::Screen* mainScreen();

  std::shared_ptr<ui::Screen>
      viewController;  // the main screen: made at launch, then the shown one
  std::shared_ptr<ui::Screen> agreement;
  std::shared_ptr<ui::Screen> login;
  std::unique_ptr<UploadDeviceToken> upload;
  std::optional<std::string> token;  // raw bytes, as last delivered in this run

  // The "%@" form of a token: lower-case hex in blocks of 8 digits inside angle brackets.
  static std::string printedToken(const std::string& bytes);

 private:
  Timer toNewsTimer_;
};

}  // namespace vokari
