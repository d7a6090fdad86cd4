#include <gtest/gtest.h>

#include <set>

#include "core/AlarmId.h"
#include "core/Base64.h"
#include "core/DateFormat.h"
#include "core/DeviceString.h"
#include "core/LocalZone.h"
#include "core/NetWorkStatus.h"
#include "core/Random.h"
#include "support/TestPlatform.h"

namespace vokari {
namespace {

using testing::LocalZone;
using testing::TestPlatform;

bool allDigits(const std::string& text) {
  return text.find_first_not_of("0123456789") == std::string::npos;
}

TEST(AlarmId, IsPhoneThenTimeAheadByTheZoneOffsetThenThreeDigits) {
  TestPlatform platform;  // wall clock 2026-01-15 09:30:00 UTC
  {
    LocalZone zone("CST-8");  // 17:30 local, read ahead by 8 hours
    std::string id = AlarmId::createAlarmId("13800000000");
    ASSERT_EQ(id.size(), 28u);
    EXPECT_EQ(id.substr(0, 25), "1380000000020260116013000");
    EXPECT_TRUE(allDigits(id.substr(25)));
  }
  {
    LocalZone zone("EST5");  // 04:30 local, read behind by 5 hours
    EXPECT_EQ(AlarmId::createAlarmId("13800000000").substr(11, 14), "20260114233000");
  }
  LocalZone zone("UTC0");
  platform.loop.advance(61);
  EXPECT_EQ(AlarmId::createAlarmId("13800000000").substr(11, 14), "20260115093101");
}

TEST(Random, DigitsHaveTheAskedLength) {
  EXPECT_EQ(Random::getRndByLen(0), "");
  EXPECT_EQ(Random::getRndByLen(-1), std::nullopt);
  std::string digits = Random::getRndByLen(60).value_or("");
  ASSERT_EQ(digits.size(), 60u);
  EXPECT_TRUE(allDigits(digits));
  // Reseeding on every draw must still give varied digits, not one repeated value.
  EXPECT_GT(std::set<char>(digits.begin(), digits.end()).size(), 1u);
}

TEST(DeviceString, MapsKnownModelsAndPassesUnknownOnesThrough) {
  EXPECT_EQ(DeviceString::deviceString("iPhone3,2"), "iPhone 4");
  EXPECT_EQ(DeviceString::deviceString("i386"), "Simulator");
  EXPECT_EQ(DeviceString::deviceString("iPhone7,2"), "iPhone7,2");
  TestPlatform platform;
  platform.platform.device.machine = "iPod5,1";
  EXPECT_EQ(DeviceString::deviceString(), "iPod Touch 5G");
}

TEST(NetWorkStatus, FollowsThePlatformReachability) {
  TestPlatform platform;
  EXPECT_TRUE(NetWorkStatus::getNetStatus());
  platform.reachability.setReachable(false);
  EXPECT_FALSE(NetWorkStatus::getNetStatus());
}

TEST(Base64, EncodesOnOneLineWithPadding) {
  const std::pair<const char*, const char*> vectors[] = {{"", ""},
                                                         {"f", "Zg=="},
                                                         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},
                                                         {"foob", "Zm9vYg=="},
                                                         {"fooba", "Zm9vYmE="},
                                                         {"foobar", "Zm9vYmFy"},
                                                         {"中", "5Lit"}};
  for (const auto& [plain, encoded] : vectors)
    EXPECT_EQ(Base64::base64EncodedString(plain), encoded);
  const std::uint8_t bytes[] = {0x00, 0xfb, 0xff, 0xfe};
  EXPECT_EQ(Base64::base64EncodedString(std::span<const std::uint8_t>(bytes)), "APv//g==");
  std::string long_ = Base64::base64EncodedString(std::string(300, 'x'));
  EXPECT_EQ(long_.size(), 400u);
  EXPECT_EQ(long_.find_first_of("\r\n"), std::string::npos);
}

TEST(DateFormat, WritesLocalTimeFromTheLoopClock) {
  TestPlatform platform;
  LocalZone zone("CST-8");
  EXPECT_EQ(DateFormat::now(), "2026-01-15 17:30:00");
  platform.loop.advance(3600 * 7 + 0.25);
  EXPECT_EQ(DateFormat::now(), "2026-01-16 00:30:00");
  auto at = platform.loop.wallClock();
  EXPECT_EQ(DateFormat::format(at, "yy/M/d H:m:s.SSS"), "26/1/16 0:30:0.250");
  EXPECT_EQ(DateFormat::format(at, "yyyy年MM月dd日"), "2026年01月16日");
}

}  // namespace
}  // namespace vokari
