// The request's contract with its caller: one callback per started request, on the main loop,
// none after clearDelegatesAndCancel; driven deterministically through the fake engine.

#include <gtest/gtest.h>

#include "Recording.h"
#include "support/TestPlatform.h"
#include "transport/FakeHttpEngine.h"
#include "transport/HttpRequest.h"

namespace vokari::testing {
namespace {

class RequestTest : public ::testing::Test {
 protected:
  TestPlatform platform;
  FakeHttpEngine engine;
  RecordingDelegate delegate;

  std::shared_ptr<HttpRequest> started(const std::string& url = "http://h:1/a") {
    auto request = HttpRequest::initWithURL(url);
    request->setDelegate(&delegate);
    request->startAsynchronous();
    return request;
  }
};

TEST_F(RequestTest, RepliesArriveOnTheMainLoopAndOnlyOnce) {
  engine.answer("/a", FakeReply::json("{}", 404));
  auto request = started();
  EXPECT_TRUE(delegate.calls.empty());  // never inside startAsynchronous
  EXPECT_EQ(HttpRequest::inFlight(), 1u);

  platform.loop.runUntilIdle();
  ASSERT_EQ(delegate.calls.size(), 1u);
  EXPECT_TRUE(delegate.only().finished);
  EXPECT_EQ(delegate.only().status, 404);
  EXPECT_EQ(HttpRequest::inFlight(), 0u);

  request->startAsynchronous();  // a request runs once
  request->cancel();             // and a completed one stays complete
  platform.loop.runUntilIdle();
  EXPECT_EQ(delegate.calls.size(), 1u);
  EXPECT_EQ(request->state(), HttpRequestState::Complete);
  EXPECT_EQ(engine.requests().size(), 1u);
}

TEST_F(RequestTest, CancelFailsTheRequestWithCode4AndDropsALateReply) {
  auto held = started();
  held->cancel();
  EXPECT_TRUE(engine.requests()[0].cancelled);
  EXPECT_FALSE(engine.respond(0, FakeReply::json("{}")));

  // A reply already posted when cancel comes is dropped in favour of the cancellation.
  engine.answer("/b", FakeReply::json("{}"));
  auto replied = started("http://h:1/b");
  replied->cancel();
  platform.loop.runUntilIdle();

  ASSERT_EQ(delegate.calls.size(), 2u);
  for (const auto& call : delegate.calls) {
    EXPECT_FALSE(call.finished);
    EXPECT_EQ(call.errorCode, kHttpCancelled);
  }
  EXPECT_EQ(held->error()->description, "The request was cancelled");
  EXPECT_EQ(HttpRequest::inFlight(), 0u);
}

TEST_F(RequestTest, NothingReachesADelegateAfterClearDelegatesAndCancel) {
  engine.answer("/posted", FakeReply::json("{}"));
  auto posted = started("http://h:1/posted");  // reply waiting on the loop
  auto held = started("http://h:1/held");      // no reply yet
  auto cancelled = started("http://h:1/held");
  cancelled->cancel();  // failure waiting on the loop

  for (auto& request : {posted, held, cancelled}) request->clearDelegatesAndCancel();
  EXPECT_EQ(HttpRequest::inFlight(), 0u);
  platform.loop.runUntilIdle();
  EXPECT_FALSE(engine.respond(1, FakeReply::json("{}")));
  platform.loop.runUntilIdle();
  EXPECT_TRUE(delegate.calls.empty());

  posted->clearDelegatesAndCancel();  // safe again, and on a request never started
  HttpRequest::initWithURL("http://h:1/x")->clearDelegatesAndCancel();
}

TEST_F(RequestTest, ARequestTheCallerDropsStillRunsToItsCallback) {
  started("http://h:1/upload");
  EXPECT_EQ(engine.pending().size(), 1u);
  EXPECT_TRUE(engine.respond(engine.pending()[0], FakeReply::json("{\"STATES\":\"SUCCESS\"}")));
  platform.loop.runUntilIdle();
  ASSERT_EQ(delegate.calls.size(), 1u);
  EXPECT_EQ(delegate.only().data, "{\"STATES\":\"SUCCESS\"}");
}

TEST_F(RequestTest, ACallbackMayCancelDropOrReplaceItsOwnRequest) {
  engine.answer("/", FakeReply::json("{}"));
  std::shared_ptr<HttpRequest> current = started();
  std::shared_ptr<HttpRequest> next;
  delegate.onCall = [&](HttpRequest& request) {
    request.clearDelegatesAndCancel();
    current.reset();  // the caller's last reference, inside the callback
    if (!next) {
      next = HttpRequest::initWithURL("http://h:1/next");
      next->setDelegate(&delegate);
      next->startAsynchronous();
    }
  };
  platform.loop.runUntilIdle();
  EXPECT_EQ(delegate.calls.size(), 2u);
  EXPECT_EQ(HttpRequest::inFlight(), 0u);
}

TEST_F(RequestTest, TagAndUserInfoComeBackAndHeadersAreReplacedByName) {
  engine.answer("/", FakeReply::failure(kHttpConnectionFailure));
  auto request = HttpRequest::initWithURL("http://h:1/");
  request->setDelegate(&delegate);
  request->setTag(1001);
  request->setUserInfo({{"phone_number", "13800000000"}});
  request->addRequestHeader("X-A", "1");
  request->addRequestHeader("x-a", "2");  // names are used unchanged: another header
  request->addRequestHeader("X-A", "3");
  request->startAsynchronous();
  // What is sent is fixed at the start.
  request->setRequestMethod("POST");
  request->appendPostData("late");
  request->addRequestHeader("X-Late", "1");
  request->setTimeOutSeconds(1);
  request->setTag(7);
  platform.loop.runUntilIdle();

  ASSERT_EQ(delegate.calls.size(), 1u);
  EXPECT_EQ(delegate.only().errorCode, kHttpConnectionFailure);
  EXPECT_EQ(delegate.only().tag, 1001);
  EXPECT_EQ(delegate.only().userInfo["phone_number"], "13800000000");
  const auto& sent = engine.requests()[0];
  EXPECT_EQ(sent.method, "GET");
  EXPECT_EQ(sent.timeOutSeconds, 10.0);
  EXPECT_EQ(sent.tag, 1001);
  EXPECT_EQ(sent.body, "");
  EXPECT_EQ(request->requestMethod(), "GET");
  EXPECT_EQ(request->postBody(), "");
  EXPECT_EQ(request->tag(), 1001);
  EXPECT_EQ(request->timeOutSeconds(), 10.0);
  EXPECT_EQ(request->requestHeaders(), (HttpHeaderList{{"X-A", "3"}, {"x-a", "2"}}));
}

TEST_F(RequestTest, UserAgentNamesTheBuildWhenItDiffersFromTheVersion) {
  EXPECT_EQ(defaultUserAgent(), "Vokari 2.0.0 (x86_64; Linux 6.1.0; zh_CN)");
  platform.platform.device.appBuild = "2.0.0.17";
  EXPECT_EQ(defaultUserAgent(), "Vokari 2.0.0 rv:2.0.0.17 (x86_64; Linux 6.1.0; zh_CN)");
  started();
  EXPECT_EQ(engine.requests()[0].header("user-agent"), defaultUserAgent());
}

TEST(HttpErrorTest, EveryCodeOfTheDomainHasItsDescription) {
  const std::vector<std::pair<int, std::string>> table = {
      {kHttpConnectionFailure, "A connection failure occurred"},
      {kHttpTimedOut, "The request timed out"},
      {kHttpAuthenticationNeeded, "Authentication needed"},
      {kHttpCancelled, "The request was cancelled"},
      {kHttpUnableToCreateRequest, "Unable to create request (bad url?)"},
      {kHttpInternalError, "Unable to start HTTP connection"},
      {kHttpTooManyRedirects, "The request failed because it redirected too many times"},
  };
  const std::vector<int> codes = {1, 2, 3, 4, 5, 6, 9};
  ASSERT_EQ(table.size(), codes.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    const auto& [code, description] = table[i];
    EXPECT_EQ(code, codes[i]);
    const HttpError error = HttpError::make(code);
    EXPECT_EQ(error.domain, "HttpRequestErrorDomain") << code;
    EXPECT_EQ(error.code, code);
    EXPECT_EQ(error.description, description) << code;
  }
}

// A body source that hands out its bytes in small pieces, or fails.
class SmallPieces final : public HttpBodySource {
 public:
  explicit SmallPieces(std::string bytes, bool fails = false)
      : bytes_(std::move(bytes)), fails_(fails) {}
  std::uint64_t size() const override { return bytes_.size(); }
  long long read(std::uint64_t offset, char* out, std::size_t length) override {
    if (fails_ && offset > 0) return -1;
    const auto count = std::min<std::size_t>({length, 3, bytes_.size() - offset});
    bytes_.copy(out, count, offset);
    return static_cast<long long>(count);
  }

 private:
  std::string bytes_;
  bool fails_;
};

TEST_F(RequestTest, TheFakeEngineRecordsTheLaneAndReadsABodySourceWhole) {
  engine.answer("/", FakeReply::json("{}"));
  auto request = HttpRequest::initWithURL("http://h:1/upload");
  request->setDelegate(&delegate);
  request->setRequestMethod("POST");
  request->setLane(TransferLane::Pictures);
  request->setPostBodySource(
      std::make_shared<SmallPieces>(std::string("a\0b\xFF"
                                                "cdefg",
                                                8)));
  request->startAsynchronous();

  auto unreadable = HttpRequest::initWithURL("http://h:1/upload");
  unreadable->setDelegate(&delegate);
  unreadable->setPostBodySource(std::make_shared<SmallPieces>("abcdefg", true));
  unreadable->startAsynchronous();
  platform.loop.runUntilIdle();

  const auto& sent = engine.requests().at(0);
  EXPECT_EQ(sent.body, std::string("a\0b\xFF"
                                   "cdefg",
                                   8));
  EXPECT_TRUE(sent.bodyFromSource);
  EXPECT_EQ(sent.lane, TransferLane::Pictures);
  EXPECT_EQ(engine.requests().at(1).lane, TransferLane::Service);  // the default
  ASSERT_EQ(delegate.calls.size(), 2u);
  EXPECT_TRUE(delegate.calls[0].finished);
  EXPECT_EQ(delegate.calls[1].errorCode, kHttpConnectionFailure);
  EXPECT_TRUE(engine.requests().at(1).bodyUnreadable);
}

TEST(FakeEngineTest, HeldRequestsAreLetGoWithoutCallbacksWhenTheEngineGoes) {
  TestPlatform platform;
  RecordingDelegate delegate;
  {
    FakeHttpEngine engine;
    auto request = HttpRequest::initWithURL("http://h:1/");
    request->setDelegate(&delegate);
    request->startAsynchronous();
    EXPECT_EQ(&HttpEngine::current(), &engine);
  }
  EXPECT_EQ(HttpRequest::inFlight(), 0u);
  platform.loop.runUntilIdle();
  EXPECT_TRUE(delegate.calls.empty());
}

TEST(FakeEngineTest, OneTimeAnswersGoFirstThenTheLatestLastingOne) {
  TestPlatform platform;
  FakeHttpEngine engine;
  RecordingDelegate delegate;
  engine.answer("login", FakeReply::json("old"));
  engine.answer("login", FakeReply::json("new"));
  engine.answerOnce("login", FakeReply::json("first"));
  for (int i = 0; i < 3; ++i) {
    auto request = HttpRequest::initWithURL("http://h:1/x!login.action");
    request->setDelegate(&delegate);
    request->startAsynchronous();
  }
  platform.loop.runUntilIdle();
  ASSERT_EQ(delegate.calls.size(), 3u);
  EXPECT_EQ(delegate.calls[0].data, "first");
  EXPECT_EQ(delegate.calls[1].data, "new");
  EXPECT_EQ(delegate.calls[2].data, "new");
  EXPECT_EQ(engine.last("login")->id, 2u);
  EXPECT_EQ(engine.last("nothing"), nullptr);
}

}  // namespace
}  // namespace vokari::testing
