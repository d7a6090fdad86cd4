#include "common/ResendCountdown.h"

#include <gtest/gtest.h>

#include "support/TestPlatform.h"

namespace vokari {
namespace {

constexpr const char* kPhone = "13800000001";
constexpr const char* kOtherPhone = "13900000002";

struct Countdown : ::testing::Test {
  testing::TestPlatform platform;
  ui::Button control;
  int codesAsked = 0;
  ResendCountdown countdown{kTimeRegCodeKey, kPhone, control, [this] { ++codesAsked; }};

  void store(const char* key, const std::string& count, const std::string& phone, double life) {
    platform.cache.set(key, count, life);
    platform.cache.set(std::string(key) + kPhoneKeySuffix, phone, life);
  }
};

TEST_F(Countdown, RunsFromSixtyToZeroThenOffersTheResend) {
  countdown.start();
  EXPECT_EQ(control.title, "重发验证码(60)");
  EXPECT_FALSE(control.enabled);
  platform.loop.advance(1.0);
  EXPECT_EQ(control.title, "重发验证码(60)");  // the first tick shows the start value again
  platform.loop.advance(59.0);
  EXPECT_EQ(control.title, "重发验证码(1)");
  EXPECT_FALSE(control.enabled);
  platform.loop.advance(1.0);  // the tick that shows 0 ends the countdown at once
  EXPECT_EQ(control.title, "重发验证码");
  EXPECT_TRUE(control.enabled);
  EXPECT_FALSE(countdown.ticking());
  EXPECT_EQ(countdown.timeCode(), 60);
  EXPECT_EQ(codesAsked, 0);
}

TEST_F(Countdown, LeavingStoresTheRunningCountWithItselfAsLifetime) {
  countdown.start();
  platform.loop.advance(18.0);  // each tick shows the count, then takes one off
  ASSERT_EQ(countdown.timeCode(), 42);
  countdown.saveTimecode();
  EXPECT_EQ(platform.cache.get(kTimeRegCodeKey), "42");
  EXPECT_EQ(platform.cache.get("TIMEREGCODE_PHONE"), kPhone);
  platform.loop.advance(41.5);
  EXPECT_EQ(ResendCountdown::storedTimeCode(kTimeRegCodeKey, kPhone), 42);
  platform.loop.advance(0.5);
  EXPECT_EQ(platform.cache.get(kTimeRegCodeKey), std::nullopt);
  EXPECT_EQ(platform.cache.get("TIMEREGCODE_PHONE"), std::nullopt);
}

TEST_F(Countdown, AFinishedCountdownIsNotStored) {
  countdown.start();
  platform.loop.advance(61.0);
  countdown.saveTimecode();
  EXPECT_EQ(platform.cache.get(kTimeRegCodeKey), std::nullopt);
}

TEST_F(Countdown, ResumesFromTheStoredValueUnderItsOwnKeyOnly) {
  store(kTimeResetCodeKey, "30", kPhone, 30);
  countdown.start();  // registration key: nothing stored there
  EXPECT_EQ(control.title, "重发验证码(60)");

  ui::Button other;
  ResendCountdown reset{kTimeResetCodeKey, kPhone, other, [] {}};
  reset.start();
  EXPECT_EQ(other.title, "重发验证码(30)");
  EXPECT_EQ(reset.timeCode(), 30);
}

TEST_F(Countdown, StoredValuesThatAreNotCountsReadAsZero) {
  for (const char* stored : {"", "abc", "0"}) {
    store(kTimeRegCodeKey, stored, kPhone, 100);
    EXPECT_EQ(ResendCountdown::storedTimeCode(kTimeRegCodeKey, kPhone), 0) << stored;
  }
  store(kTimeRegCodeKey, "17", kPhone, 100);
  EXPECT_EQ(ResendCountdown::storedTimeCode(kTimeRegCodeKey, kPhone), 17);
}

// The code went to one number: a screen for another number gets a fresh count (and, on the
// forms, a code of its own). A count stored without its number stands for none.
TEST_F(Countdown, AStoredCountStandsOnlyForTheNumberTheCodeWentTo) {
  store(kTimeRegCodeKey, "42", kOtherPhone, 100);
  EXPECT_EQ(ResendCountdown::storedTimeCode(kTimeRegCodeKey, kOtherPhone), 42);
  EXPECT_EQ(ResendCountdown::storedTimeCode(kTimeRegCodeKey, kPhone), 0);
  countdown.start();
  EXPECT_EQ(countdown.timeCode(), 60);
  EXPECT_EQ(control.title, "重发验证码(60)");

  platform.cache.remove("TIMEREGCODE_PHONE");
  EXPECT_EQ(ResendCountdown::storedTimeCode(kTimeRegCodeKey, kOtherPhone), 0);
}

TEST_F(Countdown, GoingAwayStopsTheTicker) {
  auto owned = std::make_unique<ResendCountdown>(kTimeRegCodeKey, kPhone, control, [] {});
  owned->start();
  owned.reset();
  control.title = "untouched";
  platform.loop.advance(5.0);
  EXPECT_EQ(control.title, "untouched");
}

}  // namespace
}  // namespace vokari
