#include <gtest/gtest.h>

#include "LoginAndRegister/Reset/ResetAuthCodeViewController.h"
#include "LoginAndRegister/Reset/ResetPasswordViewController.h"
#include "common/ResendCountdown.h"
#include "support/ScreenTest.h"

namespace vokari {
namespace {

constexpr const char* kPhone = "13800000001";
constexpr const char* kOtherPhone = "13900000002";
const FakeReply kAccepted = FakeReply::json(R"({"STATES":"1"})");

struct ResetPassword : testing::ScreenTest {
  ResetPassword() {
    toolkit.navigator.setRoot(std::make_shared<testing::StandIn>("LOGIN"));
    toolkit.navigator.top()->present(std::make_shared<ResetPasswordViewController>());
  }
  void toVerification(const std::string& phone = kPhone) {
    ASSERT_TRUE(driver.type("手机号", phone).ok);
    http.answerOnce("modifyPasswordCode", kAccepted);
    ASSERT_TRUE(driver.press("下一步").ok);
    settle();
    advance(1.0);
    ASSERT_EQ(topTitle(), "完成修改");
  }
  ResetAuthCodeViewController* verification() {
    return dynamic_cast<ResetAuthCodeViewController*>(toolkit.navigator.top());
  }
};

TEST_F(ResetPassword, ARefusalKeepsBothInputsAndAnAcceptedChangeReturnsToLogin) {
  toVerification();
  EXPECT_EQ(lastBody("modifyPasswordCode"),
            (nlohmann::json{{"LOGIN_NAME", kPhone}, {"PASSWORD", "0"}}));
  ASSERT_TRUE(driver.type("请输入短信验证码", "4321").ok);
  ASSERT_TRUE(driver.type("密码", "newpass1").ok);
  http.answerOnce("modifyPassword.action", FakeReply::json(R"({"STATES":"0"})"));
  ASSERT_TRUE(driver.press("修改密码").ok);
  settle();
  EXPECT_EQ(lastHud(), "修改密码失败");
  ASSERT_NE(verification(), nullptr);
  EXPECT_EQ(verification()->txAuthCodeInput.text, "4321");
  EXPECT_EQ(verification()->txNewPwdInput.text, "newpass1");
  EXPECT_EQ(lastBody("modifyPassword"),
            (nlohmann::json{{"LOGIN_NAME", kPhone}, {"PASSWORD", "newpass1"}, {"CODE", "4321"}}));

  http.answerOnce("modifyPassword.action", kAccepted);
  ASSERT_TRUE(driver.press("修改密码").ok);
  settle();
  EXPECT_EQ(lastHud(), "修改密码成功");
  EXPECT_EQ(topTitle(), "LOGIN");
  EXPECT_EQ(toolkit.navigator.stackCount(), 1u);
}

TEST_F(ResetPassword, TheFormChecksTheNumberAndTheScreenTheNewPassword) {
  ASSERT_TRUE(driver.type("手机号", "1380000000").ok);
  ASSERT_TRUE(driver.press("下一步").ok);
  EXPECT_EQ(lastHud(), "请输入以1开头的11位手机号码！");
  EXPECT_TRUE(http.requests().empty());

  advance(2);
  toVerification();
  ASSERT_TRUE(driver.press("修改密码").ok);
  EXPECT_EQ(alertMessage(), "请输入验证码");
  ASSERT_TRUE(driver.alert("好").ok);
  ASSERT_TRUE(driver.type("请输入短信验证码", "1").ok);
  ASSERT_TRUE(driver.type("密码", "12345").ok);
  ASSERT_TRUE(driver.press("修改密码").ok);
  EXPECT_EQ(lastHud(), "请输入6-30位长度密码！");
  EXPECT_EQ(count("modifyPassword"), 0u);
}

// The service spends the code on the first request: a second press (or back) must not cancel
// it and send another that would be refused while the change went through.
TEST_F(ResetPassword, ADoublePressSendsOneChangeAndItsSuccessIsShown) {
  toVerification();
  ASSERT_TRUE(driver.type("请输入短信验证码", "4321").ok);
  ASSERT_TRUE(driver.type("密码", "newpass1").ok);
  ASSERT_TRUE(driver.press("修改密码").ok);
  EXPECT_FALSE(driver.press("修改密码").ok);
  EXPECT_FALSE(driver.back().ok);
  ASSERT_EQ(count("modifyPassword"), 1u);
  EXPECT_FALSE(http.requests().back().cancelled);

  http.respond(http.pending().at(0), kAccepted);
  settle();
  EXPECT_EQ(lastHud(), "修改密码成功");
  EXPECT_EQ(topTitle(), "LOGIN");
}

TEST_F(ResetPassword, TheCodeScreenIsForTheNumberAsPressedAndOneCodeGoesOut) {
  ASSERT_TRUE(driver.type("手机号", kPhone).ok);
  ASSERT_TRUE(driver.press("下一步").ok);
  ASSERT_TRUE(driver.type("手机号", kOtherPhone).ok);  // edited while the code is on its way
  http.respond(http.pending().at(0), kAccepted);
  settle();
  EXPECT_FALSE(driver.press("下一步").ok);  // still off in the second before the screen opens
  advance(1.0);
  ASSERT_NE(verification(), nullptr);
  EXPECT_EQ(verification()->strPhone, kPhone);
  EXPECT_EQ(count("modifyPasswordCode"), 1u);
}

TEST_F(ResetPassword, ALiveCountdownSkipsTheCodeOnlyForItsOwnNumber) {
  storeCountdown(kTimeResetCodeKey, 30, kOtherPhone);
  toVerification(kPhone);  // another number: a code of its own, counted from 60
  EXPECT_EQ(count("modifyPasswordCode"), 1u);
  EXPECT_EQ(verification()->countdown().timeCode(), 60);

  advance(20);
  ASSERT_TRUE(driver.back().ok);  // keeps 40 for kPhone
  ASSERT_TRUE(driver.type("手机号", kPhone).ok);
  ASSERT_TRUE(driver.press("下一步").ok);
  ASSERT_NE(verification(), nullptr);
  EXPECT_EQ(count("modifyPasswordCode"), 1u);
  EXPECT_EQ(verification()->countdown().timeCode(), 40);
}

}  // namespace
}  // namespace vokari
