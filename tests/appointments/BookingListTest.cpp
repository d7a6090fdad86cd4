// The list of bookings and the detail of one, with its cancellation.

#include "AppointmentFixture.h"
#include "appointments/BookingRecord.h"
#include "appointments/QueryCell.h"
#include "appointments/QueryReservationViewController.h"
#include "appointments/ReservationDetailViewController.h"

namespace vokari::testing {
namespace {

json booking(int n, const std::string& state = "1") {
  std::string id = "2026121000" + std::string(n < 10 ? "0" : "") + std::to_string(n);
  return {{"schedule_id", id},
          {"schedule_name", "李四"},
          {"schedule_card_number", kCard},
          {"schedule_type_name", "户口迁入"},
          {"schedule_address_name", "Arveno区新华派出所"},
          {"schedule_date", "2026-12-10 14:00-15:00"},
          {"schedule_date_dual", "4"},
          {"name", "13600136000"},
          {"statu", state}};
}

json bookings(int n) {
  json reply{{"STATES", "1"}, {"USER_LIST", json::array()}};
  for (int i = 0; i < n; ++i) reply["USER_LIST"].push_back(booking(i));
  return reply;
}

class BookingListTest : public AppointmentTest {
 protected:
  void SetUp() override { signIn(); }
  std::shared_ptr<QueryReservationViewController> openList() {
    list = open<QueryReservationViewController>();
    return list;
  }
  std::shared_ptr<QueryReservationViewController> list;
};

TEST_F(BookingListTest, TheListQueriesOnEveryAppearanceAndNumbersItsRows) {
  openList();
  EXPECT_EQ(hudText(), "正在查询...");
  EXPECT_EQ(lastBody("selectScheduleInfo"),
            (json{{"LOGIN_NAME", kPhone}, {"PASSWORD", "secret1"}}));
  EXPECT_FALSE(driver.shows("对不起,您没有任何预约信息！"));  // nothing known yet
  replyJson("selectScheduleInfo", bookings(11));
  EXPECT_TRUE(showsLine("序列  姓名  预约号        详情"));
  const auto& rows = list->table.sections[0].rows;
  ASSERT_EQ(rows.size(), 11u);
  EXPECT_EQ(rows[0].text, "0000");
  EXPECT_EQ(rows[10].text, "0010");
  EXPECT_EQ(rows[10].detail, "李四  202612100010");
  EXPECT_FALSE(driver.shows("对不起,您没有任何预约信息！"));

  ASSERT_TRUE(driver.press("0003").ok);
  EXPECT_EQ(topTitle(), "预约查询");
  EXPECT_EQ(shownDetail()["bookid"], "202612100003");
  ASSERT_TRUE(driver.back().ok);
  EXPECT_EQ(count("selectScheduleInfo"), 2u);
  EXPECT_EQ(hudText(), "正在查询...");
  // A row opened meanwhile ends the query: its late reply would land on the detail.
  std::size_t again = held("selectScheduleInfo").at(0);
  ASSERT_TRUE(driver.press("0001").ok);
  EXPECT_TRUE(http.requests()[again].cancelled);
}

TEST_F(BookingListTest, AnEmptyListShowsTheEmptyStateAndAFailureKeepsTheOldRows) {
  openList();
  // A failure says nothing about the bookings: the notice, not the empty state.
  failTransport("selectScheduleInfo");
  EXPECT_EQ(hudText(), "连接失败");
  EXPECT_FALSE(driver.shows("对不起,您没有任何预约信息！"));
  list->viewWillAppear();
  reply("selectScheduleInfo", R"({"STATES":"0"})");
  EXPECT_FALSE(driver.shows("对不起,您没有任何预约信息！"));
  EXPECT_TRUE(list->emptyPicture.hidden);
  list->viewWillAppear();
  replyJson("selectScheduleInfo", bookings(0));
  EXPECT_TRUE(driver.shows("对不起,您没有任何预约信息！"));
  EXPECT_FALSE(list->emptyPicture.hidden);
  EXPECT_TRUE(list->emptyPicture.bytes && list->emptyPicture.bytes->starts_with("\x89PNG"));
  EXPECT_TRUE(list->table.hidden);

  list->viewWillAppear();
  replyJson("selectScheduleInfo", bookings(2));
  EXPECT_FALSE(driver.shows("对不起,您没有任何预约信息！"));
  for (const char* failure : {R"({"STATES":"0","USER_LIST":[]})", R"({"STATES":"6"})", " "}) {
    list->viewWillAppear();
    reply("selectScheduleInfo", failure);
    EXPECT_EQ(list->dataArray().size(), 2u) << failure;
    EXPECT_FALSE(list->table.hidden);
  }
  EXPECT_EQ(stored("phone_number"), kPhone);  // "6" on the query keeps the account
  list->viewWillAppear();
  failTransport("selectScheduleInfo");
  EXPECT_EQ(hudText(), "连接失败");
  EXPECT_EQ(list->dataArray().size(), 2u);
}

TEST_F(BookingListTest, ReserveCancelsTheQueryAndOpensTheForm) {
  openList();
  ASSERT_TRUE(driver.press("我要预约").ok);
  EXPECT_TRUE(http.requests()[0].cancelled);
  EXPECT_EQ(topTitle(), "户政业务");
  EXPECT_EQ(hudKind(), ui::HudKind::Hidden);
  EXPECT_EQ(list->dataArray().size(), 0u);
}

TEST_F(BookingListTest, DetailRecordsCarryTheBookingFields) {
  EXPECT_EQ(detailFromBooking(booking(3, "2")), (json{{"bookid", "202612100003"},
                                                      {"name", "李四"},
                                                      {"idcard", kCard},
                                                      {"busi", "户口迁入"},
                                                      {"point", "Arveno区新华派出所"},
                                                      {"time", "2026-12-10 14:00-15:00"},
                                                      {"timedetail", "4"},
                                                      {"phone", "13600136000"},
                                                      {"status", "2"}}));
  EXPECT_EQ(QueryCell::make(7, {{"bookid", 12}, {"name", "王五"}}).lbNum, "0007");
  EXPECT_EQ(QueryCell::make(7, {{"bookid", 12}}).lbBookid, "12");
}

TEST_F(BookingListTest, TheDetailShowsItsEightLinesWithTheSlotHoursAndState) {
  json record = detailFromBooking(booking(1));
  record["time"] = "2026-12-10";
  auto detail = open<ReservationDetailViewController>(record);
  std::vector<std::string> shown;
  for (const auto& line : detail->lines) shown.push_back(line.text);
  EXPECT_EQ(shown, (std::vector<std::string>{
                       "  预约号:  202612100001", "  姓名:  李四", "  手机号码:  13600136000",
                       "  身份证:  " + std::string(kCard), "  受理点:  Arveno区新华派出所",
                       "  业务类型:  户口迁入", "  时间段:  2026-12-10 14:00-15:00",
                       "  预约状态:  已预约"}));

  const std::vector<std::pair<json, std::string>> times{
      {{{"time", "2026-12-10"}, {"timedetail", "4"}}, "2026-12-10 14:00-15:00"},
      {{{"time", "2026-12-10"}, {"timedetail", "1"}}, "2026-12-10 09:00-10:00"},
      {{{"time", "2026-12-10"}, {"timedetail", "7"}}, "2026-12-10 17:00-18:00"},
      {{{"time", "2026-12-10"}, {"timedetail", "8"}}, "2026-12-10"},
      {{{"time", "2026-12-10 14:00-15:00"}}, "2026-12-10 14:00-15:00"},  // built after booking
  };
  for (const auto& [d, text] : times) EXPECT_EQ(ReservationDetailViewController::timeText(d), text);
  const std::vector<std::pair<std::string, std::string>> states{
      {"1", "已预约"}, {"2", "已办理"}, {"3", "已取消"}, {"4", "爽约"},
      {"5", ""},       {"x", ""},       {"", ""}};
  for (const auto& [code, text] : states) EXPECT_EQ(stateText(code), text) << code;
}

TEST_F(BookingListTest, CancellingAsksThenClosesAndTheListQueriesAnew) {
  openList();
  replyJson("selectScheduleInfo", bookings(1));
  ASSERT_TRUE(driver.press("0000").ok);
  ASSERT_TRUE(driver.press("取消预约").ok);
  EXPECT_EQ(alertTitle(), "取消预约？");
  EXPECT_EQ(alertMessage(), "");
  EXPECT_EQ(toolkit.alerts.top()->buttons, (std::vector<std::string>{"否", "是"}));
  ASSERT_TRUE(driver.alert("否").ok);
  EXPECT_EQ(count("cannelSchedule"), 0u);

  ASSERT_TRUE(driver.press("取消预约").ok);
  ASSERT_TRUE(driver.alert("是").ok);
  EXPECT_EQ(hudText(), "正在取消预约...");
  EXPECT_EQ(lastBody("cannelSchedule"),
            (json{{"ID", "202612100000"}, {"LOGIN_NAME", kPhone}, {"PASSWORD", "secret1"}}));
  reply("cannelSchedule", R"({"STATES":"0"})");
  EXPECT_EQ(hudText(), "取消预约失败");
  EXPECT_EQ(topTitle(), "预约查询");

  ASSERT_TRUE(driver.press("取消预约").ok);
  ASSERT_TRUE(driver.alert("是").ok);
  // Pressed again while the first is awaited: the service cancels on the first only.
  EXPECT_FALSE(driver.press("取消预约").ok);
  dynamic_cast<ReservationDetailViewController&>(*toolkit.navigator.top()).btCancel.onPress();
  ASSERT_TRUE(driver.alert("是").ok);
  EXPECT_EQ(held("cannelSchedule").size(), 1u);
  EXPECT_EQ(count("cannelSchedule"), 2u);
  reply("cannelSchedule", R"({"STATES":"1"})");
  settle();
  EXPECT_EQ(topTitle(), "户政业务");
  EXPECT_EQ(toolkit.hud.last()->text, "正在查询...");
  EXPECT_EQ(count("selectScheduleInfo"), 2u);
}

TEST_F(BookingListTest, ADetailWithoutABookingNumberSendsNothing) {
  open<ReservationDetailViewController>(json{{"bookid", " "}});
  ASSERT_TRUE(driver.press("取消预约").ok);
  ASSERT_TRUE(driver.alert("是").ok);
  EXPECT_EQ(count("cannelSchedule"), 0u);
}

}  // namespace
}  // namespace vokari::testing
