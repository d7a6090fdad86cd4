// Every way back from a booking screen cancels its exchange and takes the overlay away; a late
// reply reaches nobody.

#include "AppointmentFixture.h"
#include "appointments/PointAndBusiSelectViewController.h"
#include "appointments/PointSelectViewController.h"
#include "appointments/QueryReservationViewController.h"
#include "appointments/ReservationDetailViewController.h"
#include "appointments/ReservationMainViewController.h"

namespace vokari::testing {
namespace {

class LeavingTest : public AppointmentTest {
 protected:
  void SetUp() override { signIn(); }

  // Goes back while the action is awaited, then answers it as the service would have.
  void leaveAndAnswer(const std::string& action, const std::string& answer) {
    auto waiting = held(action);
    ASSERT_EQ(waiting.size(), 1u) << action;
    EXPECT_TRUE(toolkit.hud.visible()) << action;
    ASSERT_TRUE(driver.back().ok) << action;
    settle();
    EXPECT_EQ(topTitle(), "MAIN") << action;
    EXPECT_FALSE(toolkit.hud.visible()) << action;
    EXPECT_TRUE(http.requests()[waiting[0]].cancelled) << action;
    EXPECT_FALSE(http.respond(waiting[0], FakeReply::json(answer))) << action;
    settle();
    EXPECT_EQ(topTitle(), "MAIN") << action;
    EXPECT_EQ(stored("phone_number"), kPhone) << action;
  }
  // The booking form with a station and a business type chosen, its time line pressed.
  std::shared_ptr<ReservationMainViewController> openUpToTheSlots() {
    auto form = open<ReservationMainViewController>();
    chooseStation("Arveno区城关派出所");
    chooseType("出生登记");
    EXPECT_TRUE(driver.press("时间段:").ok);
    return form;
  }
};

TEST_F(LeavingTest, EachScreenLeftWithAnExchangeInFlight) {
  // "6" would sign out and navigate if it reached a screen.
  const std::string anomaly = R"({"STATES":"6"})";
  open<QueryReservationViewController>();
  leaveAndAnswer("selectScheduleInfo", R"({"STATES":"1","USER_LIST":[]})");

  open<PointSelectViewController>([](const json&) { ADD_FAILURE() << "picked"; });
  leaveAndAnswer("findStation", anomaly);

  open<PointAndBusiSelectViewController>(json("AV01"),
                                         [](const json&) { ADD_FAILURE() << "picked"; });
  leaveAndAnswer("findType", anomaly);

  auto detail = open<ReservationDetailViewController>(json{{"bookid", "1"}});
  ASSERT_TRUE(driver.press("取消预约").ok);
  ASSERT_TRUE(driver.alert("是").ok);
  leaveAndAnswer("cannelSchedule", anomaly);

  auto form = openUpToTheSlots();
  leaveAndAnswer("findTime", anomaly);
}

TEST_F(LeavingTest, TheFormCannotBeLeftWhileASubmissionIsAwaited) {
  auto form = openUpToTheSlots();
  reply("findTime", times().dump());
  ASSERT_TRUE(driver.press("完成").ok);
  ASSERT_TRUE(driver.press("提交预约").ok);
  // The booking may exist at the service already: the form stays until its number is shown.
  EXPECT_FALSE(driver.back().ok);
  reply("commitSchedule", R"({"STATES":"1","YYNUM":"1"})");
  EXPECT_EQ(shownDetail()["bookid"], "1");
}

TEST_F(LeavingTest, ASecondPressOfTheTimeLineReplacesTheFirstLookup) {
  auto form = openUpToTheSlots();
  ASSERT_TRUE(driver.press("时间段:").ok);
  ASSERT_EQ(held("findTime").size(), 1u);
  EXPECT_EQ(count("findTime"), 2u);
  reply("findTime", times().dump());
  EXPECT_FALSE(form->slots.picker.hidden);
}

}  // namespace
}  // namespace vokari::testing
