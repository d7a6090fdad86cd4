#include <gtest/gtest.h>

#include <filesystem>

#include "LoginAndRegister/Login/LoginViewController.h"
#include "storage/AccountManager.h"
#include "support/ScreenTest.h"

namespace vokari {
namespace {

struct Login : testing::ScreenTest {
  std::shared_ptr<LoginViewController> screen = std::make_shared<LoginViewController>();
  Login() { toolkit.navigator.setRoot(screen); }

  void fill(const std::string& phone, const std::string& password) {
    ASSERT_TRUE(driver.type("请输入手机号", phone).ok);
    ASSERT_TRUE(driver.type("请输入密码", password).ok);
  }
  void loginAs(const std::string& phone = "13800000000", const std::string& pw = "secret1") {
    fill(phone, pw);
    ASSERT_TRUE(driver.press("登录").ok);
    settle();
  }
  bool loginEnabled() const { return !driver.shows("<登录> (disabled)"); }
  Row account() const {
    return AccountManager::sharedAccountManage().getUserInfo().value_or(Row{});
  }
};

TEST_F(Login, ThePhoneMustBeElevenCharactersStartingWithOneAndThePasswordSixToThirty) {
  struct Case {
    const char* phone;
    std::string password;
    const char* refusal;
    bool phoneShakes;
  };
  const Case cases[] = {
      {"23800000000", "secret1", "请输入以1开头的11位手机号码！", true},
      {"1380000000", "secret1", "请输入以1开头的11位手机号码！", true},
      {"13800000000", "12345", "请输入6-30位长度密码！", false},
      {"13800000000", std::string(31, 'a'), "请输入6-30位长度密码！", false},
      {"13800000000", "123456", nullptr, false},
      {"13800000000", std::string(30, 'a'), nullptr, false},
  };
  http.answer("!login", FakeReply::json(R"({"STATES":"2"})"));  // frees the control each time
  for (const Case& c : cases) {
    int phoneShakes = screen->phoneField().shakes;
    int passwordShakes = screen->passwordField().shakes;
    std::size_t before = count("login");
    loginAs(c.phone, c.password);
    if (c.refusal) {
      EXPECT_EQ(lastHud(), c.refusal) << c.phone << " " << c.password;
      EXPECT_EQ(lastHudDuration(), 1.0);
      EXPECT_EQ(count("login"), before);
      EXPECT_EQ(screen->phoneField().shakes, phoneShakes + (c.phoneShakes ? 1 : 0));
      EXPECT_EQ(screen->passwordField().shakes, passwordShakes + (c.phoneShakes ? 0 : 1));
    } else {
      EXPECT_EQ(count("login"), before + 1) << c.phone << " " << c.password;
      EXPECT_EQ(screen->phoneField().shakes + screen->passwordField().shakes,
                phoneShakes + passwordShakes);
    }
  }
}

TEST_F(Login, SendsTheTypedAccountAndWaitsWithTheControlDisabled) {
  loginAs();
  const RecordedRequest* sent = http.last("login");
  ASSERT_NE(sent, nullptr);
  EXPECT_EQ(sent->url, "http://127.0.0.1:8097/wsyy/sysManager/rkyyApp/rkyyApp!login.action");
  EXPECT_EQ(nlohmann::json::parse(sent->body),
            (nlohmann::json{{"LOGIN_NAME", "13800000000"}, {"PASSWORD", "secret1"}}));
  EXPECT_EQ(sent->tag, LoginViewController::kLoginTag);
  EXPECT_EQ(sent->timeOutSeconds, 20);
  EXPECT_FALSE(sent->header("Content-Type"));
  EXPECT_EQ(hudText(), "登陆中...");
  EXPECT_FALSE(loginEnabled());
}

TEST_F(Login, ARefusalOrFailureShowsItsMessageAndEnablesTheControlAgain) {
  struct Case {
    FakeReply reply;
    const char* message;
  };
  const Case cases[] = {
      {FakeReply::json(R"({"STATES":"2"})"), "账号或密码错误"},
      {FakeReply::json(R"({"STATES":"6"})"), "登陆失败"},  // no anomaly on this road
      {FakeReply::json(R"({"USER_LIST":[]})"), "登陆失败"},
      {FakeReply::json(" "), "登陆失败"},
      {FakeReply::json("<html>500</html>", 500), "登陆失败"},
      {FakeReply::failure(kHttpConnectionFailure), "连接失败"},
  };
  for (const Case& c : cases) {
    http.answerOnce("login", c.reply);
    loginAs();
    EXPECT_EQ(lastHud(), c.message);
    EXPECT_EQ(toolkit.hud.last()->kind, ui::HudKind::Error);
    EXPECT_EQ(lastHudDuration(), 1.0);
    EXPECT_TRUE(loginEnabled()) << c.message;
  }
  EXPECT_FALSE(AccountManager::sharedAccountManage().isLogin());
  EXPECT_EQ(count("findInformation"), 0u);
}

TEST_F(Login, AnEmptyPersonListStillSignsInWithTheThreeLoginKeys) {
  http.answer("!login", FakeReply::json(R"({"STATES":"1"})"));
  http.answer("findInformation", FakeReply::json(R"({"STATES":"1","USER_LIST":[]})"));
  loginAs();
  EXPECT_EQ(lastBody("findInformation"),
            (nlohmann::json{{"LOGIN_NAME", "13800000000"}, {"PASSWORD", "secret1"}}));
  EXPECT_EQ(http.last("findInformation")->tag, LoginViewController::kPersonTag);
  EXPECT_EQ(lastHud(), "登陆成功");
  EXPECT_EQ(lastHudDuration(), 0.8);
  advance(0.9);
  EXPECT_EQ(topTitle(), "登录");
  advance(0.1);
  EXPECT_EQ(topTitle(), "MAIN");
  EXPECT_EQ(toolkit.navigator.stackCount(), 2u);

  ASSERT_TRUE(AccountManager::sharedAccountManage().isLogin());
  Row row = account();
  EXPECT_EQ(textOf(row, "phone_number"), "13800000000");
  EXPECT_EQ(textOf(row, "password"), "secret1");
  EXPECT_EQ(textOf(row, "newsbookarea"), "2,3,4,5,6,7,8,9,10,11");
  EXPECT_EQ(row["username"], Value{Null{}});
  EXPECT_EQ(row["idcard_number"], Value{Null{}});
  EXPECT_EQ(row["sex"], Value{Null{}});
}

TEST_F(Login, TheFirstPersonCompletesTheAccount) {
  http.answer("!login", FakeReply::json(R"({"STATES":"1"})"));
  http.answer("findInformation", FakeReply::json(R"({"STATES":"1","USER_LIST":[
      {"schedule_name":"李四","schedule_card_number":"11010119900101125X","schedule_sex":"1",
       "schedule_phone":"13800000000"},
      {"schedule_name":"王五","schedule_card_number":"110101199001011234"}]})"));
  loginAs();
  Row row = account();
  EXPECT_EQ(textOf(row, "username"), "李四");
  EXPECT_EQ(textOf(row, "idcard_number"), "11010119900101125X");
  EXPECT_EQ(textOf(row, "idcard_type"), "身份证");
  EXPECT_EQ(row["sex"], Value{std::int64_t{1}});
  advance(1.0);
  EXPECT_EQ(topTitle(), "MAIN");
}

TEST_F(Login, APersonReplyOfAnyKindStillLeadsToTheMainScreen) {
  http.answer("!login", FakeReply::json(R"({"STATES":"1"})"));
  http.answerOnce("findInformation", FakeReply::json(R"({"STATES":"0"})"));
  loginAs();
  EXPECT_EQ(lastHud(), "登陆成功");
  advance(1.0);
  EXPECT_EQ(topTitle(), "MAIN");
  EXPECT_EQ(account()["username"], Value{Null{}});
}

TEST_F(Login, AnIdentityNumberThatFailsTheCheckLeavesTheStoredSexAlone) {
  http.answer("!login", FakeReply::json(R"({"STATES":"1"})"));
  http.answer(
      "findInformation",
      FakeReply::json(
          R"({"STATES":"1","USER_LIST":[{"schedule_name":"李四","schedule_card_number":"1101"}]})"));
  loginAs();
  Row row = account();
  EXPECT_EQ(textOf(row, "idcard_number"), "1101");
  EXPECT_EQ(row["sex"], Value{Null{}});
}

TEST_F(Login, ATransportFailureAfterAcceptanceKeepsTheStoredAccount) {
  http.answer("!login", FakeReply::json(R"({"STATES":"1"})"));
  http.answer("findInformation", FakeReply::failure(kHttpTimedOut));
  loginAs();
  EXPECT_EQ(lastHud(), "连接失败");
  EXPECT_EQ(lastHudDuration(), 1.0);
  EXPECT_TRUE(loginEnabled());
  advance(2.0);
  EXPECT_EQ(topTitle(), "登录");
  ASSERT_TRUE(AccountManager::sharedAccountManage().isLogin());
  EXPECT_EQ(textOf(account(), "password"), "secret1");
}

TEST_F(Login, RegisterCancelsTheLoginAndOpensTheRegistrationStack) {
  loginAs();
  ASSERT_EQ(http.pending().size(), 1u);
  ASSERT_TRUE(driver.press("注册").ok);
  EXPECT_TRUE(http.requests().back().cancelled);
  EXPECT_FALSE(toolkit.hud.visible());
  EXPECT_EQ(topTitle(), "注册");
  EXPECT_EQ(toolkit.navigator.stackCount(), 2u);
  ASSERT_TRUE(driver.back().ok);
  EXPECT_TRUE(loginEnabled());
}

TEST_F(Login, ForgottenPasswordOpensTheResetStackWhenTheBuildHasOne) {
  EXPECT_TRUE(driver.press("忘记密码?").ok);
  EXPECT_EQ(topTitle(), "登录");
  screens.makeResetPassword = [] { return std::make_shared<testing::StandIn>("修改密码"); };
  driver.press("忘记密码?");
  EXPECT_EQ(topTitle(), "修改密码");
  EXPECT_EQ(toolkit.navigator.stackCount(), 2u);
}

// Replies lead to the main screen only from the screen that waited: a form opened while the
// login was out gives the login up, and once it is accepted no form can be opened under it.
TEST_F(Login, AFormOpenedDuringTheLoginIsNeverReplacedByTheMainScreen) {
  screens.makeResetPassword = [] { return std::make_shared<testing::StandIn>("修改密码"); };
  loginAs();
  ASSERT_EQ(http.pending().size(), 1u);
  ASSERT_TRUE(driver.press("忘记密码?").ok);  // during "登陆中..."
  EXPECT_TRUE(http.requests().back().cancelled);
  EXPECT_FALSE(toolkit.hud.visible());
  EXPECT_EQ(topTitle(), "修改密码");
  advance(5.0);
  EXPECT_EQ(topTitle(), "修改密码");
  toolkit.navigator.top()->dismiss();
  EXPECT_TRUE(loginEnabled());

  http.answer("!login", FakeReply::json(R"({"STATES":"1"})"));
  http.answer("findInformation", FakeReply::json(R"({"STATES":"1","USER_LIST":[]})"));
  loginAs();
  ASSERT_EQ(lastHud(), "登陆成功");
  EXPECT_FALSE(driver.press("注册").ok);  // in the second before the main screen
  EXPECT_FALSE(driver.press("忘记密码?").ok);
  advance(1.0);
  EXPECT_EQ(topTitle(), "MAIN");
  EXPECT_EQ(toolkit.navigator.stackCount(), 2u);
}

TEST_F(Login, HasNoBackControlAndFocusesThePhoneASecondAfterLoading) {
  EXPECT_FALSE(screen->model().backVisible);
  EXPECT_FALSE(screen->phoneField().focused);
  advance(1.0);
  EXPECT_TRUE(screen->phoneField().focused);
}

TEST_F(Login, TheToggleShowsAndMasksThePassword) {
  EXPECT_TRUE(screen->passwordField().secure);
  driver.press("显示密码");
  EXPECT_FALSE(screen->passwordField().secure);
  driver.press("显示密码");
  EXPECT_TRUE(screen->passwordField().secure);
}

TEST_F(Login, AnAccountThatCannotBeStoredFailsTheLoginInsteadOfGoingOn) {
  // The database's place is taken, so no account row can be written.
  std::filesystem::create_directories(platform.documents() + "/13800000000/13800000000.db");
  http.answer("!login", FakeReply::json(R"({"STATES":"1"})"));
  loginAs();
  EXPECT_EQ(lastHud(), "登陆失败");
  EXPECT_EQ(lastHudDuration(), 1.0);
  EXPECT_EQ(count("findInformation"), 0u);
  advance(2);
  EXPECT_EQ(topTitle(), "登录");
  EXPECT_FALSE(AccountManager::sharedAccountManage().isLogin());
  EXPECT_TRUE(loginEnabled());
}

}  // namespace
}  // namespace vokari
