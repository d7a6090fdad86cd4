#include "common/GetCodeRequest.h"

#include <gtest/gtest.h>

#include "support/ScreenTest.h"

namespace vokari {
namespace {

struct RecordingDelegate : GetCodeDelegate {
  std::vector<std::string> replies;
  std::vector<int> failures;
  void responseSuccess(const std::string& reply) override { replies.push_back(reply); }
  void responseFailed(const HttpError& error) override { failures.push_back(error.code); }
};

struct CodeRequest : testing::ScreenTest {
  RecordingDelegate delegate;
  std::unique_ptr<GetCodeRequest> make(int type) {
    auto request = std::make_unique<GetCodeRequest>(type);
    request->getcodeDelegate = &delegate;
    return request;
  }
};

TEST_F(CodeRequest, EachTypeAsksItsActionWithItsBody) {
  auto reg = make(GetCodeRequest::kRegister);
  reg->getCodeWithPhoneNumber("13800000000");
  auto reset = make(GetCodeRequest::kResetPassword);
  reset->getCodeWithPhoneNumber("13800000001");
  auto change = make(GetCodeRequest::kChangePhone);
  change->getCodeWithPhoneNumber("13800000002");

  const auto& sent = http.requests();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].url, "http://127.0.0.1:64112/serverAgent!getCode.action");
  EXPECT_EQ(sent[0].body, R"({"PHONE_NUMBER":"13800000000"})");
  EXPECT_EQ(sent[1].url, "http://127.0.0.1:64112/serverAgent!modifyPasswordCode.action");
  EXPECT_EQ(nlohmann::json::parse(sent[1].body),
            (nlohmann::json{{"LOGIN_NAME", "13800000001"}, {"PASSWORD", "0"}}));
  EXPECT_EQ(sent[2].url, "http://127.0.0.1:64112/serverAgent!getCode.action");
  EXPECT_EQ(sent[2].body, R"({"PHONE_NUMBER":"13800000002"})");
  for (const auto& r : sent) {
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.timeOutSeconds, 20);
  }
}

TEST_F(CodeRequest, NoCallbackAfterCancelOrOnceTheRequestObjectIsGone) {
  auto request = make(GetCodeRequest::kRegister);
  request->getCodeWithPhoneNumber("13800000000");
  request->cancel();
  ASSERT_EQ(http.pending().size(), 0u);
  EXPECT_TRUE(http.requests()[0].cancelled);

  request->getCodeWithPhoneNumber("13800000000");
  const std::size_t held = http.pending().at(0);
  http.respond(held, FakeReply::json(R"({"STATES":"1"})"));  // the reply is queued on the loop
  request.reset();
  settle();
  EXPECT_TRUE(delegate.replies.empty());
  EXPECT_TRUE(delegate.failures.empty());
}

TEST_F(CodeRequest, ScreensJudgeTheReplyTheSameWay) {
  toolkit.hud.showBusy("正在获取短信验证码...");
  EXPECT_TRUE(GetCodeRequest::handleReply(R"({"STATES":"1"})", 0.8));
  EXPECT_FALSE(toolkit.hud.visible());

  // Refusals, and replies that are no JSON object, end the overlay with the notice.
  for (const char* reply : {R"({"STATES":"0"})", "{}", "<html>", "", R"(["1"])"}) {
    toolkit.hud.showBusy("正在获取短信验证码...");
    EXPECT_FALSE(GetCodeRequest::handleReply(reply, 1.0)) << reply;
    EXPECT_EQ(lastHud(), "获取短信验证码失败") << reply;
    EXPECT_EQ(lastHudDuration(), 1.0) << reply;
  }
  GetCodeRequest::handleFailure();
  EXPECT_EQ(lastHud(), "连接失败");
  EXPECT_EQ(toolkit.hud.last()->kind, ui::HudKind::Error);
}

}  // namespace
}  // namespace vokari
