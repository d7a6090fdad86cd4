// The two roads to the police news: the main screen's entry and a tapped notification.

#include <gtest/gtest.h>

#include "AppHarness.h"
#include "app/AppDelegate.h"
#include "app/AppScreens.h"
#include "storage/AccountManager.h"
#include "support/TestPlatform.h"
#include "transport/FakeHttpEngine.h"
#include "ui/Driver.h"

namespace vokari {
namespace {

struct NewsRoad : ::testing::Test, testing::AppHarness<> {
  std::string topTitle() { return toolkit.navigator.top() ? toolkit.navigator.top()->title : ""; }
  std::size_t newsFetches() {
    std::size_t n = 0;
    for (const auto& r : engine.requests()) n += r.url.find("getNewsForIos") != std::string::npos;
    return n;
  }
};

TEST_F(NewsRoad, ANotificationOpensTheNewsOverTheMainScreenHalfASecondLater) {
  ASSERT_TRUE(AccountManager::sharedAccountManage().signIn(
      "13800000001", {{"phone_number", "13800000001"}, {"password", "secret1"}}));
  app.didFinishLaunchingWithOptions();
  ASSERT_EQ(topTitle(), "LanzoVokari");
  app.didReceiveRemoteNotification({{"aps", {{"alert", "新警讯"}}}});
  platform.loop.advance(0.49);
  EXPECT_EQ(topTitle(), "LanzoVokari");
  platform.loop.advance(0.02);
  EXPECT_EQ(topTitle(), "警讯播报");
  EXPECT_EQ(newsFetches(), 1u);
  ASSERT_TRUE(driver.alert("好").ok);
  ASSERT_TRUE(driver.back().ok);
  ASSERT_TRUE(driver.press("警讯播报").ok);
  EXPECT_EQ(topTitle(), "警讯播报");
  EXPECT_EQ(newsFetches(), 2u);
}

TEST_F(NewsRoad, ANotificationWhileSignedOutOpensNothing) {
  app.didFinishLaunchingWithOptions();
  app.didReceiveRemoteNotification({{"aps", {{"alert", "新警讯"}}}});
  platform.loop.advance(1);
  EXPECT_NE(topTitle(), "警讯播报");
  EXPECT_EQ(newsFetches(), 0u);
}

}  // namespace
}  // namespace vokari
