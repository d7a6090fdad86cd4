#include "LoginAndRegister/PhoneNumberSetViewController.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/ResendCountdown.h"
#include "storage/AccountManager.h"
#include "support/ScreenTest.h"

namespace vokari {
namespace {

constexpr const char* kPhone = "13800000001";
constexpr const char* kNewPhone = "13900000002";
const FakeReply kAccepted = FakeReply::json(R"({"STATES":"1"})");

struct PhoneNumberSet : testing::ScreenTest {
  PhoneNumberSet() {
    EXPECT_TRUE(AccountManager::sharedAccountManage().signIn(
        kPhone, {{"phone_number", kPhone}, {"password", "secret1"}, {"newsbookarea", "4,2"}}));
    auto number = std::make_shared<testing::StandIn>("手机号码");
    toolkit.navigator.setRoot(number);
    number->push(std::make_shared<PhoneNumberSetViewController>(kNewPhone));
  }
  std::string stored(const char* key) {
    auto value = AccountManager::sharedAccountManage().getUserItemForKey(key);
    return value ? textOf(*value).value_or("") : "";
  }
  std::string documents(const std::string& part) { return platform.documents() + "/" + part; }
};

TEST_F(PhoneNumberSet, AnAcceptedChangeMovesFolderAndDatabaseAndKeepsTheAccount) {
  ASSERT_TRUE(driver.press("提交").ok);
  EXPECT_EQ(toolkit.alerts.top()->title, "温馨提示");
  ASSERT_TRUE(driver.alert("好").ok);
  ASSERT_TRUE(driver.type("请输入短信验证码", "5555").ok);
  http.answerOnce("changePhonenumber", FakeReply::json(R"({"STATES":"0"})"));
  ASSERT_TRUE(driver.press("提交").ok);
  settle();
  EXPECT_EQ(lastHud(), "修改失败");
  EXPECT_EQ(stored("phone_number"), kPhone);

  http.answerOnce("changePhonenumber", kAccepted);
  ASSERT_TRUE(driver.press("提交").ok);
  settle();
  EXPECT_EQ(lastBody("changePhonenumber"), (nlohmann::json{{"OLD_PHONE_NUMBER", kPhone},
                                                           {"NEW_PHONE_NUMBER", kNewPhone},
                                                           {"PASSWORD", "secret1"},
                                                           {"CODE", "5555"}}));
  EXPECT_EQ(topTitle(), "手机号码");
  EXPECT_EQ(lastHud(), "修改成功");
  EXPECT_FALSE(std::filesystem::exists(documents(kPhone)));
  EXPECT_TRUE(std::filesystem::exists(documents(std::string(kNewPhone) + "/" + kNewPhone + ".db")));
  EXPECT_EQ(AccountManager::currentUser(), kNewPhone);
  EXPECT_EQ(stored("phone_number"), kNewPhone);
  EXPECT_EQ(stored("password"), "secret1");
  EXPECT_EQ(stored("newsbookarea"), "4,2");
}

// A second press used to cancel the first change, which the service had already made, and send
// another that it refused: "修改失败" shown, and the phone left on the old number.
TEST_F(PhoneNumberSet, ADoublePressSendsOneChangeAndThePhoneFollowsIt) {
  ASSERT_TRUE(driver.type("请输入短信验证码", "5555").ok);
  ASSERT_TRUE(driver.press("提交").ok);
  EXPECT_FALSE(driver.press("提交").ok);
  EXPECT_FALSE(driver.back().ok);  // leaving would cancel it just the same
  ASSERT_EQ(count("changePhonenumber"), 1u);
  EXPECT_FALSE(http.requests().back().cancelled);

  http.respond(http.pending().at(0), kAccepted);
  settle();
  EXPECT_EQ(lastHud(), "修改成功");
  EXPECT_EQ(stored("phone_number"), kNewPhone);
  EXPECT_EQ(topTitle(), "手机号码");

  // After a failure the control and back work again.
  toolkit.navigator.top()->push(std::make_shared<PhoneNumberSetViewController>("13700000003"));
  ASSERT_TRUE(driver.type("请输入短信验证码", "1").ok);
  http.answerOnce("changePhonenumber", FakeReply::failure(2));
  ASSERT_TRUE(driver.press("提交").ok);
  settle();
  EXPECT_EQ(lastHud(), "连接失败");
  EXPECT_TRUE(driver.back().ok);
}

}  // namespace
}  // namespace vokari
