#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "LoginAndRegister/Register/AgreementText.h"
#include "LoginAndRegister/Register/AgreementVC.h"
#include "core/Extern.h"
#include "storage/AccountManager.h"
#include "support/ScreenTest.h"

namespace vokari {
namespace {

// The text is counted as the platform counts it, UTF-16 units, line breaks included.
TEST(AgreementText, Has3672CharactersIn73LinesWithItsOutlineAndSignature) {
  std::string text = kAgreementText;
  EXPECT_EQ(Extern::textLength(text), 3672u);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 72);
  EXPECT_NE(text.back(), '\n');
  std::size_t at = 0;
  for (const char* heading :
       {"一、适用范围", "二、服务内容", "三、使用规则", "四、用户的权利和义务",
        "五、商标及知识产权", "六、风险及免责", "七、服务的软件形式", "八、其他条款"}) {
    std::size_t found = text.find(std::string("\n") + heading + "\n", at);
    EXPECT_NE(found, std::string::npos) << heading;
    at = found == std::string::npos ? at : found;
  }
  EXPECT_NE(text.find("Lanzo市公安局\n二〇二六年一月", at), std::string::npos);
}

struct Agreement : testing::ScreenTest {};

TEST_F(Agreement, BackStoresNothingAndTheReadingPageOffersNoAcceptance) {
  toolkit.navigator.setRoot(std::make_shared<testing::StandIn>("完成注册"));
  toolkit.navigator.top()->push(
      std::make_shared<AgreementVC>(nlohmann::json{{"password", "x"}}, "13800000000"));
  ASSERT_TRUE(driver.back().ok);
  EXPECT_FALSE(AccountManager::sharedAccountManage().isLogin());

  ASSERT_TRUE(
      AccountManager::sharedAccountManage().signIn("13900000000", {{"password", "secret1"}}));
  toolkit.navigator.top()->push(
      std::make_shared<AgreementVC>(nlohmann::json{{"password", "x"}}, "13800000000"));
  EXPECT_FALSE(driver.press("同意").ok);  // hidden while signed in
  toolkit.navigator.setRoot(std::make_shared<AgreementVC>());
  EXPECT_FALSE(driver.shows("<同意>"));
}

TEST_F(Agreement, AnAccountThatCannotBeStoredStaysOnTheAgreementWithTheFailure) {
  std::filesystem::create_directories(platform.documents() + "/13800000000/13800000000.db");
  toolkit.navigator.setRoot(std::make_shared<testing::StandIn>("完成注册"));
  toolkit.navigator.top()->push(
      std::make_shared<AgreementVC>(nlohmann::json{{"password", "x"}}, "13800000000"));
  ASSERT_TRUE(driver.press("同意").ok);
  EXPECT_EQ(lastHud(), "登陆失败");
  advance(2);
  EXPECT_EQ(topTitle(), "安装协议");
  EXPECT_FALSE(AccountManager::sharedAccountManage().isLogin());
}

}  // namespace
}  // namespace vokari
