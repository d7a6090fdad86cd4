#include "alarm/AlarmNumber.h"

#include <gtest/gtest.h>

#include "common/ResendCountdown.h"
#include "storage/AccountManager.h"
#include "support/ScreenTest.h"

namespace vokari {
namespace {

constexpr const char* kPhone = "13800000001";
constexpr const char* kNewPhone = "13900000002";
constexpr const char* kOtherPhone = "13700000003";
const FakeReply kAccepted = FakeReply::json(R"({"STATES":"1"})");

struct AlarmNumberTest : testing::ScreenTest {
  AlarmNumberTest() {
    EXPECT_TRUE(AccountManager::sharedAccountManage().signIn(
        kPhone, {{"phone_number", kPhone}, {"password", "secret1"}}));
    auto menu = std::make_shared<testing::StandIn>("设置");
    toolkit.navigator.setRoot(menu);
    menu->push(std::make_shared<AlarmNumber>());
  }
  bool nextEnabled() const { return toolkit.navigator.top()->rightButton->enabled; }
};

TEST_F(AlarmNumberTest, RefusesBadOrUnchangedNumbersWithoutAskingForACode) {
  EXPECT_TRUE(driver.shows("注1：请使用1开头11位本机手机号码"));
  EXPECT_TRUE(driver.shows("注2：更换SIM卡时需重新输入。"));
  const std::vector<std::pair<std::string, std::string>> cases{
      {"139000000021", "请输入以1开头的11位数手机号码"},
      {"23900000002", "请输入以1开头的11位数手机号码"},
      {std::string(" ") + kNewPhone, "请输入以1开头的11位数手机号码"},
      {kPhone, "手机号码未更改"}};
  for (const auto& [typed, message] : cases) {
    ASSERT_TRUE(driver.type("手机号码", typed).ok);
    ASSERT_TRUE(driver.press("下一步").ok);
    ASSERT_NE(toolkit.alerts.top(), nullptr) << typed;
    EXPECT_EQ(toolkit.alerts.top()->title, "警告");
    EXPECT_EQ(alertMessage(), message) << typed;
    ASSERT_TRUE(driver.alert("确定").ok);
  }
  EXPECT_TRUE(http.requests().empty());

  ASSERT_TRUE(driver.type("手机号码", kNewPhone).ok);
  http.answerOnce("getCode", FakeReply::failure(2));
  ASSERT_TRUE(driver.press("下一步").ok);
  settle();
  EXPECT_EQ(lastHud(), "连接失败");
  EXPECT_TRUE(toolkit.navigator.top()->backEnabled);
  EXPECT_TRUE(nextEnabled());
  EXPECT_EQ(topTitle(), "手机号码");
}

// The code goes to the number as pressed; neither a second press nor back can cut its request
// short, and an edit while it runs does not change the number the change screen is for.
TEST_F(AlarmNumberTest, TheCodeScreenIsForTheNumberAsPressedWhateverIsTypedMeanwhile) {
  ASSERT_TRUE(driver.type("手机号码", kNewPhone).ok);
  ASSERT_TRUE(driver.press("下一步").ok);
  EXPECT_FALSE(driver.press("下一步").ok);  // disabled while the code is on its way
  EXPECT_FALSE(driver.back().ok);
  ASSERT_TRUE(driver.type("手机号码", kOtherPhone).ok);
  ASSERT_EQ(http.pending().size(), 1u);
  EXPECT_EQ(count("getCode"), 1u);
  EXPECT_EQ(lastBody("getCode"), (nlohmann::json{{"PHONE_NUMBER", kNewPhone}}));

  http.respond(http.pending()[0], kAccepted);
  settle();
  EXPECT_EQ(topTitle(), std::string("PHONE CHANGE ") + kNewPhone);
}

// A code asked for on the reset road went to the number typed there: only that number may skip
// its own code request; another one gets a code of its own.
TEST_F(AlarmNumberTest, ALiveCountdownSkipsTheCodeOnlyForTheNumberItWentTo) {
  storeCountdown(kTimeResetCodeKey, 30, kOtherPhone);
  ASSERT_TRUE(driver.type("手机号码", kNewPhone).ok);
  http.answerOnce("getCode", kAccepted);
  ASSERT_TRUE(driver.press("下一步").ok);
  settle();
  EXPECT_EQ(count("getCode"), 1u);
  EXPECT_EQ(lastBody("getCode"), (nlohmann::json{{"PHONE_NUMBER", kNewPhone}}));
  EXPECT_EQ(topTitle(), std::string("PHONE CHANGE ") + kNewPhone);

  ASSERT_TRUE(driver.back().ok);
  ASSERT_TRUE(driver.type("手机号码", kOtherPhone).ok);
  ASSERT_TRUE(driver.press("下一步").ok);
  EXPECT_EQ(count("getCode"), 1u);  // its code is still valid
  EXPECT_EQ(topTitle(), std::string("PHONE CHANGE ") + kOtherPhone);
}

}  // namespace
}  // namespace vokari
