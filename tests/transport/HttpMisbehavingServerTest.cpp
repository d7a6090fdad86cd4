// Replies that break the protocol in ways a careless client would take for a success.

#include <gtest/gtest.h>
#include <sys/socket.h>

#include "LoopbackServers.h"
#include "Recording.h"
#include "support/TestPlatform.h"
#include "transport/HttpRequest.h"

namespace vokari::testing {
namespace {

std::string gzipReply(const std::string& compressed) {
  return "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " +
         std::to_string(compressed.size()) + "\r\n\r\n" + compressed;
}

class MisbehavingServerTest : public ::testing::Test {
 protected:
  TestPlatform platform{Network::Libcurl};
  RecordingDelegate delegate;

  // Answers every request on a connection with the bytes the handler makes.
  Callback fetch(const std::function<void(int, const std::atomic<bool>&)>& answer) {
    RawServer server([&](int socket, const std::atomic<bool>& stopping) {
      if (RawServer::readRequest(socket, stopping)) answer(socket, stopping);
    });
    auto request = HttpRequest::initWithURL(server.url("/"));
    request->setDelegate(&delegate);
    request->startAsynchronous();
    EXPECT_TRUE(drained(platform.loop));
    return delegate.calls.empty() ? Callback{} : delegate.calls.back();
  }
  Callback fetch(const std::string& reply) {
    return fetch([&](int socket, const std::atomic<bool>&) { RawServer::send(socket, reply); });
  }
};

TEST_F(MisbehavingServerTest, GzipBodiesThatAreCutShortOrCorruptFailWithCode1) {
  const std::string text(20000, 'q');
  const std::string whole = gzipped(text + "end");
  EXPECT_EQ(fetch(gzipReply(whole)).data, text + "end");

  // The length header agrees with the cut-off body, so only the stream itself shows it.
  const auto cut = fetch(gzipReply(whole.substr(0, whole.size() / 2)));
  EXPECT_FALSE(cut.finished);
  EXPECT_EQ(cut.errorCode, kHttpConnectionFailure);
  EXPECT_EQ(fetch(gzipReply(whole.substr(0, whole.size() - 4))).errorCode,
            kHttpConnectionFailure);  // all but the length check at the end

  std::string flipped = whole;
  flipped[flipped.size() - 6] ^= 0x55;  // the checksum no longer matches
  EXPECT_EQ(fetch(gzipReply(flipped)).errorCode, kHttpConnectionFailure);
  EXPECT_EQ(fetch(gzipReply("not gzip at all")).errorCode, kHttpConnectionFailure);

  // Two members one after the other are one valid body; an empty one is an empty body.
  EXPECT_EQ(fetch(gzipReply(gzipped("ab") + gzipped("cd"))).data, "abcd");
  const auto empty = fetch(gzipReply(""));
  EXPECT_TRUE(empty.finished);
  EXPECT_EQ(empty.data, "");
}

TEST_F(MisbehavingServerTest, AHeaderLineOfFiftyMegabytesIsAFailedReply) {
  const auto huge = fetch([](int socket, const std::atomic<bool>& stopping) {
    RawServer::send(socket, "HTTP/1.1 200 OK\r\nX-Huge: ");
    const std::string chunk(1 << 20, 'h');
    for (int i = 0; i < 50 && !stopping; ++i) {
      if (::send(socket, chunk.data(), chunk.size(), MSG_NOSIGNAL) < 0) return;
    }
  });
  EXPECT_FALSE(huge.finished);
  EXPECT_EQ(huge.errorCode, kHttpConnectionFailure);
}

}  // namespace
}  // namespace vokari::testing
