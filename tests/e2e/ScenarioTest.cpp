// Whole roads through the terminal client against the stand-in services.

#include <gtest/gtest.h>

#include <map>

#include "Harness.h"
#include "server/Backend.h"
#include "support/TestPlatform.h"

namespace vokari::e2e {
namespace {

using vokari::testing::TempDir;

const std::vector<std::string> kFakeClock = {"--fake-clock"};

std::vector<vokari_backend::Record> listing(const std::string& dataDir,
                                            vokari_backend::Listing which) {
  auto records = vokari_backend::inspect(dataDir + "/backend", which);
  EXPECT_TRUE(records.ok()) << records.status.message();
  return records.value.value_or(std::vector<vokari_backend::Record>{});
}

// Each road runs in a data folder of its own.
class Scenario : public ::testing::Test {
 protected:
  TempDir dir;
  const std::string data = dir.path() + "/data";
};
using SettingsScenario = Scenario;
using AppointmentScenario = Scenario;

TEST_F(Scenario, ASessionPushesScreensAndGoesBack) {
  VokariRun run =
      runVokari(data,
                "press 注册\nexpect 请输入手机号\npress 显示密码\nback\nexpect 忘记密码?\n"
                "press 忘记密码?\nexpect 修改密码\nback\nexpect 登录\nquit\n",
                kFakeClock);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.printed("screen: 注册")) << run.output;
}

TEST_F(Scenario, RegistrationSignsInAndTheNextStartOpensTheMainScreen) {
  VokariRun first = runVokari(data, scenario("register.vks") + "quit\n", kFakeClock);
  ASSERT_EQ(first.status, 0) << first.output;
  EXPECT_TRUE(first.contains("sms: 13800000011 ")) << first.output;
  VokariRun second = runVokari(data, "expect LanzoVokari\nquit\n", kFakeClock);
  EXPECT_EQ(second.status, 0) << second.output;
  EXPECT_FALSE(second.printed("screen: 登录")) << second.output;
}

TEST_F(Scenario, AnotherClientLogsInWithTheAccountAgainstTheSameServices) {
  VokariRun registered = runVokari(data, scenario("register.vks") + "quit\n", kFakeClock);
  ASSERT_EQ(registered.status, 0) << registered.output;
  // The same services, now run on their own, and a second client with a fresh data folder.
  vokari_backend::Backend backend;
  vokari_backend::Options options;
  options.dataDir = data + "/backend";
  options.ports = vokari_backend::Ports::automatic();
  auto ports = backend.start(options);
  ASSERT_TRUE(ports.ok()) << ports.status.message();
  const auto& p = *ports.value;
  std::vector<std::string> external = {
      "--fake-clock", "--host", "127.0.0.1", "--ports",
      "general=" + std::to_string(p.general) + ",account=" + std::to_string(p.account) +
          ",appointment=" + std::to_string(p.appointment) + ",report=" + std::to_string(p.report)};
  VokariRun other = runVokari(dir.path() + "/other", scenario("login.vks") + "quit\n", external);
  EXPECT_EQ(other.status, 0) << other.output;
  EXPECT_TRUE(other.printed("hud: success 登陆成功")) << other.output;
}

TEST_F(Scenario, TheAlarmSendsSevenPositionsUnderOneAlarmId) {
  VokariRun run =
      runVokari(data, scenario("register.vks") + scenario("alarm.vks") + "quit\n", kFakeClock);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.printed("open: tel:110")) << run.output;
  std::map<std::string, int> perAlarm;
  for (const auto& record : listing(data, vokari_backend::Listing::Alarms)) {
    ++perAlarm[record["alarm_id"]];
    EXPECT_EQ(record["longitude"], "103.834304");
    EXPECT_EQ(record["latitude"], "36.061089");
  }
  ASSERT_EQ(perAlarm.size(), 1u) << run.output;
  EXPECT_EQ(perAlarm.begin()->first.size(), 28u);
  EXPECT_EQ(perAlarm.begin()->first.substr(0, 11), "13800000011");
  EXPECT_EQ(perAlarm.begin()->second, 7);
}

// A resident registered at the start of the road, then the named script.
VokariRun signedInRoad(const std::string& data, const std::string& name) {
  return runVokari(data, scenario("register.vks") + scenario(name), kFakeClock);
}

TEST_F(SettingsScenario, APhoneChangeMovesTheAccountAndTheNextStartFindsIt) {
  VokariRun changed = signedInRoad(data, "settings_phone_change.vks");
  ASSERT_EQ(changed.status, 0) << changed.output;
  VokariRun again = runVokari(data, scenario("settings_phone_change_restart.vks"), kFakeClock);
  EXPECT_EQ(again.status, 0) << again.output;
}

struct Road {
  const char* name;
  const char* script;  // its own expects check the screens
};
void PrintTo(const Road& road, std::ostream* out) {
  *out << road.script;
}

class SettingsRoad : public Scenario, public ::testing::WithParamInterface<Road> {};

TEST_P(SettingsRoad, EndsAsItsScriptExpects) {
  VokariRun run = signedInRoad(data, GetParam().script);
  EXPECT_EQ(run.status, 0) << run.output;
}

INSTANTIATE_TEST_SUITE_P(
    SettingsScenario, SettingsRoad,
    ::testing::Values(Road{"SubscribedAreasChangeTheSettingsLine", "settings_areas.vks"},
                      Road{"SigningOutAndLoggingInAgain", "settings_sign_out.vks"},
                      Road{"AResetPasswordLogsInWithTheNewOne", "settings_reset_password.vks"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsScenario, FeedbackReachesTheServices) {
  VokariRun run = signedInRoad(data, "settings_feedback.vks");
  ASSERT_EQ(run.status, 0) << run.output;
  auto feedback = listing(data, vokari_backend::Listing::Feedback);
  ASSERT_EQ(feedback.size(), 1u);
  EXPECT_EQ(feedback[0]["type"], "设置");
  EXPECT_EQ(feedback[0]["agreement"], "一般");
  EXPECT_EQ(feedback[0]["phone"], "13800000011");
  EXPECT_EQ(feedback[0]["message"], "设置页面很清楚");
}

TEST_F(AppointmentScenario, ABookingIsListedOpenedAndCancelled) {
  VokariRun run = signedInRoad(data, "appointment_book_cancel.vks");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.printed("hud: success 预约成功")) << run.output;
  EXPECT_TRUE(run.printed("alert: 取消预约？ |  | [否] [是]")) << run.output;
  EXPECT_TRUE(run.printed("hud: success 取消预约成功")) << run.output;
  // The slot's hours are shown once, after the booked day.
  EXPECT_FALSE(run.contains("11:00-12:00 11:00-12:00")) << run.output;
  auto booked = listing(data, vokari_backend::Listing::Bookings);
  ASSERT_EQ(booked.size(), 1u);
  EXPECT_EQ(booked[0]["login"], "13800000011");
  EXPECT_EQ(booked[0]["person"], "张三");
  EXPECT_EQ(booked[0]["card"], "11010519491231002X");
  EXPECT_EQ(booked[0]["phone"], "13800000011");
  EXPECT_EQ(booked[0]["station"], "Cindral区望湖派出所");
  EXPECT_EQ(booked[0]["business"], "户口迁入");
  EXPECT_EQ(booked[0]["slot"], "3");
  EXPECT_EQ(booked[0]["state"], "3");
}

TEST_F(AppointmentScenario, TheLastPlaceOfASlotIsTakenAndTheNextBookingIsRefused) {
  VokariRun run = signedInRoad(data, "appointment_full_slot.vks");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.printed("hud: error 预约数已满")) << run.output;
  auto booked = listing(data, vokari_backend::Listing::Bookings);
  ASSERT_EQ(booked.size(), 1u);
  EXPECT_EQ(booked[0]["person"], "张三");
  EXPECT_EQ(booked[0]["slot"], "1");
  EXPECT_EQ(booked[0]["state"], "1");
}

}  // namespace
}  // namespace vokari::e2e
