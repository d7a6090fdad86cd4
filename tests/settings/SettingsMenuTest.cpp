#include "SettingsFixture.h"
#include "common/BookArea.h"
#include "settings/NewSettingViewController.h"

namespace vokari::testing {
namespace {

class SettingsMenuTest : public SettingsTest {
 protected:
  // Signed in (subscribed to the areas given, or to all), the menu over a main-screen marker.
  template <typename... Areas>
  std::shared_ptr<NewSettingViewController> open(Areas... areas) {
    signIn(areas...);
    auto root = std::make_shared<Marker>("main");
    toolkit.navigator.setRoot(root);
    auto menu = std::make_shared<NewSettingViewController>();
    root->push(menu);
    return menu;
  }
  std::string row(int section, int r) {
    auto* menu = dynamic_cast<NewSettingViewController*>(toolkit.navigator.top());
    return menu ? menu->table.sections[section].rows[r].text : "";
  }
};

TEST_F(SettingsMenuTest, AreaTableTranslatesInStoredOrderAndSkipsUnknownIds) {
  BookArea& areas = BookArea::sharedBookAreaManage();
  EXPECT_EQ(areas.getCurrentAreaWithIDs("4,2,12"),
            (std::vector<std::string>{"Cindral区", "Arveno区"}));
  EXPECT_EQ(areas.getAreaWithID(12), std::nullopt);
  EXPECT_EQ(areas.getAreaWithID(11), "Jovanne区");
  EXPECT_EQ(areas.getIDWithAreaName("Istrel区"), "10");
  EXPECT_EQ(areas.getIDWithAreaName("Nowhere"), "11");
  EXPECT_EQ(areas.getIdsWithAreaNames({"Dovask区", "Arveno区"}), "5,2");
  EXPECT_EQ(areas.getCurrentAreaString(), "");  // nobody signed in
}

TEST_F(SettingsMenuTest, RowsShowStoredValuesAndAreReadAgainOnReturn) {
  auto menu = open("4,2,12");
  EXPECT_EQ(menu->table.sections[0].heading, "手机号码设置");
  EXPECT_EQ(row(0, 0), kPhone);
  EXPECT_EQ(row(1, 0), "订阅区域:Cindral区,Arveno区");
  EXPECT_EQ(row(2, 3), "关于");

  ASSERT_TRUE(driver.press(row(1, 0)).ok);
  EXPECT_EQ(topTitle(), "areaSelect");
  ASSERT_TRUE(AccountManager::sharedAccountManage().updateAccountInfo({{"newsbookarea", "11"}}));
  ASSERT_TRUE(driver.back().ok);
  EXPECT_EQ(row(1, 0), "订阅区域:Jovanne区");

  AccountManager::sharedAccountManage().clearUserInfo();
  menu->viewWillAppear();
  EXPECT_EQ(row(0, 0), "尚未输入手机号");
}

TEST_F(SettingsMenuTest, EveryRowLeadsToItsScreen) {
  open();
  const std::vector<std::pair<std::string, std::string>> rows{{kPhone, "alarmNumber"},
                                                              {"安装协议", "agreement"},
                                                              {"意见反馈", "意见反馈"},
                                                              {"关于", "alarmHelp"}};
  for (const auto& [text, title] : rows) {
    ASSERT_TRUE(driver.press(text).ok) << text;
    EXPECT_EQ(topTitle(), title);
    ASSERT_TRUE(driver.back().ok);
    platform.loop.runUntilIdle();
  }
}

TEST_F(SettingsMenuTest, PersonalCentreOpensWithTheFirstPersonAndASecondPressCancelsTheFirst) {
  open();
  ASSERT_TRUE(driver.press("个人中心").ok);
  ASSERT_TRUE(driver.press("个人中心").ok);
  EXPECT_EQ(toolkit.hud.state().text, "正在获取个人信息...");
  ASSERT_EQ(engine.requests().size(), 2u);
  EXPECT_TRUE(engine.requests()[0].cancelled);
  EXPECT_EQ(lastBody("findInformation"),
            (nlohmann::json{{"LOGIN_NAME", kPhone}, {"PASSWORD", "secret1"}}));
  EXPECT_EQ(engine.requests()[1].timeOutSeconds, 20);

  engine.respond(
      1, FakeReply::json(
             R"({"STATES":"1","USER_LIST":[{"schedule_name":"A"},{"schedule_name":"B"}]})"));
  platform.loop.runUntilIdle();
  EXPECT_EQ(topTitle(), "personalCenter");
  ASSERT_EQ(screens.people.size(), 1u);
  EXPECT_EQ(screens.people[0]["schedule_name"], "A");
  EXPECT_FALSE(toolkit.hud.visible());
}

TEST_F(SettingsMenuTest, PersonalInformationFailuresShowTheirMessages) {
  open();
  const std::vector<std::pair<FakeReply, std::string>> cases{
      {FakeReply::json(R"({"STATES":"1","USER_LIST":[]})"), "获取个人信息失败"},
      {FakeReply::json("  "), "获取个人信息失败"},
      {FakeReply::failure(2), "获取个人信息失败，请检查网络"}};
  for (const auto& [reply, message] : cases) {
    engine.answerOnce("findInformation", reply);
    ASSERT_TRUE(driver.press("个人中心").ok);
    platform.loop.runUntilIdle();
    EXPECT_EQ(toolkit.hud.last()->text, message);
    EXPECT_EQ(toolkit.hud.last()->kind, ui::HudKind::Error);
    EXPECT_EQ(topTitle(), "设置");
    platform.loop.advance(2);
  }
  // Any other code shows nothing and stays.
  engine.answerOnce("findInformation", FakeReply::json(R"({"STATES":"3"})"));
  ASSERT_TRUE(driver.press("个人中心").ok);
  platform.loop.runUntilIdle();
  EXPECT_FALSE(toolkit.hud.visible());
  EXPECT_EQ(topTitle(), "设置");
}

TEST_F(SettingsMenuTest, AnomalyReplySignsOutAndShowsLogin) {
  open();
  engine.answerOnce("findInformation", FakeReply::json(R"({"STATES":"6"})"));
  ASSERT_TRUE(driver.press("个人中心").ok);
  platform.loop.runUntilIdle();
  EXPECT_EQ(toolkit.hud.last()->text, "账号异常");
  EXPECT_FALSE(AccountManager::sharedAccountManage().isLogin());
  EXPECT_EQ(topTitle(), "login");
}

TEST_F(SettingsMenuTest, LeavingCancelsThePersonalInformationRequestAndTakesItsOverlay) {
  open();
  ASSERT_TRUE(driver.press("个人中心").ok);
  ASSERT_EQ(toolkit.hud.state().text, "正在获取个人信息...");
  ASSERT_TRUE(driver.back().ok);
  EXPECT_TRUE(engine.requests().back().cancelled);
  EXPECT_FALSE(toolkit.hud.visible());
  EXPECT_EQ(topTitle(), "main");
}

// The user opened feedback while the personal information loaded: the reply must not push the
// personal centre over the screen the user chose since.
TEST_F(SettingsMenuTest, AReplyAfterTheUserWentElsewhereOpensNothing) {
  open();
  ASSERT_TRUE(driver.press("个人中心").ok);
  ASSERT_TRUE(driver.press("意见反馈").ok);
  ASSERT_EQ(topTitle(), "意见反馈");
  EXPECT_FALSE(toolkit.hud.visible());
  EXPECT_EQ(engine.respond(0, FakeReply::json(R"({"STATES":"1","USER_LIST":[{}]})")), false);
  platform.loop.runUntilIdle();
  EXPECT_EQ(topTitle(), "意见反馈");
  EXPECT_TRUE(screens.people.empty());

  // Back on the menu, the row works as before.
  ASSERT_TRUE(driver.back().ok);
  engine.answerOnce("findInformation", FakeReply::json(R"({"STATES":"1","USER_LIST":[{}]})"));
  ASSERT_TRUE(driver.press("个人中心").ok);
  platform.loop.runUntilIdle();
  EXPECT_EQ(topTitle(), "personalCenter");
}

}  // namespace
}  // namespace vokari::testing
