// Connections as a careful service keeps them: a client that dribbles its request is cut at
// the request's deadline while others are served, and requests written back to back on one
// connection are all answered, in order.

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "BackendFixture.h"
#include "support/Loopback.h"

namespace vokari_backend::testing {
namespace {

using vokari::loopback::connectTo;
using vokari::loopback::requestText;

// Everything the service sends until it closes the connection or falls silent for a while.
std::string readAll(int fd) {
  std::string received;
  pollfd pfd{fd, POLLIN, 0};
  char buffer[4096];
  while (::poll(&pfd, 1, 2000) == 1) {
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    received.append(buffer, static_cast<size_t>(n));
  }
  return received;
}

class ConnectionTest : public BackendTest {
 protected:
  // The same back-end with a short request deadline and a long idle time, so that only the
  // deadline can close a connection that keeps sending.
  void SetUp() override {
    BackendTest::SetUp();
    backend.stop();
    Options shortDeadline = options();
    shortDeadline.requestDeadline = std::chrono::milliseconds(1000);
    shortDeadline.idleTimeout = std::chrono::seconds(30);
    auto started = backend.start(shortDeadline);
    ASSERT_TRUE(started.ok()) << started.status.message();
    ports = *started.value;
  }
};

TEST_F(ConnectionTest, ASlowClientIsCutAtItsDeadlineWhileAnotherIsAnswered) {
  const std::string header =
      "POST /serverAgent!getCode.action HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: " +
      std::string(200, 'a');
  int slow = connectTo(ports.account);
  ASSERT_GE(slow, 0);
  auto start = std::chrono::steady_clock::now();
  bool closed = false;
  bool answeredMeanwhile = false;
  for (size_t i = 0; i < header.size() && !closed; ++i) {
    ASSERT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "never cut";
    // A byte every 100 ms: the connection is never idle, only slow.
    closed = ::send(slow, &header[i], 1, MSG_NOSIGNAL) != 1;
    pollfd pfd{slow, POLLRDHUP, 0};
    closed = closed || ::poll(&pfd, 1, 100) == 1;
    if (i == 2) {
      answeredMeanwhile = account("getCode", {{"PHONE_NUMBER", "13800138000"}})["STATES"] == "1";
    }
  }
  auto cut = std::chrono::steady_clock::now() - start;
  ::close(slow);
  EXPECT_TRUE(closed);
  EXPECT_TRUE(answeredMeanwhile);
  EXPECT_GE(cut, std::chrono::milliseconds(900));
  EXPECT_LT(cut, std::chrono::milliseconds(2500));
}

TEST_F(ConnectionTest, RequestsWrittenBackToBackAreAnsweredInOrder) {
  int fd = connectTo(ports.general);
  ASSERT_GE(fd, 0);
  auto post = [&](const std::string& path, const std::string& body) {
    return requestText("POST", path, ports.general, body);
  };
  std::string three = post("/serverAgent!getToken.action", R"({"TOKEN":"t1","NUM":"2"})") +
                      post("/serverAgent!getToken.action", R"({"NUM":"2"})") +
                      post("/serverAgent!getNewsForIos.action", R"({"TIME":"","CODE":"2"})");
  ASSERT_EQ(::send(fd, three.data(), three.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(three.size()));
  std::string replies = readAll(fd);
  ::close(fd);
  size_t first = replies.find(R"({"STATES":"SUCCESS"})");
  size_t second = replies.find(R"({"STATES":"FAIL"})");
  size_t third = replies.find("NEWS_LIST");
  EXPECT_NE(third, std::string::npos) << replies;
  EXPECT_LT(first, second) << replies;
  EXPECT_LT(second, third) << replies;
  EXPECT_EQ(listing(Listing::Tokens).size(), 1u);
}

}  // namespace
}  // namespace vokari_backend::testing
