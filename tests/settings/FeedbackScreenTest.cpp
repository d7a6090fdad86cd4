#include "SettingsFixture.h"
#include "settings/YIjianVC.h"

namespace vokari::testing {
namespace {

class FeedbackScreenTest : public SettingsTest {
 protected:
  void SetUp() override {
    signIn();
    toolkit.navigator.setRoot(std::make_shared<YIjianVC>());
  }
  void send(const std::string& opinion) {
    ASSERT_TRUE(driver.type("意见描述", opinion).ok);
    ASSERT_TRUE(driver.press("提交").ok);
  }
};

TEST_F(FeedbackScreenTest, BlankOpinionIsRefusedButLineBreaksAreSent) {
  send("  \t ");
  EXPECT_EQ(lastAlert(), "意见为空");
  EXPECT_TRUE(engine.requests().empty());
  ASSERT_TRUE(driver.alert("好").ok);

  send("\n\n");
  ASSERT_EQ(engine.requests().size(), 1u);
  EXPECT_EQ(lastBody("getClientInformation")["MESSAGE"], "\n\n");
}

TEST_F(FeedbackScreenTest, DefaultsAreOtherModuleAndSatisfiedAndTheOtherBoxSendsAverage) {
  EXPECT_TRUE(driver.shows("请选择功能模块"));
  send(" slow ");
  auto body = lastBody("getClientInformation");
  EXPECT_EQ(body["TYPE"], "其他");
  EXPECT_EQ(body["APK_AGREEMENT"], "满意");
  EXPECT_EQ(body["MESSAGE"], " slow ");  // sent as typed
  EXPECT_EQ(body["PHONE_NUMBER"], kPhone);

  engine.respond(engine.pending().back(), FakeReply::failure(2));
  platform.loop.runUntilIdle();
  ASSERT_TRUE(driver.press("不满意").ok);
  ASSERT_TRUE(driver.press("提交").ok);
  EXPECT_EQ(lastBody("getClientInformation")["APK_AGREEMENT"], "一般");
}

TEST_F(FeedbackScreenTest, ChosenModuleIsSentAndClosingThePanelKeepsIt) {
  ASSERT_TRUE(driver.press("模块位置").ok);
  ASSERT_TRUE(driver.shows("选择功能模块"));
  ASSERT_TRUE(driver.alert("警讯播报").ok);
  EXPECT_TRUE(driver.shows("警讯播报"));
  ASSERT_TRUE(driver.press("模块位置").ok);
  ASSERT_TRUE(driver.alert("取消").ok);
  send("x");
  EXPECT_EQ(lastBody("getClientInformation")["TYPE"], "警讯播报");
}

TEST_F(FeedbackScreenTest, SendingBlocksTouchesThenClearsOnSuccessOrKeepsTextOnFailure) {
  send("first");
  EXPECT_EQ(toolkit.hud.state().text, "正在发送");
  EXPECT_TRUE(toolkit.hud.state().blocksTouches);
  engine.respond(engine.pending().back(), FakeReply::json(R"({"STATES":"SUCCESS"})"));
  platform.loop.runUntilIdle();
  EXPECT_FALSE(toolkit.hud.visible());
  EXPECT_FALSE(driver.shows("first"));

  send("second");
  engine.respond(engine.pending().back(), FakeReply::json(R"({"STATES":"0"})"));
  platform.loop.runUntilIdle();
  EXPECT_EQ(toolkit.hud.state().text, "发送失败");
  EXPECT_EQ(toolkit.hud.history().back().duration, 1.0);
  EXPECT_TRUE(driver.shows("second"));
}

}  // namespace
}  // namespace vokari::testing
