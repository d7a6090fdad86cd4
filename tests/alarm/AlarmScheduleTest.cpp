#include <set>

#include "AlarmFixture.h"
#include "alarm/UploadLocation.h"
#include "core/DateFormat.h"
#include "transport/HttpRequest.h"

namespace vokari::testing {
namespace {

class AlarmScheduleTest : public AlarmTest {
 protected:
  void SetUp() override {
    signIn();
    platform.location.report(36.061, 103.834);
    showMain();
  }
  // Fields 1 (time) and 5 (alarm id) of every send so far.
  std::vector<std::string> field(std::size_t index) const {
    std::vector<std::string> values;
    for (const auto& request : engine.requests())
      values.push_back(sosFields(request.body).at(index));
    return values;
  }
};

TEST_F(AlarmScheduleTest, SendsAtTheTapAndEveryMinuteForSixMinutesUnderOneAlarmId) {
  tapAlarm();
  EXPECT_EQ(platform.urlOpener.opened, std::vector<std::string>{"tel:110"});
  EXPECT_EQ(sends(), 1u);
  for (int minute = 1; minute <= 6; ++minute) {
    platform.loop.advance(60);
    EXPECT_EQ(sends(), static_cast<std::size_t>(minute + 1)) << "minute " << minute;
  }
  EXPECT_TRUE(main->alarmRunning());
  platform.loop.advance(60);  // the tick at 420 s ends the schedule without a send
  EXPECT_EQ(sends(), 7u);
  EXPECT_FALSE(main->alarmRunning());
  EXPECT_EQ(main->locationtime, 0);
  platform.loop.advance(3600);
  EXPECT_EQ(sends(), 7u);

  auto ids = field(4);
  EXPECT_EQ(std::set(ids.begin(), ids.end()).size(), 1u);
  EXPECT_EQ(ids[0].size(), 28u);
  EXPECT_TRUE(ids[0].starts_with(kPhone));
  auto times = field(0);
  EXPECT_EQ(std::set(times.begin(), times.end()).size(), 7u);
  EXPECT_EQ(times[6],
            DateFormat::format(platform.loop.wallClock() - std::chrono::seconds(3600 + 60),
                               DateFormat::kDateTime));
  EXPECT_EQ(platform.urlOpener.opened.size(), 1u);
}

TEST_F(AlarmScheduleTest, ASecondTapCancelsTheSendInFlightAndStartsOverWithANewId) {
  tapAlarm();
  platform.loop.advance(150);
  ASSERT_EQ(sends(), 3u);  // 0, 60 and 120 s; none answered yet
  // Sends of one alarm do not cut each other short.
  EXPECT_EQ(engine.pending(), (std::vector<std::size_t>{0, 1, 2}));

  tapAlarm();
  EXPECT_TRUE(send(2).cancelled);
  EXPECT_FALSE(send(1).cancelled);
  ASSERT_EQ(sends(), 4u);  // at once, with a new id
  auto ids = field(4);
  EXPECT_EQ(ids[0], ids[2]);
  EXPECT_NE(ids[3], ids[2]);
  EXPECT_EQ(main->locationtime, 60);

  platform.loop.advance(59);
  EXPECT_EQ(sends(), 4u);  // the old schedule's tick at 180 s is gone
  platform.loop.advance(1);
  EXPECT_EQ(sends(), 5u);  // 60 s after the second tap
  platform.loop.advance(6 * 60);
  EXPECT_EQ(sends(), 10u);
  EXPECT_FALSE(main->alarmRunning());
  ids = field(4);
  EXPECT_EQ(std::set(ids.begin() + 3, ids.end()).size(), 1u);
  EXPECT_EQ(platform.urlOpener.opened.size(), 2u);
}

TEST_F(AlarmScheduleTest, ReplacedSendsRunToTheirEndAndAreThenLetGo) {
  tapAlarm();
  std::weak_ptr<HttpRequest> first = main->upload()->upload();
  platform.loop.advance(60);
  ASSERT_EQ(sends(), 2u);
  ASSERT_FALSE(first.expired());  // still running although the sender holds the newer one
  EXPECT_TRUE(engine.respond(0, FakeReply::json("{\"STATES\":\"1\"}")));
  platform.loop.runUntilIdle();
  EXPECT_TRUE(first.expired());
  EXPECT_TRUE(engine.respond(1, FakeReply::failure(kHttpTimedOut)));  // failures are ignored too
  platform.loop.runUntilIdle();
  EXPECT_EQ(sends(), 2u);  // nothing is retried
}

TEST_F(AlarmScheduleTest, NoNetworkAtTheTapSkipsOnlyTheFirstSend) {
  platform.reachability.setReachable(false);
  tapAlarm();
  EXPECT_EQ(sends(), 0u);
  EXPECT_EQ(platform.urlOpener.opened, std::vector<std::string>{"tel:110"});
  platform.loop.advance(60);
  EXPECT_EQ(sends(), 1u);
  // The schedule counts sending steps, so without the tap's step it runs one minute longer.
  platform.loop.advance(6 * 60);
  EXPECT_EQ(sends(), 7u);
  EXPECT_TRUE(main->alarmRunning());
  platform.loop.advance(60);
  EXPECT_EQ(sends(), 7u);
  EXPECT_FALSE(main->alarmRunning());
}

TEST_F(AlarmScheduleTest, SendsWaitForAPositionAndOneZeroCoordinateIsAPosition) {
  platform.location.fail();
  tapAlarm();
  platform.loop.advance(60);
  EXPECT_EQ(sends(), 0u);
  EXPECT_TRUE(main->alarmRunning());

  platform.location.report(0, 5.5);
  platform.loop.advance(60);
  ASSERT_EQ(sends(), 1u);
  EXPECT_EQ(sosFields(send(0).body).at(7), "ll=5.500000|0.000000");

  platform.location.fail();
  platform.loop.advance(60);
  EXPECT_EQ(sends(), 1u);

  platform.location.report(-12.5, 0);
  platform.loop.advance(60);
  ASSERT_EQ(sends(), 2u);
  EXPECT_EQ(sosFields(send(1).body).at(7), "ll=0.000000|-12.500000");
}

TEST_F(AlarmScheduleTest, NotSignedInWarnsAndNeitherDialsNorSends) {
  tapAlarm();
  platform.loop.advance(60);
  ASSERT_EQ(sends(), 2u);
  AccountManager::sharedAccountManage().clearUserInfo();

  tapAlarm();  // stops the running alarm before finding nobody signed in
  EXPECT_TRUE(send(1).cancelled);
  const ui::AlertModel* alert = toolkit.alerts.top();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title, "警告");
  EXPECT_EQ(alert->message, "没有设置手机号码！");
  EXPECT_EQ(alert->buttons, std::vector<std::string>{"取消"});
  EXPECT_TRUE(driver.alert("取消").ok);
  platform.loop.advance(600);
  EXPECT_EQ(sends(), 2u);
  EXPECT_EQ(platform.urlOpener.opened.size(), 1u);  // only the first, signed-in tap dialled
  EXPECT_FALSE(main->alarmRunning());
}

// The schedule ends with its screen, but a position already on its way still reaches the police.
TEST_F(AlarmScheduleTest, LeavingTheScreenEndsTheScheduleAndTheTrackingButNotTheSendInFlight) {
  tapAlarm();
  MainViewController* raw = main.get();
  ASSERT_TRUE(platform.location.updating(raw));
  toolkit.navigator.setRoot(std::make_shared<ui::Screen>("other"));
  main.reset();
  platform.loop.advance(120);
  EXPECT_EQ(sends(), 1u);
  EXPECT_FALSE(platform.location.updating(raw));
  EXPECT_FALSE(send(0).cancelled);
  EXPECT_EQ(engine.pending(), (std::vector<std::size_t>{0}));
}

}  // namespace
}  // namespace vokari::testing
