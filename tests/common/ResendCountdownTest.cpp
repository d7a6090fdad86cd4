#include "common/ResendCountdown.h"

#include <gtest/gtest.h>

#include "support/TestPlatform.h"

namespace vokari {
namespace {

struct Countdown : ::testing::Test {
  testing::TestPlatform platform;
  ui::Button control;
  int codesAsked = 0;
  ResendCountdown countdown{kTimeRegCodeKey, control, [this] { ++codesAsked; }};
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

TEST_F(Countdown, APressAfterTheEndAsksForANewCodeAndCountsAgain) {
  countdown.start();
  platform.loop.advance(61.0);
  ASSERT_TRUE(control.enabled);
  control.onPress();
  EXPECT_EQ(codesAsked, 1);
  EXPECT_FALSE(control.enabled);
  platform.loop.advance(2.0);
  EXPECT_EQ(control.title, "重发验证码(59)");
}

TEST_F(Countdown, LeavingStoresTheRunningCountWithItselfAsLifetime) {
  countdown.start();
  platform.loop.advance(18.0);  // each tick shows the count, then takes one off
  ASSERT_EQ(countdown.timeCode(), 42);
  countdown.saveTimecode();
  EXPECT_EQ(platform.cache.get(kTimeRegCodeKey), "42");
  platform.loop.advance(41.5);
  EXPECT_EQ(ResendCountdown::storedTimeCode(kTimeRegCodeKey), 42);
  platform.loop.advance(0.5);
  EXPECT_EQ(platform.cache.get(kTimeRegCodeKey), std::nullopt);
}

TEST_F(Countdown, AFinishedCountdownIsNotStored) {
  countdown.start();
  platform.loop.advance(61.0);
  countdown.saveTimecode();
  EXPECT_EQ(platform.cache.get(kTimeRegCodeKey), std::nullopt);
}

TEST_F(Countdown, ResumesFromTheStoredValueUnderItsOwnKeyOnly) {
  platform.cache.set(kTimeResetCodeKey, "30", 30);
  countdown.start();  // registration key: nothing stored there
  EXPECT_EQ(control.title, "重发验证码(60)");

  ui::Button other;
  ResendCountdown reset{kTimeResetCodeKey, other, [] {}};
  reset.start();
  EXPECT_EQ(other.title, "重发验证码(30)");
  EXPECT_EQ(reset.timeCode(), 30);
}

TEST_F(Countdown, StoredValuesThatAreNotCountsReadAsZero) {
  for (const char* stored : {"", "abc", "0"}) {
    platform.cache.set(kTimeRegCodeKey, stored, 100);
    EXPECT_EQ(ResendCountdown::storedTimeCode(kTimeRegCodeKey), 0) << stored;
  }
  platform.cache.set(kTimeRegCodeKey, "17", 100);
  EXPECT_EQ(ResendCountdown::storedTimeCode(kTimeRegCodeKey), 17);
}

TEST_F(Countdown, GoingAwayStopsTheTicker) {
  auto owned = std::make_unique<ResendCountdown>(kTimeRegCodeKey, control, [] {});
  owned->start();
  owned.reset();
  control.title = "untouched";
  platform.loop.advance(5.0);
  EXPECT_EQ(control.title, "untouched");
}

}  // namespace
}  // namespace vokari
