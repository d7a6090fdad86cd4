#include <filesystem>

#include "LoginAndRegister/PhoneNumberSetViewController.h"
#include "LoginAndRegister/Reset/ResetAuthCodeViewController.h"
#include "LoginAndRegister/Reset/ResetPasswordViewController.h"
#include "SettingsFixture.h"
#include "alarm/AlarmNumber.h"

namespace vokari::testing {
namespace {

const char* const kNewPhone = "13900000002";
const FakeReply kAccepted = FakeReply::json(R"({"STATES":"1"})");

class AccountRoadsTest : public SettingsTest {
 protected:
  void startReset(const std::string& phone) {
    auto login = std::make_shared<Marker>("login");
    toolkit.navigator.setRoot(login);
    login->present(std::make_shared<ResetPasswordViewController>());
    ASSERT_TRUE(driver.type("手机号", phone).ok);
    engine.answerOnce("modifyPasswordCode", kAccepted);
    ASSERT_TRUE(driver.press("下一步").ok);
    platform.loop.runUntilIdle();
    platform.loop.advance(1.0);
    ASSERT_EQ(topTitle(), "完成修改");
  }
  void openAlarmNumber() {
    auto menu = std::make_shared<Marker>("设置");
    toolkit.navigator.setRoot(menu);
    menu->push(std::make_shared<AlarmNumber>());
  }
  template <typename T>
  T* top() {
    return dynamic_cast<T*>(toolkit.navigator.top());
  }
  std::string documents(const std::string& part) { return platform.documents() + "/" + part; }
};

TEST_F(AccountRoadsTest, RefusedResetKeepsBothInputsAndAcceptedOneReturnsToLogin) {
  startReset(kPhone);
  EXPECT_EQ(lastBody("modifyPasswordCode"),
            (nlohmann::json{{"LOGIN_NAME", kPhone}, {"PASSWORD", "0"}}));
  ASSERT_TRUE(driver.type("请输入短信验证码", "4321").ok);
  ASSERT_TRUE(driver.type("密码", "newpass1").ok);
  engine.answerOnce("modifyPassword.action", FakeReply::json(R"({"STATES":"0"})"));
  ASSERT_TRUE(driver.press("修改密码").ok);
  platform.loop.runUntilIdle();
  EXPECT_EQ(toolkit.hud.last()->text, "修改密码失败");
  auto* screen = top<ResetAuthCodeViewController>();
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(screen->txAuthCodeInput.text, "4321");
  EXPECT_EQ(screen->txNewPwdInput.text, "newpass1");
  EXPECT_EQ(lastBody("modifyPassword.action"),
            (nlohmann::json{{"LOGIN_NAME", kPhone}, {"PASSWORD", "newpass1"}, {"CODE", "4321"}}));

  engine.answerOnce("modifyPassword.action", kAccepted);
  ASSERT_TRUE(driver.press("修改密码").ok);
  platform.loop.runUntilIdle();
  EXPECT_EQ(toolkit.hud.last()->text, "修改密码成功");
  EXPECT_EQ(topTitle(), "login");
  EXPECT_EQ(toolkit.navigator.stackCount(), 1u);
}

TEST_F(AccountRoadsTest, ResetFormChecksTheNumberAndTheNewPassword) {
  auto login = std::make_shared<Marker>("login");
  toolkit.navigator.setRoot(login);
  login->present(std::make_shared<ResetPasswordViewController>());
  ASSERT_TRUE(driver.type("手机号", "1380000000").ok);
  ASSERT_TRUE(driver.press("下一步").ok);
  EXPECT_EQ(toolkit.hud.last()->text, "请输入以1开头的11位手机号码！");
  EXPECT_TRUE(engine.requests().empty());

  platform.loop.advance(2);
  startReset(kPhone);
  ASSERT_TRUE(driver.press("修改密码").ok);
  EXPECT_EQ(lastAlert(), "请输入验证码");
  ASSERT_TRUE(driver.alert("好").ok);
  ASSERT_TRUE(driver.type("请输入短信验证码", "1").ok);
  ASSERT_TRUE(driver.type("密码", "12345").ok);
  ASSERT_TRUE(driver.press("修改密码").ok);
  EXPECT_EQ(toolkit.hud.last()->text, "请输入6-30位长度密码！");
  EXPECT_EQ(engine.last("modifyPassword.action"), nullptr);
}

TEST_F(AccountRoadsTest, CountdownLeftOnTheResetRoadLetsThePhoneRoadSkipItsCode) {
  startReset(kPhone);
  platform.loop.advance(30);
  ASSERT_EQ(top<ResetAuthCodeViewController>()->countdown().timeCode(), 30);
  ASSERT_TRUE(driver.back().ok);
  platform.loop.advance(10);

  signIn();
  openAlarmNumber();
  const std::size_t before = engine.requests().size();
  ASSERT_TRUE(driver.type("手机号码", kNewPhone).ok);
  ASSERT_TRUE(driver.press("下一步").ok);
  EXPECT_EQ(engine.requests().size(), before);  // no new code asked
  auto* change = top<PhoneNumberSetViewController>();
  ASSERT_NE(change, nullptr);
  EXPECT_EQ(change->strNewPhoneNum, kNewPhone);
  EXPECT_EQ(change->countdown().timeCode(), 30);
  EXPECT_TRUE(driver.shows("重发验证码(30)"));
}

TEST_F(AccountRoadsTest, AcceptedPhoneChangeMovesFolderAndDatabaseAndKeepsTheAccount) {
  signIn("4,2");
  openAlarmNumber();
  ASSERT_TRUE(driver.type("手机号码", kNewPhone).ok);
  engine.answerOnce("getCode", kAccepted);
  ASSERT_TRUE(driver.press("下一步").ok);
  EXPECT_FALSE(toolkit.navigator.top()->backEnabled);  // while the code request runs
  platform.loop.runUntilIdle();
  ASSERT_NE(top<PhoneNumberSetViewController>(), nullptr);
  EXPECT_EQ(lastBody("getCode"), (nlohmann::json{{"PHONE_NUMBER", kNewPhone}}));

  ASSERT_TRUE(driver.press("提交").ok);
  EXPECT_EQ(toolkit.alerts.history().back().model.title, "温馨提示");
  ASSERT_TRUE(driver.alert("好").ok);
  ASSERT_TRUE(driver.type("请输入短信验证码", "5555").ok);
  engine.answerOnce("changePhonenumber", FakeReply::json(R"({"STATES":"0"})"));
  ASSERT_TRUE(driver.press("提交").ok);
  platform.loop.runUntilIdle();
  EXPECT_EQ(toolkit.hud.last()->text, "修改失败");
  EXPECT_EQ(stored("phone_number"), kPhone);

  engine.answerOnce("changePhonenumber", kAccepted);
  ASSERT_TRUE(driver.press("提交").ok);
  platform.loop.runUntilIdle();
  EXPECT_EQ(lastBody("changePhonenumber"), (nlohmann::json{{"OLD_PHONE_NUMBER", kPhone},
                                                           {"NEW_PHONE_NUMBER", kNewPhone},
                                                           {"PASSWORD", "secret1"},
                                                           {"CODE", "5555"}}));
  EXPECT_EQ(topTitle(), "手机号码");
  EXPECT_EQ(toolkit.hud.history().back().text, "修改成功");
  EXPECT_FALSE(std::filesystem::exists(documents(kPhone)));
  EXPECT_TRUE(std::filesystem::exists(documents(std::string(kNewPhone) + "/" + kNewPhone + ".db")));
  EXPECT_EQ(AccountManager::currentUser(), kNewPhone);
  EXPECT_EQ(stored("phone_number"), kNewPhone);
  EXPECT_EQ(stored("password"), "secret1");
  EXPECT_EQ(stored("newsbookarea"), "4,2");
}

TEST_F(AccountRoadsTest, AlarmNumberRefusesBadOrUnchangedNumbersWithoutAskingForACode) {
  signIn();
  openAlarmNumber();
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
    EXPECT_EQ(toolkit.alerts.top()->message, message) << typed;
    ASSERT_TRUE(driver.alert("确定").ok);
  }
  EXPECT_TRUE(engine.requests().empty());

  ASSERT_TRUE(driver.type("手机号码", kNewPhone).ok);
  engine.answerOnce("getCode", FakeReply::failure(2));
  ASSERT_TRUE(driver.press("下一步").ok);
  platform.loop.runUntilIdle();
  EXPECT_EQ(toolkit.hud.last()->text, "连接失败");
  EXPECT_TRUE(toolkit.navigator.top()->backEnabled);
  EXPECT_EQ(topTitle(), "手机号码");
}

}  // namespace
}  // namespace vokari::testing
