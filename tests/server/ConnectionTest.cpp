// Connections as a careful service keeps them: a client that dribbles its header is cut at the
// header's deadline while others are served, a body is cut only when it stalls or crawls,
// requests written back to back on one connection are all answered in order, a request whose
// length is unclear is answered at once, and past its connection limit the service makes room.

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "BackendFixture.h"
#include "server/Http.h"
#include "server/Services.h"
#include "server/Store.h"
#include "support/Loopback.h"

namespace vokari_backend::testing {
namespace {

using vokari::loopback::connectTo;
using vokari::loopback::requestText;
using vokari::loopback::sendAll;

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

// How a body fares that arrives in `pieces` equal pieces, one every 100 ms after the header,
// out of `declared` bytes. What the service sent back; "" when it closed without a word.
std::string trickle(int port, const std::string& body, size_t pieces, size_t declared) {
  int fd = connectTo(port);
  std::string head =
      "POST /serverAgent!getToken.action HTTP/1.1\r\nHost: x\r\nConnection: "
      "close\r\nContent-Length: " +
      std::to_string(declared) + "\r\n\r\n";
  bool open = sendAll(fd, head);
  size_t size = body.size() / pieces;
  for (size_t i = 0; open && i < pieces; ++i) {
    pollfd pfd{fd, POLLRDHUP, 0};
    open = ::poll(&pfd, 1, 100) == 0 && sendAll(fd, body.substr(i * size, size));
  }
  std::string reply = open ? readAll(fd) : "";
  ::close(fd);
  return reply;
}

class BodyDeadlineTest : public BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    backend.stop();
    Options small = options();
    small.requestDeadline = std::chrono::milliseconds(200);
    small.bodySilence = std::chrono::milliseconds(400);
    small.bodyGrace = std::chrono::milliseconds(800);
    small.bodyRateFloor = 256;
    auto started = backend.start(small);
    ASSERT_TRUE(started.ok()) << started.status.message();
    ports = *started.value;
  }
};

TEST_F(BodyDeadlineTest, ABodyIsTakenWhileItProgressesAndCutWhenItStallsOrCrawls) {
  std::string body = R"({"TOKEN":"slow","NUM":"1","PAD":")";
  body += std::string(480 - body.size() - 2, 'x') + "\"}";
  // 40 bytes every 100 ms for 1.2 s: well past the header's deadline, above the floor.
  EXPECT_NE(trickle(ports.general, body, 12, body.size()).find("SUCCESS"), std::string::npos);
  EXPECT_EQ(listing(Listing::Tokens).size(), 1u);

  // Sent in 1.2 s, then cut 0.4 s into its silence (the library's own time-out is 2 s later).
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(trickle(ports.general, body, 12, 2 * body.size()), "") << "half a body, then silence";
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
  // 10 bytes every 100 ms: under 256 bytes a second, cut past the grace, before its end.
  EXPECT_EQ(trickle(ports.general, body.substr(0, 200), 20, 200), "") << "a crawl";
}

TEST_F(ConnectionTest, UnclearLengthsAndUnknownCodingsAreAnsweredAtOnce) {
  const std::string start =
      "POST /serverAgent!getToken.action HTTP/1.1\r\nHost: x\r\nConnection: close\r\n";
  const std::string body = R"({"TOKEN":"t","NUM":"1"})";
  const std::string length = "Content-Length: " + std::to_string(body.size()) + "\r\n";
  struct Row {
    const char* what;
    std::string head;
    std::string status;
  };
  const Row rows[] = {
      {"two different lengths", length + "Content-Length: 99\r\n", "HTTP/1.1 400"},
      {"a list of lengths", "Content-Length: 23, 24\r\n", "HTTP/1.1 400"},
      {"a length that is no number", "Content-Length: 0x17\r\n", "HTTP/1.1 400"},
      {"a compressed transfer", "Transfer-Encoding: gzip, chunked\r\n", "HTTP/1.1 501"},
      {"two transfer codings", "Transfer-Encoding: chunked\r\nTransfer-Encoding: br\r\n",
       "HTTP/1.1 501"},
      {"the same length twice", length + length, "HTTP/1.1 200"},
  };
  for (const Row& row : rows) {
    int fd = connectTo(ports.general);
    auto sent = std::chrono::steady_clock::now();
    ASSERT_TRUE(sendAll(fd, start + row.head + "\r\n" + body));
    std::string reply = readAll(fd);
    ::close(fd);
    EXPECT_EQ(reply.substr(0, 12), row.status) << row.what << ": " << reply;
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(1)) << row.what;
  }
  EXPECT_EQ(listing(Listing::Tokens).size(), 1u) << "only the clear request was taken";
}

class CrowdTest : public BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    backend.stop();
    Options few = options();
    few.connectionLimit = 8;
    auto started = backend.start(few);
    ASSERT_TRUE(started.ok()) << started.status.message();
    ports = *started.value;
  }
};

TEST_F(CrowdTest, PastItsLimitTheServiceClosesIdleConnectionsAndAnswersEveryGoodRequest) {
  const std::string sos =
      "2024-05-01 10:00:00β0β0β1β1380013800020240501100000123β1β13800138000β"
      "ll=103.83|36.06";
  std::vector<int> idle;
  int answered = 0;
  for (int i = 0; i < 60; ++i) {
    idle.push_back(connectTo(ports.general));
    if (i % 6 != 5) continue;
    answered += general("getToken", {{"TOKEN", "t" + std::to_string(i)}, {"NUM", "1"}})["STATES"] ==
                "SUCCESS";
    answered += general("sosForIOS", {{"SOS", sos}})["STATES"] == "SUCCESS";
  }
  EXPECT_EQ(answered, 20);
  // The last connections may still be on their way to the acceptor: wait for them a little.
  int stillOpen = 0;
  for (int round = 0; round < 50; ++round) {
    stillOpen = 0;
    for (int fd : idle) {
      pollfd pfd{fd, POLLRDHUP, 0};
      stillOpen += ::poll(&pfd, 1, 0) == 0;
    }
    pollfd none{-1, 0, 0};
    if (stillOpen <= 8) break;
    ::poll(&none, 1, 20);
  }
  for (int fd : idle) ::close(fd);
  EXPECT_LE(stillOpen, 8) << "never more than the limit held";
  EXPECT_GE(stillOpen, 1);
  auto stopping = std::chrono::steady_clock::now();
  backend.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(2));
}

// Two bodies of 6,000 bytes cannot both be pending under a budget of 10,000: the second is
// refused at its header, while the alarm's body is taken whatever the budget.
TEST(BodyBudgetTest, BodiesPastTheSharedBudgetAreRefusedAtTheirHeaderButNeverTheAlarm) {
  auto dir = std::filesystem::temp_directory_path() / ("vokari-budget-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  Store store(dir.string(), {}, {});
  Server server;
  addGeneralService(server, store);
  server.setLimits({.connections = 100, .budget = std::make_shared<BodyBudget>(10000)});
  int port = server.start("127.0.0.1", 0);
  ASSERT_GT(port, 0);
  auto padded = [](std::string json, size_t size) {
    json.pop_back();
    json += R"(,"PAD":")";
    return json + std::string(size - json.size() - 2, 'x') + "\"}";
  };
  auto header = [&](const std::string& action, size_t length) {
    return "POST /serverAgent!" + action + ".action HTTP/1.1\r\nHost: x\r\nConnection: " +
           "close\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n";
  };
  const std::string token = padded(R"({"TOKEN":"t","NUM":"1"})", 6000);
  int first = connectTo(port), second = connectTo(port);
  ASSERT_TRUE(sendAll(first, header("getToken", 6000)));
  ASSERT_TRUE(sendAll(second, header("getToken", 6000)));
  pollfd both[2] = {{first, POLLIN, 0}, {second, POLLIN, 0}};
  ASSERT_EQ(::poll(both, 2, 2000), 1) << "one of the two is refused at once";
  int refused = both[0].revents ? first : second, pending = both[0].revents ? second : first;
  EXPECT_EQ(readAll(refused).substr(0, 12), "HTTP/1.1 503");
  ::close(refused);

  const std::string sos =
      "2024-05-01 10:00:00β0β0β1β1380013800020240501100000123β1β13800138000β"
      "ll=103.83|36.06";
  const std::string alarm = padded(Json{{"SOS", sos}}.dump(), 5000);
  const std::string other = padded(R"({"TOKEN":"u","NUM":"1"})", 5000);
  auto call = [&](const std::string& action, const std::string& body) {
    int fd = connectTo(port);
    sendAll(fd, header(action, body.size()) + body);
    std::string reply = readAll(fd);
    ::close(fd);
    return reply;
  };
  EXPECT_NE(call("sosForIOS", alarm).find("SUCCESS"), std::string::npos);
  EXPECT_EQ(call("getToken", other).substr(0, 12), "HTTP/1.1 503");

  ASSERT_TRUE(sendAll(pending, token));
  EXPECT_NE(readAll(pending).find("SUCCESS"), std::string::npos);
  ::close(pending);
  EXPECT_NE(call("getToken", other).find("SUCCESS"), std::string::npos) << "the budget came back";
  server.stop();
  std::filesystem::remove_all(dir);
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
