#include <gtest/gtest.h>

#include "LoginAndRegister/Register/AuthCodeViewController.h"
#include "LoginAndRegister/Register/RegisterViewController.h"
#include "common/ResendCountdown.h"
#include "storage/AccountManager.h"
#include "support/ScreenTest.h"

namespace vokari {
namespace {

constexpr const char* kOk = R"({"STATES":"1"})";

struct Register : testing::ScreenTest {
  Register() {
    toolkit.navigator.setRoot(std::make_shared<testing::StandIn>("登录"));
    toolkit.navigator.top()->present(std::make_shared<RegisterViewController>());
  }
  void fill(const std::string& phone, const std::string& password) {
    ASSERT_TRUE(driver.type("请输入手机号", phone).ok);
    ASSERT_TRUE(driver.type("请输入密码", password).ok);
  }
  // From the form to the verification screen, with the service sending the code.
  void toVerification(const std::string& phone = "13800000000") {
    http.answer("getCode", FakeReply::json(kOk));
    fill(phone, "secret1");
    ASSERT_TRUE(driver.press("下一步").ok);
    settle();
    advance(1.0);
    ASSERT_EQ(topTitle(), "完成注册");
  }
  void fillVerification(const std::string& idNumber) {
    ASSERT_TRUE(driver.type("请输入短信验证码", "123456").ok);
    ASSERT_TRUE(driver.type("姓名", "张三").ok);
    ASSERT_TRUE(driver.type("身份证", idNumber).ok);
  }
  std::string resendTitle() const {
    for (const auto& line : driver.screenLines()) {
      if (line.find("重发验证码") != std::string::npos) return line;
    }
    return "";
  }
};

TEST_F(Register, TheFormChecksThePhoneLengthOnlyAndSixToThirtyPasswordCharacters) {
  struct Case {
    const char* phone;
    std::string password;
    const char* refusal;  // null when the form asks for a code
  };
  const Case cases[] = {
      {"1380000000", "secret1", "请输入以1开头的11位手机号码！"},
      {"138000000000", "secret1", "请输入以1开头的11位手机号码！"},
      {"23800000000", "secret1", nullptr},  // any 11 characters
      {"13800000000", "12345", "请输入6-30位长度密码！"},
      {"13800000000", "123456", nullptr},
      {"13800000000", std::string(30, 'a'), nullptr},
      {"13800000000", std::string(31, 'a'), "请输入6-30位长度密码！"},
  };
  for (const Case& c : cases) {
    std::size_t before = count("getCode");
    fill(c.phone, c.password);
    ASSERT_TRUE(driver.press("下一步").ok);
    if (c.refusal) {
      EXPECT_EQ(lastHud(), c.refusal) << c.phone << " " << c.password;
      EXPECT_EQ(lastHudDuration(), 1.0);
      EXPECT_EQ(count("getCode"), before);
    } else {
      EXPECT_EQ(hudText(), "正在获取短信验证码...");
      EXPECT_EQ(count("getCode"), before + 1) << c.phone << " " << c.password;
      EXPECT_EQ(lastBody("getCode"), (nlohmann::json{{"PHONE_NUMBER", c.phone}}));
      // Refused, so that the form takes the next case ("下一步" is off while a code is asked).
      ASSERT_TRUE(http.respond(http.pending().at(0), FakeReply::json(R"({"STATES":"0"})")));
      settle();
    }
  }
}

TEST_F(Register, AnAcceptedCodeOpensTheVerificationScreenASecondLater) {
  http.answer("getCode", FakeReply::json(kOk));
  fill("13800000000", "secret1");
  driver.press("下一步");
  settle();
  EXPECT_FALSE(toolkit.hud.visible());
  advance(0.9);
  EXPECT_EQ(topTitle(), "注册");
  advance(0.1);
  EXPECT_EQ(topTitle(), "完成注册");
  EXPECT_EQ(resendTitle(), "<重发验证码(60)> (disabled)");
  auto* screen = dynamic_cast<AuthCodeViewController*>(toolkit.navigator.top());
  EXPECT_EQ(screen->phone_number, "13800000000");
  EXPECT_EQ(screen->password, "secret1");
}

TEST_F(Register, ARefusedOrFailedCodeKeepsTheForm) {
  http.answerOnce("getCode", FakeReply::json(R"({"STATES":"0"})"));
  http.answerOnce("getCode", FakeReply::failure(kHttpConnectionFailure));
  fill("13800000000", "secret1");
  driver.press("下一步");
  settle();
  EXPECT_EQ(lastHud(), "获取短信验证码失败");
  EXPECT_EQ(lastHudDuration(), 0.8);
  driver.press("下一步");
  settle();
  EXPECT_EQ(lastHud(), "连接失败");
  EXPECT_EQ(lastHudDuration(), 1.0);
  advance(2.0);
  EXPECT_EQ(topTitle(), "注册");
}

TEST_F(Register, BackCancelsTheCodeRequestAndClosesTheStack) {
  fill("13800000000", "secret1");
  driver.press("下一步");
  ASSERT_EQ(http.pending().size(), 1u);
  ASSERT_TRUE(driver.back().ok);
  EXPECT_TRUE(http.requests().back().cancelled);
  EXPECT_FALSE(toolkit.hud.visible());
  EXPECT_EQ(topTitle(), "登录");
  EXPECT_EQ(toolkit.navigator.stackCount(), 1u);
}

TEST_F(Register, ALiveCountdownSkipsTheCodeRequest) {
  storeCountdown(kTimeRegCodeKey, 25, "13800000000");
  fill("13800000000", "secret1");
  driver.press("下一步");
  EXPECT_EQ(topTitle(), "完成注册");
  EXPECT_EQ(count("getCode"), 0u);
  EXPECT_EQ(resendTitle(), "<重发验证码(25)> (disabled)");
}

// The countdown was for a code sent to one number; after going back and typing another, that
// number needs a code of its own, or "完成" could only fail.
TEST_F(Register, AnotherNumberGetsItsOwnCodeAndAFreshCountdown) {
  toVerification("13800000000");
  advance(18.0);
  ASSERT_TRUE(driver.back().ok);  // keeps 42 for 13800000000
  fill("13900000000", "secret1");
  ASSERT_TRUE(driver.press("下一步").ok);
  EXPECT_EQ(count("getCode"), 2u);
  EXPECT_EQ(lastBody("getCode"), (nlohmann::json{{"PHONE_NUMBER", "13900000000"}}));
  settle();
  advance(1.0);
  ASSERT_EQ(topTitle(), "完成注册");
  EXPECT_EQ(resendTitle(), "<重发验证码(60)> (disabled)");
  auto* screen = dynamic_cast<AuthCodeViewController*>(toolkit.navigator.top());
  EXPECT_EQ(screen->phone_number, "13900000000");
}

// One press, one text message: the second would carry another code and spoil the first.
TEST_F(Register, ADoublePressOnNextSendsOneCode) {
  fill("13800000000", "secret1");
  ASSERT_TRUE(driver.press("下一步").ok);
  EXPECT_FALSE(driver.press("下一步").ok);
  http.respond(http.pending().at(0), FakeReply::json(kOk));
  settle();
  EXPECT_FALSE(driver.press("下一步").ok);  // nor in the second before the code screen opens
  advance(1.0);
  EXPECT_EQ(count("getCode"), 1u);
  EXPECT_FALSE(http.requests()[0].cancelled);
  ASSERT_EQ(topTitle(), "完成注册");
  ASSERT_TRUE(driver.back().ok);
  EXPECT_FALSE(driver.shows("<下一步> (disabled)"));
}

TEST_F(Register, LeavingAt42ResumesAt42TenSecondsLaterAndExpiresAfterIt) {
  toVerification();
  advance(18.0);
  auto* screen = dynamic_cast<AuthCodeViewController*>(toolkit.navigator.top());
  ASSERT_EQ(screen->countdown().timeCode(), 42);
  ASSERT_TRUE(driver.back().ok);
  EXPECT_EQ(topTitle(), "注册");

  advance(10.0);
  driver.press("下一步");
  EXPECT_EQ(topTitle(), "完成注册");
  EXPECT_EQ(resendTitle(), "<重发验证码(42)> (disabled)");  // not 32: time away does not count
  EXPECT_EQ(count("getCode"), 1u);

  ASSERT_TRUE(driver.back().ok);  // stores 42 again
  advance(45.0);
  EXPECT_EQ(platform.cache.get(kTimeRegCodeKey), std::nullopt);
  driver.press("下一步");
  EXPECT_EQ(count("getCode"), 2u);
  EXPECT_EQ(hudText(), "正在获取短信验证码...");
}

TEST_F(Register, TheResendControlAsksForANewCodeOnceTheCountdownIsOver) {
  toVerification();
  EXPECT_FALSE(driver.press("重发验证码(60)").ok);
  advance(61.0);
  ASSERT_EQ(resendTitle(), "<重发验证码>");
  http.answer("getCode", FakeReply::json(R"({"STATES":"0"})"));
  ASSERT_TRUE(driver.press("重发验证码").ok);
  EXPECT_EQ(hudText(), "正在获取短信验证码...");
  EXPECT_EQ(count("getCode"), 2u);
  EXPECT_EQ(lastBody("getCode"), (nlohmann::json{{"PHONE_NUMBER", "13800000000"}}));
  settle();
  EXPECT_EQ(lastHud(), "获取短信验证码失败");
  EXPECT_EQ(lastHudDuration(), 1.0);
  EXPECT_EQ(resendTitle(), "<重发验证码> (disabled)");  // until the first tick
  advance(1.0);
  EXPECT_EQ(resendTitle(), "<重发验证码(60)> (disabled)");
}

TEST_F(Register, SubmitChecksCodeNameAndIdentityNumberAndSendsNothingOtherwise) {
  toVerification();
  struct Case {
    const char* code;
    const char* name;
    const char* id;
    const char* message;
  };
  for (const Case& c : {Case{" ", "张三", "110101199001011234", "请输入验证码"},
                        Case{"123456", " \n", "110101199001011234", "请输入正确的姓名"},
                        Case{"123456", "张三", "11010119900101123", "请输入正确的身份证号码"}}) {
    driver.type("请输入短信验证码", c.code);
    driver.type("姓名", c.name);
    driver.type("身份证", c.id);
    ASSERT_TRUE(driver.press("完成").ok);
    const ui::AlertModel* alert = toolkit.alerts.top();
    ASSERT_NE(alert, nullptr) << c.message;
    EXPECT_EQ(alert->title, "");
    EXPECT_EQ(alert->message, c.message);
    EXPECT_EQ(alert->buttons, std::vector<std::string>{"好"});
    driver.alert("好");
  }
  EXPECT_EQ(count("register"), 0u);
}

TEST_F(Register, TheBodyCarriesTheSexAsANumberFromThe17thCharacterAndTheToken) {
  toVerification();
  struct Case {
    const char* id;
    int sex;
  };
  for (const Case& c : {Case{"110101199001011234", 1}, Case{"110101199001011248", 0},
                        Case{"11010119900101123X", 1}, Case{"11010119900101128X", 0}}) {
    fillVerification(c.id);
    driver.press("完成");
    nlohmann::json body = lastBody("register");
    ASSERT_TRUE(body["SEX"].is_number_integer()) << c.id;
    EXPECT_EQ(body["SEX"], c.sex) << c.id;
    http.respond(http.pending().back(), FakeReply::json(R"({"STATES":"0"})"));
    settle();
  }
  nlohmann::json body = lastBody("register");
  EXPECT_EQ(body, (nlohmann::json{{"PHONE_NUMBER", "13800000000"},
                                  {"PASSWORD", "secret1"},
                                  {"CODE", "123456"},
                                  {"MOBILE_TYPE", "2"},
                                  {"NAME", "张三"},
                                  {"SF_CODE", "11010119900101128X"},
                                  {"SEX", 0},
                                  {"TOKEN", ""}}));
  EXPECT_EQ(http.last("register")->url, "http://127.0.0.1:64112/serverAgent!register.action");
  EXPECT_EQ(http.last("register")->timeOutSeconds, 20);

  for (auto [stored, sent] : {std::pair{"<0a1b2c3d>", "<0a1b2c3d>"}, std::pair{"  ", ""}}) {
    platform.settings.set("token", stored);
    driver.press("完成");
    EXPECT_EQ(lastBody("register")["TOKEN"], sent);
    http.respond(http.pending().back(), FakeReply::json(R"({"STATES":"0"})"));
    settle();
  }
}

TEST_F(Register, TheScreenTakesNoInputUntilTheRegistrationOutcome) {
  toVerification();
  fillVerification("110101199001011234");
  ASSERT_TRUE(driver.press("完成").ok);
  EXPECT_EQ(hudText(), "正在注册...");
  EXPECT_FALSE(driver.press("完成").ok);
  EXPECT_FALSE(driver.back().ok);
  EXPECT_FALSE(driver.type("姓名", "李四").ok);
  EXPECT_EQ(count("register"), 1u);

  http.respond(http.pending().at(0), FakeReply::json(R"({"STATES":"2"})"));
  settle();
  EXPECT_EQ(lastHud(), "此账号已存在，请直接登录");
  EXPECT_EQ(lastHudDuration(), 1.0);
  EXPECT_EQ(topTitle(), "完成注册");
  EXPECT_TRUE(driver.type("姓名", "李四").ok);
}

TEST_F(Register, OtherRepliesAndFailuresLeaveTheInputsAndNothingStored) {
  toVerification();
  fillVerification("110101199001011234");
  http.answerOnce("register", FakeReply::json(R"({"STATES":"3"})"));
  http.answerOnce("register", FakeReply::failure(kHttpTimedOut));
  http.answerOnce("register", FakeReply::json("  "));
  driver.press("完成");
  settle();
  EXPECT_EQ(lastHud(), "注册失败");
  driver.press("完成");
  settle();
  EXPECT_EQ(lastHud(), "连接失败");
  EXPECT_EQ(lastHudDuration(), 1.0);
  driver.press("完成");
  settle();
  EXPECT_FALSE(toolkit.hud.visible());  // a blank reply says nothing but frees the screen
  EXPECT_TRUE(driver.shows("[张三]"));
  EXPECT_EQ(topTitle(), "完成注册");
  EXPECT_FALSE(AccountManager::sharedAccountManage().isLogin());
}

TEST_F(Register, AnAcceptedRegistrationLeadsThroughTheAgreementToTheMainScreen) {
  toVerification();
  fillVerification("110101199001011234");
  http.answer("register", FakeReply::json(kOk));
  driver.press("完成");
  settle();
  EXPECT_EQ(lastHud(), "注册成功");
  EXPECT_EQ(toolkit.hud.last()->kind, ui::HudKind::Success);
  EXPECT_EQ(topTitle(), "安装协议");
  EXPECT_FALSE(AccountManager::sharedAccountManage().isLogin());  // only on acceptance

  ASSERT_TRUE(driver.press("同意").ok);
  EXPECT_EQ(topTitle(), "MAIN");
  AccountManager& accounts = AccountManager::sharedAccountManage();
  ASSERT_TRUE(accounts.isLogin());
  Row row = *accounts.getUserInfo();
  EXPECT_EQ(textOf(row, "phone_number"), "13800000000");
  EXPECT_EQ(textOf(row, "password"), "secret1");
  EXPECT_EQ(textOf(row, "username"), "张三");
  EXPECT_EQ(textOf(row, "idcard_number"), "110101199001011234");
  EXPECT_EQ(textOf(row, "idcard_type"), "身份证");
  EXPECT_EQ(textOf(row, "newsbookarea"), "2,3,4,5,6,7,8,9,10,11");
  EXPECT_EQ(row["sex"], Value{std::int64_t{1}});
}

}  // namespace
}  // namespace vokari
