#include <gtest/gtest.h>

#include "LoginAndRegister/Login/PersonalcenterViewController.h"
#include "storage/AccountManager.h"
#include "storage/ReservaionPersonManager.h"
#include "support/ScreenTest.h"

namespace vokari {
namespace {

const nlohmann::json kPerson = {{"schedule_name", "李四"},
                                {"schedule_card_number", "110101199001011234"},
                                {"schedule_sex", "1"},
                                {"schedule_phone", "13800000000"}};

struct PersonalCenter : testing::ScreenTest {
  std::shared_ptr<PersonalcenterViewController> screen;
  PersonalCenter() {
    EXPECT_TRUE(AccountManager::sharedAccountManage().signIn(
        "13800000000", {{"password", "secret1"}, {"username", "李四"}}));
    toolkit.navigator.setRoot(std::make_shared<testing::StandIn>("设置"));
    screen = std::make_shared<PersonalcenterViewController>(kPerson);
    toolkit.navigator.top()->push(screen);
  }
  bool saveEnabled() const { return screen->model().rightButton->enabled; }
};

TEST_F(PersonalCenter, ShowsThePersonWithOnlyNameAndIdentityNumberEditable) {
  std::vector<std::string> lines = driver.screenLines();
  EXPECT_EQ(lines,
            (std::vector<std::string>{"<返回> == 个人中心 == <保存>", "#   个人信息",
                                      "  手机号  13800000000", "  姓名  李四", "  性别  男",
                                      "  证件类型  身份证", "  证件号码  110101199001011234",
                                      "#   常用预约人", "  清除常用联系人", "  退出当前用户"}));
  ui::ScreenModel model = screen->model();
  const auto& rows = std::get<ui::TableModel>(model.elements[0]).sections[0].rows;
  std::vector<bool> editable;
  for (const auto& row : rows) editable.push_back(row.editable);
  EXPECT_EQ(editable, (std::vector<bool>{false, true, false, false, true}));
  EXPECT_FALSE(driver.type("手机号", "13900000000").ok);
  driver.press("性别");
  EXPECT_EQ(toolkit.alerts.top(), nullptr);  // read-only row: no sheet
}

TEST_F(PersonalCenter, SaveIsAvailableExactlyWhileTheValuesDifferFromTheLoadedOnes) {
  EXPECT_TRUE(saveEnabled());  // as opened
  driver.type("姓名", "王五");
  EXPECT_TRUE(saveEnabled());
  EXPECT_TRUE(driver.shows("姓名  王五"));
  driver.type("姓名", "李四");
  EXPECT_FALSE(saveEnabled());
  EXPECT_FALSE(driver.press("保存").ok);
}

TEST_F(PersonalCenter, ABadIdentityNumberIsRefusedAndNothingSent) {
  driver.type("证件号码", "11010119900101123");  // 17 characters
  ASSERT_TRUE(driver.press("保存").ok);
  ASSERT_NE(toolkit.alerts.top(), nullptr);
  EXPECT_EQ(alertMessage(), "请输入正确的身份证");
  EXPECT_EQ(toolkit.alerts.top()->buttons, std::vector<std::string>{"好"});
  EXPECT_TRUE(http.requests().empty());
}

TEST_F(PersonalCenter, SavingSendsOnlyTheIdentityNumberWithTheStoredAccount) {
  driver.type("姓名", "王五");
  driver.type("证件号码", "11010119900101125X");
  http.answer("saveInfomation", FakeReply::json(R"({"STATES":"1"})"));
  ASSERT_TRUE(driver.press("保存").ok);
  EXPECT_EQ(http.last()->url,
            "http://127.0.0.1:8097/wsyy/sysManager/rkyyApp/rkyyApp!saveInfomation.action");
  EXPECT_EQ(http.last()->timeOutSeconds, 10);
  EXPECT_EQ(lastBody("saveInfomation"), (nlohmann::json{{"LOGIN_NAME", "13800000000"},
                                                        {"PASSWORD", "secret1"},
                                                        {"SF_CODE", "11010119900101125X"}}));
  EXPECT_FALSE(toolkit.hud.visible());  // no busy overlay
  settle();
  EXPECT_EQ(lastHud(), "修改成功");
  EXPECT_EQ(lastHudDuration(), 0.8);
  Row row = *AccountManager::sharedAccountManage().getUserInfo();
  EXPECT_EQ(textOf(row, "username"), "李四");  // a save changes nothing stored
  EXPECT_EQ(row["idcard_number"], Value{Null{}});
}

// A second press never cancels a save the service may already have made.
TEST_F(PersonalCenter, SaveIsOffWhileASaveRuns) {
  ASSERT_TRUE(driver.press("保存").ok);
  EXPECT_FALSE(saveEnabled());
  EXPECT_FALSE(driver.press("保存").ok);
  driver.type("姓名", "王五");  // an edit meanwhile does not bring it back early
  EXPECT_FALSE(saveEnabled());
  ASSERT_EQ(http.pending().size(), 1u);
  http.respond(http.pending()[0], FakeReply::json(R"({"STATES":"1"})"));
  settle();
  EXPECT_EQ(lastHud(), "修改成功");
  EXPECT_TRUE(saveEnabled());
  EXPECT_EQ(http.requests().size(), 1u);
}

TEST_F(PersonalCenter, OtherRepliesSayNothingAndAFailureSaysConnectionFailed) {
  http.answerOnce("saveInfomation", FakeReply::json(R"({"STATES":"2"})"));
  http.answerOnce("saveInfomation", FakeReply::failure(kHttpConnectionFailure));
  driver.press("保存");
  settle();
  EXPECT_FALSE(toolkit.hud.last());
  driver.press("保存");
  settle();
  EXPECT_EQ(lastHud(), "连接失败");
}

TEST_F(PersonalCenter, AnAnomalyReplySignsOutAndShowsTheLoginScreen) {
  http.answer("saveInfomation", FakeReply::json(R"({"STATES":"6"})"));
  driver.press("保存");
  settle();
  EXPECT_EQ(lastHud(), "账号异常");
  EXPECT_EQ(lastHudDuration(), 0.8);
  EXPECT_FALSE(AccountManager::sharedAccountManage().isLogin());
  EXPECT_EQ(topTitle(), "LOGIN");
  EXPECT_EQ(toolkit.navigator.stackCount(), 2u);
}

TEST_F(PersonalCenter, ClearingPersonsConfirmsOnlyWhatTheStoreReports) {
  ReservaionPersonManager& persons = ReservaionPersonManager::sharedReservaionPersonManager();
  ASSERT_TRUE(persons.addOnePerson({{"name", "王五"},
                                    {"idcard", "110101199001011234"},
                                    {"phone_number", "13900000000"},
                                    {"time", "2026-01-15"}}));
  ASSERT_TRUE(driver.press("清除常用联系人").ok);
  EXPECT_TRUE(persons.getAllPersons().empty());
  EXPECT_EQ(lastHud(), "清除成功");
  EXPECT_EQ(lastHudDuration(), 0.5);

  AccountManager::sharedAccountManage().clearUserInfo();  // no database to clear any more
  advance(1.0);
  driver.press("清除常用联系人");
  EXPECT_FALSE(toolkit.hud.visible());
}

TEST_F(PersonalCenter, SigningOutAsksFirstThenShowsTheLoginScreen) {
  ASSERT_TRUE(driver.press("退出当前用户").ok);
  const ui::AlertModel* sheet = toolkit.alerts.top();
  ASSERT_NE(sheet, nullptr);
  EXPECT_TRUE(sheet->sheet);
  EXPECT_EQ(sheet->buttons, (std::vector<std::string>{"退出登陆", "取消"}));
  EXPECT_EQ(sheet->destructiveIndex, 0);
  driver.alert("取消");
  EXPECT_TRUE(AccountManager::sharedAccountManage().isLogin());
  EXPECT_EQ(topTitle(), "个人中心");

  driver.press("退出当前用户");
  driver.alert("退出登陆");
  EXPECT_FALSE(AccountManager::sharedAccountManage().isLogin());
  EXPECT_EQ(topTitle(), "LOGIN");
}

}  // namespace
}  // namespace vokari
