// The inactivity time-out against misbehaving raw socket servers. The engine measures inactivity
// on a clock the test moves by hand, so every boundary is exact and nothing depends on how fast
// the machine runs; real time is only waited for things to happen, never to not happen too late.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "LoopbackServers.h"
#include "Recording.h"
#include "support/TestPlatform.h"
#include "transport/CurlHttpEngine.h"
#include "transport/HttpRequest.h"

namespace vokari::testing {
namespace {

constexpr double kTimeOut = 10;

// A body of any size made up on the fly.
class FilledBody final : public HttpBodySource {
 public:
  explicit FilledBody(std::uint64_t size) : size_(size) {}
  std::uint64_t size() const override { return size_; }
  long long read(std::uint64_t offset, char* out, std::size_t length) override {
    const auto count = std::min<std::uint64_t>(length, size_ - offset);
    std::fill_n(out, count, 'b');
    return static_cast<long long>(count);
  }

 private:
  std::uint64_t size_;
};

class TimeoutTest : public ::testing::Test {
 protected:
  TestPlatform platform;
  std::shared_ptr<ManualTransferClock> clock = std::make_shared<ManualTransferClock>();
  CurlHttpEngine engine{clock};
  HttpEngine* previous = HttpEngine::install(&engine);
  RecordingDelegate delegate;

  ~TimeoutTest() override {
    clock->advance(3600);  // whatever is still running times out, so nothing stays in flight
    EXPECT_TRUE(drained(platform.loop));
    HttpEngine::install(previous);
  }

  std::shared_ptr<HttpRequest> start(const std::string& url,
                                     const std::function<void(HttpRequest&)>& fill = {}) {
    auto request = HttpRequest::initWithURL(url);
    request->setDelegate(&delegate);
    request->setTimeOutSeconds(kTimeOut);
    if (fill) fill(*request);
    request->startAsynchronous();
    return request;
  }
  bool calledBack() { return !delegate.calls.empty(); }
  // Whether a callback arrives soon; for checking that none does.
  bool callbackWithin(double realSeconds) {
    return platform.loop.waitUntil([this] { return calledBack(); }, realSeconds);
  }
  bool eventuallyCalledBack() {
    return eventually(platform.loop, [this] { return calledBack(); });
  }
  // The server may hold the whole request before the transfer thread has noted it as sent; a
  // clock moved in between would count that note as fresh activity. Give the thread its step.
  void letTheEngineCatchUp() {
    platform.loop.waitUntil([] { return false; }, 0.2);
  }
};

// Reads one request, counts it, then answers nothing.
RawServer::Handler readsThenHolds(Counter& requests) {
  return [&requests](int socket, const std::atomic<bool>& stopping) {
    if (!RawServer::readRequest(socket, stopping)) return;
    requests.raise();
    RawServer::holdOpen(socket, stopping);
  };
}

TEST_F(TimeoutTest, ASilentServerFailsARequestWithCode2OnceTheTimeOutIsExceeded) {
  Counter requests;
  RawServer server(readsThenHolds(requests));
  auto request = start(server.url("/silent"));
  ASSERT_TRUE(requests.reaches(1));
  letTheEngineCatchUp();

  clock->advance(kTimeOut);  // idle exactly as long as allowed
  EXPECT_FALSE(callbackWithin(0.05));
  clock->advance(0.001);
  ASSERT_TRUE(eventuallyCalledBack());
  EXPECT_EQ(delegate.only().errorCode, kHttpTimedOut);
  EXPECT_EQ(request->error()->description, "The request timed out");
}

TEST_F(TimeoutTest, ABodyTheServerHasTakenEarnsNoAllowanceWhileTheReplyIsAwaited) {
  Counter requests;
  RawServer server(readsThenHolds(requests));
  start(server.url("/silent"), [](HttpRequest& request) {
    request.setRequestMethod("POST");
    request.appendPostData("{\"A\":\"1\"}");
  });
  ASSERT_TRUE(requests.reaches(1));
  letTheEngineCatchUp();

  clock->advance(kTimeOut);
  EXPECT_FALSE(callbackWithin(0.05));
  clock->advance(0.001);
  ASSERT_TRUE(eventuallyCalledBack());
  EXPECT_EQ(delegate.only().errorCode, kHttpTimedOut);
}

TEST_F(TimeoutTest, ABodyStillOnItsWayGetsHalfAgainAsLong) {
  // Takes the connection but never reads, so the body stalls in the socket buffers.
  std::atomic<std::size_t> unread{0};
  Counter connected;
  RawServer server([&](int socket, const std::atomic<bool>& stopping) {
    connected.raise();
    while (!stopping) {
      unread = RawServer::unread(socket);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  // Waits until no byte has moved for a while.
  auto stalled = [&] {
    std::size_t seen = unread;
    for (int still = 0; still < 20;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      const std::size_t now = unread;
      still = now == seen && now > 0 ? still + 1 : 0;
      seen = now;
    }
  };
  start(server.url("/upload"), [](HttpRequest& request) {
    request.setRequestMethod("POST");
    request.setPostBodySource(std::make_shared<FilledBody>(64 << 20));
  });
  ASSERT_TRUE(connected.reaches(1));

  stalled();
  clock->advance(kTimeOut * 1.5);  // idle exactly as long as the allowance
  EXPECT_FALSE(callbackWithin(0.05)) << "failed with code " << delegate.only().errorCode;
  clock->advance(0.001);
  // A byte that curl still handed over after the stall seemed to begin restarted the clock,
  // rightly, so the time-out may need more of it.
  for (int i = 0; i < 5 && !eventually(
                               platform.loop, [this] { return calledBack(); }, 2);
       ++i)
    clock->advance(kTimeOut * 1.5);
  ASSERT_TRUE(eventuallyCalledBack());
  EXPECT_EQ(delegate.only().errorCode, kHttpTimedOut);
}

TEST_F(TimeoutTest, EveryByteOfATricklingReplyRestartsTheClockHeaderBytesToo) {
  // Sends a header line and the body a byte at a time; the test moves the clock by most of the
  // time-out between two bytes, so only a clock restarted by each byte keeps the request alive.
  Gate gate;
  Counter sent;
  const std::string trickled = "0123456789\r\n\r\nabcde";
  RawServer server([&](int socket, const std::atomic<bool>& stopping) {
    if (!RawServer::readRequest(socket, stopping)) return;
    RawServer::send(socket, "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nX-Trickle: ");
    for (std::size_t i = 0; i < trickled.size(); ++i) {
      if (!gate.wait(static_cast<int>(i), stopping)) return;
      if (!RawServer::sendAndSettle(socket, std::string(1, trickled[i]), stopping)) return;
      sent.raise();
    }
    RawServer::holdOpen(socket, stopping);
  });
  auto request = start(server.url("/slow"));

  for (int i = 0; i < static_cast<int>(trickled.size()); ++i) {
    gate.open(i);
    ASSERT_TRUE(sent.reaches(i + 1)) << i;
    clock->advance(kTimeOut * 0.6);
  }
  // Eleven times the time-out in all, with no header line complete for most of it.
  ASSERT_TRUE(eventuallyCalledBack());
  EXPECT_TRUE(delegate.only().finished);
  EXPECT_EQ(delegate.only().text, "abcde");
  EXPECT_EQ(request->responseHeaders().at("X-Trickle"), "0123456789");
}

TEST_F(TimeoutTest, AServersKeepAliveTimeoutEndsReuseSoonerThanOurOwn) {
  // Answers every request on a connection and keeps it open, though it says it will not.
  RawServer server([](int socket, const std::atomic<bool>& stopping) {
    while (RawServer::readHead(socket, stopping)) {
      RawServer::send(socket,
                      "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nKeep-Alive: timeout=1\r\n\r\nok");
    }
  });
  auto fetch = [&] {
    start(server.url("/"));
    EXPECT_TRUE(drained(platform.loop));
  };

  fetch();
  fetch();
  EXPECT_EQ(server.accepted(), 1);
  // libcurl keeps connection ages on its own real clock, in whole seconds, so one second of
  // idleness shows only after two.
  platform.loop.waitUntil([] { return false; }, 2.05);
  fetch();
  EXPECT_EQ(server.accepted(), 2);
  EXPECT_EQ(delegate.calls.size(), 3u);
}

}  // namespace
}  // namespace vokari::testing
