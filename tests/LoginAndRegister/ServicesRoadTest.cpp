// The registration and login roads against the stand-in services on loopback, through the real
// transport: what the screens send must be what the services accept.

#include <gtest/gtest.h>

#include <mutex>

#include "LoginAndRegister/Login/LoginViewController.h"
#include "core/Endpoints.h"
#include "platform/FileManager.h"
#include "server/Backend.h"
#include "storage/AccountManager.h"
#include "support/ScreenTest.h"
#include "transport/HttpRequest.h"

namespace vokari {
namespace {

class Services : public ::testing::Test {
 protected:
  void SetUp() override {
    vokari_backend::Options options;
    options.dataDir = folder.path() + "/backend";
    options.ports = vokari_backend::Ports::automatic();
    options.onSms = [this](const vokari_backend::Sms& sms) {
      std::lock_guard lock(mutex);
      code = sms.code;
    };
    auto started = backend.start(options);
    ASSERT_TRUE(started.ok()) << started.status.message();
    Endpoints endpoints;
    endpoints.ports = {started.value->general, started.value->account, started.value->appointment,
                       started.value->report};
    Endpoints::install(endpoints);
    toolkit.navigator.setRoot(std::make_shared<LoginViewController>());
  }
  void TearDown() override {
    toolkit.navigator.setRoot(std::make_shared<testing::StandIn>("END"));
    platform.loop.runUntilIdle();
    backend.stop();
    Endpoints::install(Endpoints{});
  }

  // Lets the replies in flight arrive, in real time; the manual clock stands still.
  void settle() {
    ASSERT_TRUE(platform.loop.waitUntil([] { return HttpRequest::inFlight() == 0; }, 10.0));
    platform.loop.runUntilIdle();
  }
  std::string lastCode() {
    std::lock_guard lock(mutex);
    return code;
  }
  std::string top() const { return toolkit.navigator.top()->title; }
  void ok(const ui::DriverResult& result) { ASSERT_TRUE(result.ok) << result.error; }

  testing::TempDir folder;
  vokari_backend::Backend backend;
  std::mutex mutex;
  std::string code;
  vokari::testing::TestPlatform platform{vokari::testing::Network::Libcurl};
  testing::StandInScreens screens;
  ui::Toolkit toolkit{platform.loop, screens};
  ui::Driver driver{toolkit.ui};
};

TEST_F(Services, ANewcomerRegistersAndLaterLogsInOnAFreshPhone) {
  ok(driver.press("注册"));
  ok(driver.type("请输入手机号", "13912345678"));
  ok(driver.type("请输入密码", "secret1"));
  ok(driver.press("下一步"));
  settle();
  platform.loop.advance(1.0);
  ASSERT_EQ(top(), "完成注册");
  ASSERT_FALSE(lastCode().empty());
  ok(driver.type("请输入短信验证码", lastCode()));
  ok(driver.type("姓名", "张三"));
  ok(driver.type("身份证", "110101199001011234"));
  ok(driver.press("完成"));
  settle();
  ASSERT_EQ(top(), "安装协议");
  ok(driver.press("同意"));
  EXPECT_EQ(top(), "MAIN");

  // The same number again is refused by the service.
  toolkit.navigator.setRoot(std::make_shared<LoginViewController>());
  ok(driver.press("注册"));
  ok(driver.type("请输入手机号", "13912345678"));
  ok(driver.type("请输入密码", "secret1"));
  ok(driver.press("下一步"));
  settle();
  platform.loop.advance(1.0);
  ASSERT_EQ(top(), "完成注册");
  ok(driver.type("请输入短信验证码", lastCode()));
  ok(driver.type("姓名", "张三"));
  ok(driver.type("身份证", "110101199001011234"));
  ok(driver.press("完成"));
  settle();
  EXPECT_EQ(toolkit.hud.last()->text, "此账号已存在，请直接登录");

  // A phone that never saw this account: nothing stored, then a login.
  AccountManager::sharedAccountManage().clearUserInfo();
  ASSERT_TRUE(FileManager::removeFileAtPath(platform.documents() + "/13912345678"));
  toolkit.navigator.setRoot(std::make_shared<LoginViewController>());
  ok(driver.type("请输入手机号", "13912345678"));
  ok(driver.type("请输入密码", "wrong-password"));
  ok(driver.press("登录"));
  settle();
  EXPECT_EQ(toolkit.hud.last()->text, "账号或密码错误");
  ok(driver.type("请输入密码", "secret1"));
  ok(driver.press("登录"));
  settle();
  settle();  // login, then the personal information
  EXPECT_EQ(toolkit.hud.last()->text, "登陆成功");
  platform.loop.advance(1.0);
  EXPECT_EQ(top(), "MAIN");
  Row row = AccountManager::sharedAccountManage().getUserInfo().value_or(Row{});
  EXPECT_EQ(textOf(row, "username"), "张三");
  EXPECT_EQ(textOf(row, "idcard_number"), "110101199001011234");
  EXPECT_EQ(row["sex"], Value{std::int64_t{1}});
}

}  // namespace
}  // namespace vokari
