#include "SettingsFixture.h"
#include "core/DeviceString.h"
#include "platform/Platform.h"
#include "settings/UploadDeviceToken.h"
#include "settings/UploadFeedback.h"

namespace vokari::testing {
namespace {

TEST_F(SettingsTest, TokenIsSentAsHexBlocksWithoutBracketsAndOnlyWithABadge) {
  const std::string bytes("\x01\x23\xab\xcd\x89\xef\x45\x67", 8);
  const std::string printed = UploadDeviceToken::printedToken(bytes);
  EXPECT_EQ(printed, "<0123abcd 89ef4567>");

  UploadDeviceToken upload;
  upload.uploadDeviceToken(printed, "0");
  platform.loop.runUntilIdle();
  ASSERT_EQ(engine.requests().size(), 1u);
  EXPECT_NE(engine.requests()[0].url.find("serverAgent!getToken.action"), std::string::npos);
  EXPECT_EQ(engine.requests()[0].timeOutSeconds, 20);
  EXPECT_EQ(lastBody("getToken"), (nlohmann::json{{"TOKEN", "0123abcd 89ef4567"}, {"NUM", "0"}}));

  upload.uploadDeviceToken(printed, std::nullopt);  // no badge text
  upload.uploadDeviceToken("<", "0");               // too short to strip
  upload.uploadDeviceToken("", "0");
  EXPECT_EQ(engine.requests().size(), 1u);
}

TEST_F(SettingsTest, OverlappingTokenReportsDoNotCancelEachOtherAndFailuresAreSilent) {
  UploadDeviceToken upload;
  upload.uploadDeviceToken("<aa>", "0");
  upload.uploadDeviceToken("<bb>", "3");
  const auto held = engine.pending();  // answering one takes it off the pending list
  ASSERT_EQ(held.size(), 2u);
  EXPECT_TRUE(engine.respond(held[0], FakeReply::failure(1)));
  EXPECT_TRUE(engine.respond(held[1], FakeReply::json(R"({"STATES":"FAIL"})")));
  platform.loop.runUntilIdle();
  EXPECT_FALSE(engine.requests()[0].cancelled);
  EXPECT_FALSE(engine.requests()[1].cancelled);
  EXPECT_TRUE(toolkit.hud.history().empty());
  EXPECT_TRUE(toolkit.alerts.history().empty());
}

struct Recorder : FeedbackDelegate {
  std::vector<bool> answers;
  void feedbackResponse(bool success) override { answers.push_back(success); }
};

TEST_F(SettingsTest, FeedbackJsonCarriesEveryKnownKeyAndLeavesOutMissingOnes) {
  EXPECT_FALSE(UploadFeedback::buildFeedbackJson(std::nullopt));
  FeedBack record = FeedBack::make();  // nobody signed in, no carrier on a desktop
  record.type = "设置";
  record.message = "好用/方便";
  record.agreement = "满意";
  EXPECT_EQ(nlohmann::json::parse(*UploadFeedback::buildFeedbackJson(record)),
            (nlohmann::json{{"TYPE", "设置"},
                            {"MESSAGE", "好用/方便"},
                            {"PHONE_TYPE", "Simulator"},  // the test platform's "x86_64"
                            {"SDK_VERSION", "6.1.0"},
                            {"APK_VERSION", "2.0.0"},
                            {"APK_AGREEMENT", "满意"}}));
  EXPECT_NE(UploadFeedback::buildFeedbackJson(record)->find("好用/方便"), std::string::npos);

  signIn();
  Platform::current().device.carrierName = "Carrier";
  Platform::current().device.machine = "iPhone5,2";
  Platform::current().device.systemVersion = "7.1.2";
  EXPECT_EQ(nlohmann::json::parse(*UploadFeedback::buildFeedbackJson(FeedBack::make())),
            (nlohmann::json{{"TYPE", ""},
                            {"MESSAGE", ""},
                            {"PHONE_TYPE", "iPhone 5"},
                            {"SDK_VERSION", "7.1.2"},
                            {"APK_VERSION", "2.0.0"},
                            {"MOBILE_IMEI", "Carrier"},
                            {"APK_AGREEMENT", ""},
                            {"PHONE_NUMBER", kPhone}}));
}

TEST_F(SettingsTest, FeedbackSenderJudgesSuccessAndDropsTheOutcomeWhenGone) {
  Recorder recorder;
  auto upload = std::make_unique<UploadFeedback>();
  upload->delegate = &recorder;
  upload->uploadFeedback(std::nullopt);
  EXPECT_TRUE(engine.requests().empty());

  engine.answerOnce("getClientInformation", FakeReply::json(R"({"STATES":"SUCCESS"})"));
  engine.answerOnce("getClientInformation", FakeReply::json(R"({"STATES":"1"})"));
  engine.answerOnce("getClientInformation", FakeReply::json("not json"));
  engine.answerOnce("getClientInformation", FakeReply::failure(2));
  for (int i = 0; i < 4; ++i) {
    upload->uploadFeedback(FeedBack::make());
    platform.loop.runUntilIdle();
  }
  EXPECT_EQ(recorder.answers, (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(engine.requests().back().timeOutSeconds, 30);

  upload->uploadFeedback(FeedBack::make());  // held: no rule left
  upload.reset();
  EXPECT_TRUE(engine.requests().back().cancelled);
  platform.loop.runUntilIdle();
  EXPECT_EQ(recorder.answers.size(), 4u);
}

}  // namespace
}  // namespace vokari::testing
