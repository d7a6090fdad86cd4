#include "app/AppDelegate.h"

#include <gtest/gtest.h>

#include "AppHarness.h"
#include "alarm/MainViewController.h"
#include "app/AppScreens.h"
#include "core/SystemInfo.h"
#include "platform/FileManager.h"
#include "reports/KeptReports.h"
#include "storage/AccountManager.h"
#include "support/TestPlatform.h"
#include "transport/FakeHttpEngine.h"
#include "ui/Driver.h"

namespace vokari {
namespace {

struct AppFixture : ::testing::Test, testing::AppHarness<> {
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

// A client killed while the report went out, or whose reply was lost: the pair was kept when it
// was given, and the next start tells it before anything else.
TEST_F(AppFixture, TheIdAndPasswordOfAnInterruptedReportAreToldAtTheNextStart) {
  platform.settings.set("version", "2.0.0");
  signIn("13800000001");
  ASSERT_TRUE(KeptReports::keep(platform.documents() + "/13800000001/ReportPath", {"Q7", "P7"}));
  app.didFinishLaunchingWithOptions();
  EXPECT_EQ(rootTitle(), "LanzoVokari");
  ASSERT_TRUE(toolkit.alerts.top());
  EXPECT_EQ(toolkit.alerts.top()->title, "请记录");
  EXPECT_EQ(toolkit.alerts.top()->message, "查询ID:Q7\n密码:P7");
  ASSERT_TRUE(driver.alert("好").ok);
  EXPECT_TRUE(KeptReports::read(platform.documents() + "/13800000001/ReportPath").empty());
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
  app.didRegisterForRemoteNotificationsWithDeviceToken(
      std::string("\x01\xab\xcd\xef\x10\x20\x30\x40", 8));
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
  app.applicationDidBecomeActive();  // so the check runs again
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

// The application's factory, with a news screen this build may not have yet.
struct WithNews final : ui::Screens {
  AppScreens app;
  std::shared_ptr<ui::Screen> login() override { return app.login(); }
  std::shared_ptr<ui::Screen> main() override { return app.main(); }
  std::shared_ptr<ui::Screen> agreement(const nlohmann::json& a, const std::string& p) override {
    return app.agreement(a, p);
  }
  std::shared_ptr<ui::Screen> news() override { return std::make_shared<ui::Screen>("NEWS"); }
};

struct InRunLogin : ::testing::Test, testing::AppHarness<WithNews> {};

// Signing in during a run presents a new main screen; the hooks and notifications must reach
// that one, not the one made at launch, which is never shown.
TEST_F(InRunLogin, TheHooksAndNotificationsActOnTheMainScreenThatIsShown) {
  app.didFinishLaunchingWithOptions();
  ui::Screen* launched = app.viewController.get();
  engine.answer("!login", FakeReply::json(R"({"STATES":"1"})"));
  engine.answer("findInformation", FakeReply::json(R"({"STATES":"1","USER_LIST":[]})"));
  ASSERT_TRUE(driver.type("请输入手机号", "13800000001").ok);
  ASSERT_TRUE(driver.type("请输入密码", "secret1").ok);
  ASSERT_TRUE(driver.press("登录").ok);
  platform.loop.runUntilIdle();
  platform.loop.advance(1.0);
  auto* shown = dynamic_cast<MainViewController*>(toolkit.navigator.top());
  ASSERT_NE(shown, nullptr);
  ASSERT_NE(shown, launched);

  app.didReceiveRemoteNotification({{"aps", {{"alert", "新警讯"}}}});
  ASSERT_TRUE(driver.alert("好").ok);
  platform.loop.advance(0.5);
  EXPECT_EQ(toolkit.navigator.top()->title, "NEWS");
  EXPECT_EQ(toolkit.navigator.indexInStack(*shown), 0);
  EXPECT_EQ(toolkit.navigator.stack(1).size(), 2u);  // pushed on the shown main screen's stack
  ASSERT_TRUE(driver.back().ok);

  platform.reachability.setReachable(false);
  app.applicationDidBecomeActive();
  ASSERT_NE(toolkit.alerts.top(), nullptr);
  EXPECT_EQ(toolkit.alerts.top()->message, "网络不给力");
  EXPECT_TRUE(shown->isShowAlert());
  app.applicationWillEnterForeground();
  EXPECT_FALSE(shown->isShowAlert());
  EXPECT_EQ(toolkit.alerts.top(), nullptr);
  EXPECT_EQ(app.viewController.get(), shown);
}

}  // namespace
}  // namespace vokari
