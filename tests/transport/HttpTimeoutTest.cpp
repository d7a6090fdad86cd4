// The inactivity time-out and connection keep-alive against misbehaving raw socket servers.
// These wait in real time, kept short: the transfer's clock is the network's, not the loop's.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "LoopbackServers.h"
#include "Recording.h"
#include "support/TestPlatform.h"
#include "transport/HttpRequest.h"

namespace vokari::testing {
namespace {

using std::chrono::steady_clock;

class TimeoutTest : public ::testing::Test {
 protected:
  TestPlatform platform{Network::Libcurl};
  RecordingDelegate delegate;

  // Runs the request to its callback; answers the real seconds it took.
  double timed(const std::shared_ptr<HttpRequest>& request) {
    request->setDelegate(&delegate);
    const auto start = steady_clock::now();
    request->startAsynchronous();
    EXPECT_TRUE(drained(platform.loop));
    return std::chrono::duration<double>(steady_clock::now() - start).count();
  }
};

TEST_F(TimeoutTest, AServerThatNeverAnswersFailsWithCode2AfterTheTimeOut) {
  RawServer server(
      [](int socket, const std::atomic<bool>& stopping) { RawServer::holdOpen(socket, stopping); });
  auto request = HttpRequest::initWithURL(server.url("/silent"));
  request->setTimeOutSeconds(0.4);

  const double seconds = timed(request);
  ASSERT_EQ(delegate.calls.size(), 1u);
  EXPECT_EQ(delegate.only().errorCode, kHttpTimedOut);
  EXPECT_EQ(request->error()->description, "The request timed out");
  EXPECT_GE(seconds, 0.4);
  EXPECT_LT(seconds, 0.6);  // not the allowance of a request with a body
}

TEST_F(TimeoutTest, ABodyStillInTheSendBufferGetsHalfAgainAsLong) {
  RawServer server(
      [](int socket, const std::atomic<bool>& stopping) { RawServer::holdOpen(socket, stopping); });
  auto post = HttpRequest::initWithURL(server.url("/silent"));
  post->setRequestMethod("POST");
  post->appendPostData("{\"A\":\"1\"}");
  post->setTimeOutSeconds(0.4);

  const double seconds = timed(post);
  EXPECT_EQ(delegate.only().errorCode, kHttpTimedOut);
  EXPECT_GE(seconds, 0.6);
  EXPECT_LT(seconds, 1.0);

  // A body larger than any send buffer was seen leaving; waiting for the reply gets no extra.
  auto upload = HttpRequest::initWithURL(server.url("/silent"));
  upload->setRequestMethod("POST");
  upload->appendPostData(std::string(256 * 1024, 'b'));
  upload->setTimeOutSeconds(0.4);
  const double uploadSeconds = timed(upload);
  EXPECT_EQ(delegate.calls.back().errorCode, kHttpTimedOut);
  EXPECT_GE(uploadSeconds, 0.4);
  EXPECT_LT(uploadSeconds, 0.6);
}

TEST_F(TimeoutTest, ATricklingServerDoesNotTimeOut) {
  RawServer server([](int socket, const std::atomic<bool>& stopping) {
    if (!RawServer::readHead(socket, stopping)) return;
    RawServer::send(socket, "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n");
    for (char byte : std::string("abcde")) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));  // half the time-out
      RawServer::send(socket, std::string(1, byte));
    }
    RawServer::holdOpen(socket, stopping);
  });
  auto request = HttpRequest::initWithURL(server.url("/slow"));
  request->setTimeOutSeconds(0.4);

  const double seconds = timed(request);
  ASSERT_EQ(delegate.calls.size(), 1u);
  EXPECT_TRUE(delegate.only().finished);
  EXPECT_EQ(delegate.only().text, "abcde");
  EXPECT_GT(seconds, 0.8);  // twice the time-out, in all
}

TEST_F(TimeoutTest, AServersKeepAliveTimeoutEndsReuseSoonerThanOurOwn) {
  // Answers every request on a connection and keeps it open, though it says it will not.
  RawServer server([](int socket, const std::atomic<bool>& stopping) {
    while (RawServer::readHead(socket, stopping)) {
      RawServer::send(socket,
                      "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nKeep-Alive: timeout=1\r\n\r\nok");
    }
  });
  auto fetch = [&] { timed(HttpRequest::initWithURL(server.url("/"))); };

  fetch();
  fetch();
  EXPECT_EQ(server.accepted(), 1);
  // libcurl counts idleness in whole seconds, so one second of it shows only after two.
  platform.loop.waitUntil([] { return false; }, 2.05);
  fetch();
  EXPECT_EQ(server.accepted(), 2);
  EXPECT_EQ(delegate.calls.size(), 3u);
}

}  // namespace
}  // namespace vokari::testing
