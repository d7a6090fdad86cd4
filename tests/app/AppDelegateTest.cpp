#include "app/AppDelegate.h"

#include <gtest/gtest.h>

#include "app/AppScreens.h"
#include "core/SystemInfo.h"
#include "platform/FileManager.h"
#include "storage/AccountManager.h"
#include "support/TestPlatform.h"
#include "transport/FakeHttpEngine.h"
#include "ui/Driver.h"

namespace vokari {
namespace {

struct AppFixture : ::testing::Test {
  testing::TestPlatform platform;
  FakeHttpEngine engine;
  AppScreens screens;
  ui::Toolkit toolkit{platform.loop, screens};
  ui::Driver driver{toolkit.ui};
  AppDelegate app;

  void signIn(const std::string& phone) {
    ASSERT_TRUE(AccountManager::sharedAccountManage().signIn(
        phone, {{"phone_number", phone}, {"password", "secret1"}}));
  }
  std::string rootTitle() { return toolkit.navigator.stack(0).front()->title; }
};

TEST_F(AppFixture, LaunchShowsTheLoginScreenWhenNobodyIsSignedInAndRegistersForNotifications) {
  EXPECT_TRUE(app.didFinishLaunchingWithOptions());
  EXPECT_EQ(rootTitle(), "登录");
  EXPECT_EQ(platform.push.types, 7);
  EXPECT_EQ(platform.push.remoteRegistrations, 1);
  EXPECT_EQ(platform.settings.get("version"), "2.0.0");
  // The main screen is made and loaded even so.
  ASSERT_TRUE(app.viewController);
  EXPECT_TRUE(app.viewController->isViewLoaded());
}

TEST_F(AppFixture, LaunchShowsTheMainScreenWhenSignedInAndKeepsDataAfterTheFirstStart) {
  platform.settings.set("version", "2.0.0");  // not the first start of this version
  signIn("13800000001");
  std::string folder = platform.documents() + "/13800000001";
  ASSERT_TRUE(FileManager::fileExistsAtPath(folder + "/13800000001.db"));
  app.didFinishLaunchingWithOptions();
  EXPECT_EQ(rootTitle(), "LanzoVokari");
  EXPECT_EQ(toolkit.navigator.stack(0).front(), app.viewController);
  EXPECT_TRUE(FileManager::fileExistsAtPath(folder + "/13800000001.db"));
}

TEST_F(AppFixture, AnUpgradeEmptiesDocumentsOnceButKeepsTheSignedInUser) {
  platform.settings.set("version", "1.9.9");
  signIn("13800000001");
  app.didFinishLaunchingWithOptions();
  EXPECT_EQ(rootTitle(), "LanzoVokari");
  // The folders are made again, empty: the old database is gone.
  EXPECT_TRUE(FileManager::fileExistsAtPath(platform.documents() + "/13800000001/PictureClue"));
  EXPECT_FALSE(FileManager::fileExistsAtPath(platform.documents() + "/13800000001/13800000001.db"));
  EXPECT_EQ(platform.settings.get("version"), "2.0.0");
}

TEST_F(AppFixture, TheTokenIsUploadedAndKeptInItsPrintedForm) {
  app.didFinishLaunchingWithOptions();
  app.didRegisterForRemoteNotificationsWithDeviceToken(std::string("\x01\xab\xcd\xef\x10\x20\x30\x40", 8));
  EXPECT_EQ(platform.settings.get("token"), "<01abcdef 10203040>");
  const RecordedRequest* upload = engine.last("getToken");
  ASSERT_NE(upload, nullptr);
  EXPECT_EQ(upload->body, R"({"NUM":"0","TOKEN":"01abcdef 10203040"})");
}

TEST_F(AppFixture, ANotificationAlertsAndOpensNewsOnlyWhenSignedIn) {
  app.didFinishLaunchingWithOptions();
  platform.push.badge = 5;
  app.didReceiveRemoteNotification({{"aps", {{"alert", "新警讯"}}}});
  EXPECT_EQ(platform.push.badge, 0);
  EXPECT_TRUE(platform.push.idleTimerDisabled);
  ASSERT_NE(toolkit.alerts.top(), nullptr);
  EXPECT_EQ(toolkit.alerts.top()->message, "新警讯");
  EXPECT_EQ(engine.last("getToken"), nullptr);  // no token delivered in this run yet
  driver.alert("好");
  app.didReceiveRemoteNotification(nlohmann::json::object());  // no "aps": an empty message
  ASSERT_NE(toolkit.alerts.top(), nullptr);
  EXPECT_EQ(toolkit.alerts.top()->message, "");
}

TEST_F(AppFixture, ReturningToTheForegroundInvertsTheWarningFlagAndClosesTheWarnings) {
  platform.reachability.setReachable(false);
  app.didFinishLaunchingWithOptions();
  ASSERT_NE(toolkit.alerts.top(), nullptr);
  EXPECT_EQ(toolkit.alerts.top()->message, "网络不给力");
  app.applicationWillEnterForeground();  // warning showing: flag cleared, alert closed
  EXPECT_EQ(toolkit.alerts.top(), nullptr);
  app.applicationDidBecomeActive();      // so the check runs again
  ASSERT_NE(toolkit.alerts.top(), nullptr);
  driver.alert("好");  // closing the warning leaves the flag set: later checks stay quiet
  app.applicationDidBecomeActive();
  EXPECT_EQ(toolkit.alerts.top(), nullptr);
  app.applicationWillEnterForeground();  // no warning showing: the flag is cleared again
  platform.reachability.setReachable(true);
  app.applicationDidBecomeActive();
  EXPECT_EQ(toolkit.alerts.top(), nullptr);
  app.applicationWillEnterForeground();  // after a good check the inversion suppresses the next
  platform.reachability.setReachable(false);
  app.applicationDidBecomeActive();
  EXPECT_EQ(toolkit.alerts.top(), nullptr);
}

}  // namespace
}  // namespace vokari
