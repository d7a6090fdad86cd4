// The exact bytes requests put on the wire, read by a raw server: every header and nothing more,
// and bodies sent from a source byte for byte.

#include <gtest/gtest.h>

#include <algorithm>

#include "LoopbackServers.h"
#include "Recording.h"
#include "support/TestPlatform.h"
#include "transport/CurlHttpEngine.h"
#include "transport/ServiceCall.h"

namespace vokari::testing {
namespace {

using Headers = std::vector<std::pair<std::string, std::string>>;

Headers sorted(Headers headers) {
  std::sort(headers.begin(), headers.end());
  return headers;
}

// A body handed over in pieces of at most `piece` bytes, optionally failing at an offset.
class PieceBody final : public HttpBodySource {
 public:
  PieceBody(std::string bytes, std::size_t piece) : bytes_(std::move(bytes)), piece_(piece) {}
  std::uint64_t size() const override { return bytes_.size() + extra_; }
  long long read(std::uint64_t offset, char* out, std::size_t length) override {
    ++reads;
    if (offset == 0) ++rewinds;
    if (failAt && offset >= *failAt) return -1;
    if (offset >= bytes_.size()) return 0;
    const auto count = std::min({length, piece_, bytes_.size() - offset});
    std::copy_n(bytes_.data() + offset, count, out);
    return static_cast<long long>(count);
  }
  // Claims more bytes than it has.
  void overstate(std::uint64_t extra) { extra_ = extra; }

  std::optional<std::uint64_t> failAt;
  int reads = 0;
  int rewinds = 0;

 private:
  std::string bytes_;
  std::size_t piece_;
  std::uint64_t extra_ = 0;
};

// Every byte value, many times over, so nothing gets through by being text.
std::string binary(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  return bytes;
}

class WireBytesTest : public ::testing::Test {
 protected:
  TestPlatform platform{Network::Libcurl};
  std::mutex mutex;
  std::vector<RawRequest> received;  // guarded by mutex
  // Keeps every request; "/moved" answers with a 307 to "/final", "/cookie" sets a cookie.
  RawServer server{[this](int socket, const std::atomic<bool>& stopping) {
    while (auto request = RawServer::readRequest(socket, stopping)) {
      {
        std::lock_guard lock(mutex);
        received.push_back(*request);
      }
      if (request->method == "HEAD") {
        RawServer::send(socket, "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
      } else if (request->target == "/moved") {
        RawServer::send(socket, "HTTP/1.1 307 X\r\nLocation: /final\r\nContent-Length: 0\r\n\r\n");
      } else if (request->target == "/cookie") {
        RawServer::send(
            socket, "HTTP/1.1 200 OK\r\nSet-Cookie: SID=abc; Path=/\r\nContent-Length: 0\r\n\r\n");
      } else {
        RawServer::send(socket, RawServer::reply("{\"STATES\":\"SUCCESS\"}"));
      }
    }
  }};
  RecordingDelegate delegate;
  RequestHandle current;

  WireBytesTest() {
    Endpoints endpoints;
    endpoints.ports.fill(server.port());
    Endpoints::install(endpoints);
  }
  ~WireBytesTest() override { Endpoints::install(Endpoints{}); }

  RawRequest last() {
    std::lock_guard lock(mutex);
    return received.empty() ? RawRequest{} : received.back();
  }
  Callback run(const std::shared_ptr<HttpRequest>& request) {
    request->setDelegate(&delegate);
    request->startAsynchronous();
    EXPECT_TRUE(drained(platform.loop));
    return delegate.calls.empty() ? Callback{} : delegate.calls.back();
  }
  std::shared_ptr<HttpRequest> post(const std::string& path) {
    auto request = HttpRequest::initWithURL(server.url(path));
    request->setRequestMethod("POST");
    return request;
  }
  std::string host() const { return "127.0.0.1:" + std::to_string(server.port()); }
};

TEST_F(WireBytesTest, AJsonCallSendsItsDefaultHeadersAndTheStoredCookieAndNothingMore) {
  CurlHttpEngine::clearCookies();  // whatever earlier tests' replies set
  run(HttpRequest::initWithURL(server.url("/cookie")));

  startJsonCall(current, {.action = "getToken", .body = {{"TOKEN", "t1"}}, .delegate = &delegate});
  EXPECT_TRUE(drained(platform.loop));
  const RawRequest sent = last();
  EXPECT_EQ(sent.method, "POST");
  EXPECT_EQ(sent.target, "/serverAgent!getToken.action");
  EXPECT_EQ(sent.body, "{\"TOKEN\":\"t1\"}");
  EXPECT_EQ(sorted(sent.headers),
            sorted({{"Host", host()},
                    {"User-Agent", "Vokari 2.0.0 (x86_64; Linux 6.1.0; zh_CN)"},
                    {"Accept-Encoding", "gzip"},
                    {"Content-Length", "14"},
                    {"Cookie", "SID=abc"}}));
  CurlHttpEngine::clearCookies();
}

TEST_F(WireBytesTest, ASoapCallAddsItsTwoHeadersAndNothingMore) {
  CurlHttpEngine::clearCookies();
  const std::string envelope = "<soap:Envelope>\xE4\xB8\xAD</soap:Envelope>";
  startSoapCall(current,
                {.operation = "getCodeString", .envelope = envelope, .delegate = &delegate});
  EXPECT_TRUE(drained(platform.loop));
  const RawRequest sent = last();
  EXPECT_EQ(sent.method, "POST");
  EXPECT_EQ(sent.target, "/CrimeReports_App/Service.asmx");
  EXPECT_EQ(sent.body, envelope);
  EXPECT_EQ(sorted(sent.headers),
            sorted({{"Host", host()},
                    {"User-Agent", "Vokari 2.0.0 (x86_64; Linux 6.1.0; zh_CN)"},
                    {"Accept-Encoding", "gzip"},
                    {"Content-Length", std::to_string(envelope.size())},
                    {"Content-Type", "text/xml; charset=utf-8"},
                    {"SOAPAction", "http://tempuri.org/getCodeString"}}));
}

TEST_F(WireBytesTest, ABodySourcePutsTheSameBytesOnTheWireAsAPlainBody) {
  const std::string bytes = binary(300 * 1024 + 17);
  auto plain = post("/upload");
  plain->addRequestHeader("Content-Type", "application/octet-stream");
  plain->appendPostData(bytes);
  EXPECT_TRUE(run(plain).finished);
  const RawRequest fromPlain = last();

  auto source = std::make_shared<PieceBody>(bytes, 1000);
  auto streamed = post("/upload");
  streamed->addRequestHeader("Content-Type", "application/octet-stream");
  streamed->setPostBodySource(source);
  EXPECT_TRUE(run(streamed).finished);
  const RawRequest fromSource = last();

  EXPECT_EQ(fromSource.method, "POST");
  EXPECT_TRUE(fromSource.body == bytes) << "the body differs";
  EXPECT_EQ(fromSource.header("Content-Length"), std::to_string(bytes.size()));
  EXPECT_EQ(fromSource.headers, fromPlain.headers);  // same headers, same order
  EXPECT_GT(source->reads, 300);                     // read in pieces, never whole
}

TEST_F(WireBytesTest, ARedirectThatKeepsTheMethodSendsTheSourceAgainFromItsStart) {
  const std::string bytes = binary(64 * 1024);
  auto source = std::make_shared<PieceBody>(bytes, 4096);
  auto request = post("/moved");
  request->setPostBodySource(source);
  EXPECT_TRUE(run(request).finished);

  std::lock_guard lock(mutex);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].target, "/moved");
  EXPECT_EQ(received[1].target, "/final");
  EXPECT_EQ(received[1].method, "POST");
  EXPECT_TRUE(received[1].body == bytes) << "the resent body differs";
  EXPECT_EQ(source->rewinds, 2);
}

TEST_F(WireBytesTest, ASourceThatCannotBeReadFailsTheRequestWithCode1) {
  auto failing = std::make_shared<PieceBody>(binary(200 * 1024), 4096);
  failing->failAt = 100 * 1024;
  auto request = post("/upload");
  request->setPostBodySource(failing);
  EXPECT_EQ(run(request).errorCode, kHttpConnectionFailure);

  // One that ends before its stated size would leave the server waiting for the rest.
  auto short_ = std::make_shared<PieceBody>("abc", 4096);
  short_->overstate(10);
  auto truncated = post("/upload");
  truncated->setPostBodySource(short_);
  EXPECT_EQ(run(truncated).errorCode, kHttpConnectionFailure);
  ASSERT_EQ(delegate.calls.size(), 2u);
}

// Requests run one after another reuse the engine's easy handles; none may carry anything of
// the request before into the next.
TEST_F(WireBytesTest, EachRequestSendsOnlyItsOwnMethodBodyAndHeadersWhateverRanBefore) {
  struct Case {
    std::string method;
    std::string body;
    bool fromSource;
    Headers extra;  // the caller's headers, and what the body brings
  };
  const std::vector<Case> cases = {
      {"HEAD", "", false, {}},
      {"POST", "xyz", true, {{"X-One", "1"}, {"Content-Length", "3"}}},
      {"GET", "", false, {}},
      {"PUT", "put", false, {{"Content-Length", "3"}}},
      {"POST", "", false, {{"X-Two", "2"}, {"Content-Length", "0"}}},
      {"POST", "again", false, {{"Content-Length", "5"}}},
      {"HEAD", "", false, {}},
      {"HEAD", "", false, {}},
      {"PUT", "twice", false, {{"Content-Length", "5"}}},
      {"DELETE", "", false, {}},
      {"GET", "", false, {}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    auto request = HttpRequest::initWithURL(server.url("/" + std::to_string(i)));
    request->setRequestMethod(c.method);
    for (const auto& [name, value] : c.extra) {
      if (name != "Content-Length") request->addRequestHeader(name, value);
    }
    if (c.fromSource) {
      request->setPostBodySource(std::make_shared<PieceBody>(c.body, 2));
    } else {
      request->appendPostData(c.body);
    }
    EXPECT_TRUE(run(request).finished) << c.method << " " << i;
    const RawRequest sent = last();
    Headers expected = {{"Host", host()},
                        {"User-Agent", "Vokari 2.0.0 (x86_64; Linux 6.1.0; zh_CN)"},
                        {"Accept-Encoding", "gzip"}};
    expected.insert(expected.end(), c.extra.begin(), c.extra.end());
    EXPECT_EQ(sent.method, c.method) << i;
    EXPECT_EQ(sent.target, "/" + std::to_string(i));
    EXPECT_EQ(sent.body, c.body) << i;
    EXPECT_EQ(sorted(sent.headers), sorted(expected)) << c.method << " " << i;
  }
}

}  // namespace
}  // namespace vokari::testing
