#include "common/AccountAnomaly.h"

#include <gtest/gtest.h>

#include "storage/AccountManager.h"
#include "support/ScreenTest.h"

namespace vokari {
namespace {

using Anomaly = testing::ScreenTest;

TEST_F(Anomaly, TellsSignsOutAndShowsTheLoginScreenInANewStack) {
  AccountManager& accounts = AccountManager::sharedAccountManage();
  ASSERT_TRUE(accounts.signIn("13800000000", {{"password", "secret1"}}));
  auto screen = std::make_shared<testing::StandIn>("预约");
  toolkit.navigator.setRoot(screen);

  accountAnomaly(*screen);

  EXPECT_EQ(lastHud(), "账号异常");
  EXPECT_EQ(toolkit.hud.last()->kind, ui::HudKind::Error);
  EXPECT_EQ(lastHudDuration(), 0.8);
  EXPECT_FALSE(accounts.isLogin());
  EXPECT_EQ(toolkit.navigator.stackCount(), 2u);
  EXPECT_EQ(topTitle(), "LOGIN");
  advance(0.8);
  EXPECT_FALSE(toolkit.hud.visible());
}

}  // namespace
}  // namespace vokari
