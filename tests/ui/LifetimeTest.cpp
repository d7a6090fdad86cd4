// Work a screen hands out (a request, a timer, an alert, the navigator's deferred release) never
// reaches it once it is gone, and a test never reaches the network by accident. The callbacks
// touch the screen's members, so one that ran late would also be caught by AddressSanitizer.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <memory>

#include "support/TestPlatform.h"
#include "transport/FakeHttpEngine.h"
#include "transport/RequestHandle.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

// A screen with one of each kind of pending work; every callback counts in `heard`.
class Busy final : public ui::Screen, public HttpRequestDelegate {
 public:
  explicit Busy(int& heard) : ui::Screen("BUSY"), heard_(heard) {}

  void startEverything(RunLoop& loop) {
    request_ = RequestHandle(HttpRequest::initWithURL("http://127.0.0.1:9/serverAgent!x.action"));
    request_->setDelegate(this);
    request_->startAsynchronous();
    timer_ = loop.after(1.0, [this] { note(); });
    ui::Ui::current().alerts->show({"", "pending", {"好"}}, guard([this](int) { note(); }));
  }
  void requestFinished(HttpRequest&) override { note(); }
  void requestFailed(HttpRequest&) override { note(); }

 private:
  void note() {
    ++notes_;  // a member: touching it after destruction is a use after free
    ++heard_;
  }
  int& heard_;
  int notes_ = 0;
  RequestHandle request_;
  Timer timer_;
};

struct Lifetimes : ::testing::Test {
  testing::TestPlatform platform;
  FakeHttpEngine http;
  ui::Screens screens;
  int heard = 0;
};

TEST_F(Lifetimes, AScreenGoneWithEverythingPendingHearsNothing) {
  ui::Toolkit toolkit(platform.loop, screens);
  auto root = std::make_shared<ui::Screen>("ROOT");
  toolkit.navigator.setRoot(root);
  {
    auto busy = std::make_shared<Busy>(heard);
    root->push(busy);
    busy->startEverything(platform.loop);
    busy->pop();  // its release is deferred to the loop
  }
  platform.loop.runUntilIdle();  // the release: the screen is gone now
  ASSERT_EQ(http.requests().size(), 1u);
  EXPECT_TRUE(http.requests()[0].cancelled);
  EXPECT_FALSE(http.respond(0, FakeReply::json("{}")));
  platform.loop.advance(2.0);            // past the timer
  ASSERT_TRUE(toolkit.alerts.press(0));  // the alert outlived its screen
  EXPECT_EQ(heard, 0);
  EXPECT_EQ(HttpRequest::inFlight(), 0u);
}

// The toolkit itself goes away with a release still queued and the screen's reply already posted
// to the loop: the loop must reach neither the navigator nor the screen, both gone.
TEST_F(Lifetimes, TheToolkitGoneWithAReleaseQueuedLeavesNothingForTheLoop) {
  http.answer("serverAgent", FakeReply::json("{}"));  // the reply is queued on the loop at once
  {
    ui::Toolkit toolkit(platform.loop, screens);
    auto root = std::make_shared<ui::Screen>("ROOT");
    toolkit.navigator.setRoot(root);
    auto busy = std::make_shared<Busy>(heard);
    root->push(busy);
    busy->startEverything(platform.loop);
    ASSERT_EQ(platform.loop.pendingPosts(), 1u);
    busy->pop();
  }
  platform.loop.advance(2.0);
  EXPECT_EQ(heard, 0);
  EXPECT_FALSE(platform.loop.nextTimerDelay().has_value());
  EXPECT_EQ(HttpRequest::inFlight(), 0u);
}

// Dropping the owner's handle after the reply was already posted to the loop: the posted outcome
// finds nobody to tell.
TEST_F(Lifetimes, DroppingAHandleWhoseReplyIsQueuedGivesNoCallback) {
  struct Counting final : HttpRequestDelegate {
    int calls = 0;
    void requestFinished(HttpRequest&) override { ++calls; }
    void requestFailed(HttpRequest&) override { ++calls; }
  } delegate;
  http.answer("quick", FakeReply::json("{}"));
  RequestHandle handle(HttpRequest::initWithURL("http://127.0.0.1:9/quick"));
  handle->setDelegate(&delegate);
  handle->startAsynchronous();
  ASSERT_EQ(platform.loop.pendingPosts(), 1u);  // the reply, not yet run
  handle.reset();
  platform.loop.runUntilIdle();
  EXPECT_EQ(delegate.calls, 0);
  EXPECT_EQ(HttpRequest::inFlight(), 0u);
}

// Without a fake engine, a screen's request fails the test and says which request it was.
TEST(SealedNetwork, AnUnexpectedRequestFailsTheTestNamingIt) {
  testing::TestPlatform platform;
  ui::Screens screens;
  ui::Toolkit toolkit(platform.loop, screens);
  int heard = 0;
  auto busy = std::make_shared<Busy>(heard);
  toolkit.navigator.setRoot(busy);
  ::testing::TestPartResultArray failures;
  {
    ::testing::ScopedFakeTestPartResultReporter reporter(
        ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
    busy->startEverything(platform.loop);
  }
  ASSERT_EQ(failures.size(), 1);
  const std::string message = failures.GetTestPartResult(0).message();
  EXPECT_NE(message.find("unexpected request: GET http://127.0.0.1:9/serverAgent!x.action"),
            std::string::npos)
      << message;
  EXPECT_NE(message.find("FakeHttpEngine"), std::string::npos) << message;
  platform.loop.runUntilIdle();
  EXPECT_EQ(heard, 1);  // and the screen sees a connection failure, never a real reply
}

}  // namespace
}  // namespace vokari
