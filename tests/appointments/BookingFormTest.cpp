// The booking form: choices, slot picker, person, submission and what follows it.

#include "AppointmentFixture.h"
#include "appointments/ReservationMainViewController.h"
#include "storage/DBBase.h"
#include "storage/ReservaionPersonManager.h"
#include "storage/Sqlite.h"

namespace vokari::testing {
namespace {

class BookingFormTest : public AppointmentTest {
 protected:
  void SetUp() override { signIn(); }

  std::shared_ptr<ReservationMainViewController> openForm() {
    form = open<ReservationMainViewController>();
    return form;
  }
  void chooseSlot() {
    ASSERT_TRUE(driver.press("时间段:").ok);
    reply("findTime", times().dump());
    ASSERT_TRUE(driver.pick(2, "14:00-15:00 (0)").ok);
    ASSERT_TRUE(driver.press("完成").ok);
  }
  void chooseAll() {
    chooseStation("Arveno区新华派出所");
    chooseType("户口迁入");
    chooseSlot();
  }
  // The whole form filled in for 李四.
  void fillForm() {
    openForm();
    chooseAll();
    typePerson("李四", "110105194912310030", "13600136000");
  }
  void typePerson(const std::string& name, const std::string& card, const std::string& phone) {
    ASSERT_TRUE(driver.type("请输入真实姓名", name).ok);
    ASSERT_TRUE(driver.type("请输入准确的身份证号码", card).ok);
    ASSERT_TRUE(driver.type("请输入手机号码", phone).ok);
  }
  std::vector<std::string> choiceLines() const {
    return {form->lbPoint(), form->lbBussiType(), form->lbTime()};
  }

  std::shared_ptr<ReservationMainViewController> form;
};

TEST_F(BookingFormTest, TheFormStartsWithItsPromptsAndTheAccountsPerson) {
  openForm();
  EXPECT_EQ(topTitle(), "户政业务");
  EXPECT_EQ(choiceLines(),
            (std::vector<std::string>{"请选择受理点", "请选择业务类型", "请选择时间段"}));
  EXPECT_EQ(form->txUserName.text, "张三");
  EXPECT_EQ(form->txIdcard.text, kCard);
  EXPECT_EQ(form->txPhone.text, kPhone);
  EXPECT_EQ(form->txPhone.keyboard, ui::Keyboard::NumberPad);
  EXPECT_TRUE(form->btPersons.hidden);
  EXPECT_TRUE(form->slots.picker.hidden);
}

TEST_F(BookingFormTest, TheSlotPickerOffersOnlyUsableDaysAndShowsZeroForABlankCount) {
  openForm();
  chooseStation("Arveno区城关派出所");
  chooseType("出生登记");
  ASSERT_TRUE(driver.press("时间段:").ok);
  EXPECT_EQ(hudText(), "正在获取受理时间...");
  EXPECT_EQ(lastBody("findTime"),
            (json{{"POLICE_STATION", "AV01"}, {"LOGIN_NAME", kPhone}, {"PASSWORD", "secret1"}}));
  reply("findTime", times().dump());
  // The day with no slots and the blank day are left out.
  EXPECT_EQ(form->slots.leftArray(), (std::vector<std::string>{"2026-12-10", "2026-12-12"}));
  EXPECT_TRUE(showsLine("日期  时间段(剩余量)"));
  EXPECT_EQ(form->slots.picker.columns[1],
            (std::vector<std::string>{"09:00-10:00 (3)", "14:00-15:00 (0)"}));
  ASSERT_TRUE(driver.pick(1, "2026-12-12").ok);
  EXPECT_EQ(form->slots.picker.columns[1], (std::vector<std::string>{"17:00-18:00 (0)"}));
  ASSERT_TRUE(driver.press("取消").ok);
  EXPECT_EQ(form->lbTime(), "请选择时间段");
  EXPECT_TRUE(form->slots.picker.hidden);

  ASSERT_TRUE(driver.press("时间段:").ok);
  reply("findTime", times().dump());
  ASSERT_TRUE(driver.pick(1, "2026-12-12").ok);
  ASSERT_TRUE(driver.press("完成").ok);
  EXPECT_EQ(form->lbTime(), "2026-12-12 17:00-18:00");
}

TEST_F(BookingFormTest, NoUsableTimeEndsInTheAlert) {
  openForm();
  ASSERT_TRUE(driver.press("时间段:").ok);
  EXPECT_EQ(alertMessage(), "请选择受理点和业务类型");
  ASSERT_TRUE(driver.alert("好").ok);
  EXPECT_EQ(count("findTime"), 0u);
  chooseStation("Arveno区城关派出所");
  chooseType("出生登记");

  ASSERT_TRUE(driver.press("时间段:").ok);
  reply("findTime", R"({"STATES":"1","DATE":[{"DAY":"2026-12-10","TIME":[]}]})");
  EXPECT_EQ(alertMessage(), "未获取到时间");
  ASSERT_TRUE(driver.alert("好").ok);

  for (const char* none : {"", R"({"STATES":"1"})"}) {
    ASSERT_TRUE(driver.press("时间段:").ok);
    reply("findTime", none);
    EXPECT_EQ(alertMessage(), "未获取到时间") << none;
    ASSERT_TRUE(driver.alert("好").ok);
  }

  ASSERT_TRUE(driver.press("时间段:").ok);
  reply("findTime", R"({"STATES":"0"})");
  EXPECT_EQ(hudText(), "获取受理时间段失败");
  EXPECT_EQ(alertMessage(), "");
  advance(0.8);
  EXPECT_EQ(alertMessage(), "未获取到时间");
}

TEST_F(BookingFormTest, TheSameStationKeepsTheBusinessTypeAndAnotherClearsIt) {
  openForm();
  chooseAll();
  EXPECT_EQ(choiceLines(),
            (std::vector<std::string>{"Arveno区新华派出所", "户口迁入", "2026-12-10 14:00-15:00"}));
  // Opening the picker resets the time line even when nothing is picked.
  ASSERT_TRUE(driver.press("受理点:").ok);
  ASSERT_TRUE(driver.back().ok);
  EXPECT_EQ(form->lbTime(), "请选择时间段");
  chooseStation("Arveno区新华派出所");
  EXPECT_EQ(form->lbBussiType(), "户口迁入");
  chooseStation("Istrel区新华派出所");
  EXPECT_EQ(choiceLines(),
            (std::vector<std::string>{"Istrel区新华派出所", "请选择业务类型", "请选择时间段"}));
  EXPECT_EQ(lastBody("findStation")["TIME"], "2000-03-01 10:03:44");
}

TEST_F(BookingFormTest, ABusinessTypeNeedsAStationFirst) {
  openForm();
  ASSERT_TRUE(driver.press("业务类型:").ok);
  EXPECT_EQ(alertMessage(), "请选择受理点");
  EXPECT_EQ(toolkit.alerts.top()->title, "");
  EXPECT_EQ(toolkit.alerts.top()->buttons, std::vector<std::string>{"好"});
  EXPECT_EQ(count("findType"), 0u);
}

TEST_F(BookingFormTest, SubmitChecksTheFieldsInOrder) {
  openForm();
  struct Case {
    std::string name, card, phone;
    bool chosen;
    std::string alert;
  };
  const std::vector<Case> cases{
      {" ", "12345", "2", false, "请输入正确的姓名"},
      {"李四", "11010519491231002", "2", false, "请输入正确的身份证号码"},
      {"李四", kCard, "1380000000", false, "请输入以1开头的11位手机号码！"},
      {"李四", kCard, "23800000001", false, "请输入以1开头的11位手机号码！"},
      {"李四", kCard, "13600136000", false, "请选择受理点、业务类型和时间段"},
  };
  for (const Case& c : cases) {
    typePerson(c.name, c.card, c.phone);
    ASSERT_TRUE(driver.press("提交预约").ok);
    EXPECT_EQ(alertMessage(), c.alert) << c.name << " " << c.card << " " << c.phone;
    ASSERT_TRUE(driver.alert("好").ok);
  }
  chooseStation("Arveno区新华派出所");
  chooseType("户口迁入");
  typePerson("李四", kCard, "13600136000");
  ASSERT_TRUE(driver.press("提交预约").ok);
  EXPECT_EQ(alertMessage(), "请选择受理点、业务类型和时间段");  // no slot yet
  ASSERT_TRUE(driver.alert("好").ok);
  EXPECT_EQ(count("commitSchedule"), 0u);
}

TEST_F(BookingFormTest, ABookingSendsTheChoicesAndThePersonThenOpensItsDetailAndResets) {
  fillForm();
  ASSERT_TRUE(driver.press("提交预约").ok);
  EXPECT_EQ(hudText(), "正在预约...");
  EXPECT_EQ(lastBody("commitSchedule"), (json{{"LOGIN_NAME", kPhone},
                                              {"PASSWORD", "secret1"},
                                              {"schedule_type_id", "101"},
                                              {"schedule_type_name", "户口迁入"},
                                              {"schedule_date", "2026-12-10 14:00-15:00"},
                                              {"schedule_date_dual", "4"},
                                              {"schedule_address_id", "AV02"},
                                              {"schedule_address_name", "Arveno区新华派出所"},
                                              {"schedule_other_phone", "13600136000"},
                                              {"name", "张三"},
                                              {"schedule_name", "李四"},
                                              {"schedule_card_number", "110105194912310030"}}));
  reply("commitSchedule", R"({"STATES":"1","YYNUM":"202612100007"})");
  EXPECT_EQ(hudText(), "预约成功");
  EXPECT_EQ(toolkit.hud.last()->duration, 0.8);
  EXPECT_EQ(topTitle(), "预约查询");
  ASSERT_EQ(toolkit.navigator.stack(0).size(), 3u) << "one detail over the form";
  EXPECT_EQ(shownDetail(), (json{{"bookid", "202612100007"},
                                 {"name", "李四"},
                                 {"idcard", "110105194912310030"},
                                 {"busi", "户口迁入"},
                                 {"point", "Arveno区新华派出所"},
                                 {"time", "2026-12-10 14:00-15:00"},
                                 {"phone", "13600136000"},
                                 {"status", "1"}}));
  auto persons = ReservaionPersonManager::sharedReservaionPersonManager().getAllPersons();
  ASSERT_EQ(persons.size(), 1u);
  EXPECT_EQ(textOf(persons[0], "name"), "李四");
  EXPECT_EQ(textOf(persons[0], "idcard"), "110105194912310030");
  EXPECT_EQ(textOf(persons[0], "phone_number"), "13600136000");

  // Back on the form: empty, with the person list offered instead of the account.
  ASSERT_TRUE(driver.back().ok);
  settle();
  EXPECT_EQ(topTitle(), "户政业务");
  EXPECT_EQ(choiceLines(),
            (std::vector<std::string>{"请选择受理点", "请选择业务类型", "请选择时间段"}));
  EXPECT_EQ(form->txUserName.text, "");
  EXPECT_EQ(form->txIdcard.text, "");
  EXPECT_EQ(form->txPhone.text, "");
  EXPECT_FALSE(form->btPersons.hidden);
  ASSERT_TRUE(driver.press("常用预约人").ok);
  EXPECT_TRUE(showsLine("# 预约人记录"));
  ASSERT_TRUE(driver.press("李四").ok);
  EXPECT_EQ(form->txIdcard.text, "110105194912310030");
  EXPECT_EQ(form->txPhone.text, "13600136000");
  EXPECT_TRUE(form->personList.sections[0].rows[0].checked);
  EXPECT_TRUE(form->personList.hidden);
}

TEST_F(BookingFormTest, ARefusedBookingKeepsTheWholeForm) {
  fillForm();
  ASSERT_TRUE(driver.press("提交预约").ok);
  reply("commitSchedule", R"({"STATES":"2"})");
  EXPECT_EQ(hudText(), "预约数已满");
  EXPECT_EQ(topTitle(), "户政业务");
  EXPECT_EQ(choiceLines(),
            (std::vector<std::string>{"Arveno区新华派出所", "户口迁入", "2026-12-10 14:00-15:00"}));
  EXPECT_EQ(form->txUserName.text, "李四");
  ASSERT_TRUE(driver.press("提交预约").ok);
  failTransport("commitSchedule");
  EXPECT_EQ(hudText(), "连接失败");
  EXPECT_EQ(form->txPhone.text, "13600136000");
  EXPECT_TRUE(ReservaionPersonManager::sharedReservaionPersonManager().getAllPersons().empty());
}

TEST_F(BookingFormTest, WhileABookingIsAwaitedNothingChangesItAndItsReplyShowsWhatWasSent) {
  auto& people = ReservaionPersonManager::sharedReservaionPersonManager();
  ASSERT_TRUE(people.addOnePerson(
      {{"name", "张三"}, {"idcard", kCard}, {"phone_number", kPhone}, {"time", "2026-12-08"}}));
  fillForm();
  ASSERT_TRUE(driver.press("常用预约人").ok);
  ASSERT_TRUE(driver.press("提交预约").ok);
  // Each thing the user may try meanwhile: refused, or without effect on the booking.
  EXPECT_FALSE(driver.press("提交预约").ok);
  form->btSubmit.onPress();  // a renderer that raced the disabling
  EXPECT_FALSE(driver.press("张三").ok) << "the person list is closed";
  EXPECT_FALSE(driver.press("常用预约人").ok);
  EXPECT_FALSE(driver.type("请输入真实姓名", "王五").ok);
  ASSERT_TRUE(driver.press("受理点:").ok);
  EXPECT_FALSE(driver.back().ok);
  form->backPressed();
  EXPECT_EQ(topTitle(), "户政业务");
  EXPECT_EQ(count("commitSchedule"), 1u);
  EXPECT_EQ(count("findStation"), 1u) << "only the one of the choice";
  reply("commitSchedule", R"({"STATES":"1","YYNUM":"202612100008"})");
  json detail = shownDetail();
  EXPECT_EQ(detail["bookid"], "202612100008");
  EXPECT_EQ(detail["name"], "李四");
  EXPECT_EQ(detail["idcard"], "110105194912310030");
  EXPECT_EQ(detail["phone"], "13600136000");
  EXPECT_EQ(people.getAllPersons().size(), 2u);
  EXPECT_TRUE(form->btSubmit.enabled && form->backEnabled && form->txUserName.enabled);
}

TEST_F(BookingFormTest, APersonThatCannotBeStoredIsToldAndTheBookingStillShows) {
  // The database refuses the person, as a full disk would.
  auto db = SqliteDatabase::open(*DBBase::databasePath(kPhone)).value;
  ASSERT_TRUE(db && db->execute("CREATE TRIGGER refuse BEFORE INSERT ON vok_person_history "
                                "BEGIN SELECT RAISE(ABORT, 'full'); END"));
  fillForm();
  ASSERT_TRUE(driver.press("提交预约").ok);
  reply("commitSchedule", R"({"STATES":"1","YYNUM":"202612100009"})");
  EXPECT_EQ(shownDetail()["bookid"], "202612100009");
  EXPECT_EQ(alertMessage(), "预约人未能保存，下次预约请重新填写");
}

TEST_F(BookingFormTest, TheAccountFillsThePersonOnlyWhileNoPersonIsStored) {
  openForm();
  typePerson("王五", "", "");
  // Back from a picker with no stored persons: the account's values replace what was typed.
  ASSERT_TRUE(driver.press("受理点:").ok);
  ASSERT_TRUE(driver.back().ok);
  EXPECT_EQ(form->txUserName.text, "张三");
  EXPECT_EQ(form->txPhone.text, kPhone);

  auto& people = ReservaionPersonManager::sharedReservaionPersonManager();
  ASSERT_TRUE(people.addOnePerson({{"name", "李四"},
                                   {"idcard", "110105194912310030"},
                                   {"phone_number", "13600136000"},
                                   {"time", "2026-12-08 10:00:00"}}));
  typePerson("王五", "", "");
  ASSERT_TRUE(driver.press("受理点:").ok);
  ASSERT_TRUE(driver.back().ok);
  EXPECT_EQ(form->txUserName.text, "王五");
  EXPECT_FALSE(form->btPersons.hidden);

  // After the persons are cleared (the personal centre's "清除常用联系人"), the account again.
  ASSERT_TRUE(people.clearPersons());
  ASSERT_TRUE(driver.press("受理点:").ok);
  ASSERT_TRUE(driver.back().ok);
  EXPECT_EQ(form->txUserName.text, "张三");
  EXPECT_TRUE(form->btPersons.hidden);
}

TEST_F(BookingFormTest, BlankOrMissingAccountValuesFillNothing) {
  ASSERT_TRUE(AccountManager::sharedAccountManage().updateAccountInfo({{"username", "  "}}));
  openForm();
  EXPECT_EQ(form->txUserName.text, "");
  EXPECT_EQ(form->txPhone.text, kPhone);
}

}  // namespace
}  // namespace vokari::testing
