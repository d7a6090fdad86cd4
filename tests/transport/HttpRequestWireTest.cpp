// HttpRequest on the libcurl engine against a well-behaved loopback server.

#include <gtest/gtest.h>

#include <condition_variable>

#include "LoopbackServers.h"
#include "Recording.h"
#include "support/TestPlatform.h"
#include "transport/HttpRequest.h"

namespace vokari::testing {
namespace {

class WireTest : public ::testing::Test {
 protected:
  TestPlatform platform{Network::Libcurl};
  HttpTestServer server;
  RecordingDelegate delegate;

  std::shared_ptr<HttpRequest> request(const std::string& path) {
    auto request = HttpRequest::initWithURL(server.url(path));
    request->setDelegate(&delegate);
    return request;
  }
  // Starts the request and waits for its one callback.
  Callback run(const std::shared_ptr<HttpRequest>& request) {
    const std::size_t before = delegate.calls.size();
    request->startAsynchronous();
    EXPECT_TRUE(drained(platform.loop));
    EXPECT_EQ(delegate.calls.size(), before + 1);
    return delegate.calls.empty() ? Callback{} : delegate.calls.back();
  }
  Callback get(const std::string& path) { return run(request(path)); }
};

TEST_F(WireTest, StatusCodesNeverFailARequestButACredentialChallengeDoes) {
  server.http().Get("/broken", [](const httplib::Request&, httplib::Response& response) {
    response.status = 500;
    response.set_content("server broke", "text/plain");
  });
  server.http().Get("/locked", [](const httplib::Request&, httplib::Response& response) {
    response.status = 401;
    response.set_header("WWW-Authenticate", "Basic realm=\"x\"");
  });
  server.start();

  auto broken = get("/broken");
  EXPECT_TRUE(broken.finished);
  EXPECT_EQ(broken.status, 500);
  EXPECT_EQ(broken.text, "server broke");

  auto missing = get("/nothing-here");
  EXPECT_TRUE(missing.finished);
  EXPECT_EQ(missing.status, 404);

  auto locked = get("/locked");
  EXPECT_FALSE(locked.finished);
  EXPECT_EQ(locked.errorCode, kHttpAuthenticationNeeded);
}

TEST_F(WireTest, ReplyHeadersAreFoundWhateverTheCaseAndRepeatedOnesJoined) {
  server.http().Get("/twice", [](const httplib::Request&, httplib::Response& response) {
    response.set_header("x-twice", "a");
    response.set_header("X-Twice", "b");
    response.set_content("{}", "application/json");
  });
  server.start();

  auto request = this->request("/twice");
  run(request);
  const HttpHeaderMap& headers = request->responseHeaders();
  EXPECT_EQ(headers.at("X-TWICE"), "a, b");
  EXPECT_EQ(headers.at("content-type"), "application/json");
  EXPECT_FALSE(headers.contains("X-Twic"));
  EXPECT_THROW(static_cast<void>(headers.at("X-None")), std::out_of_range);
}

// The client never goes through a proxy: a proxy named in the environment would see every
// request, and none is needed.
TEST_F(WireTest, AProxyNamedInTheEnvironmentIsNotUsed) {
  server.http().Get("/direct", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("{}", "application/json");
  });
  server.start();
  ::setenv("http_proxy", "http://127.0.0.1:9", 1);  // the discard port: nothing answers there
  ::setenv("ALL_PROXY", "http://127.0.0.1:9", 1);
  auto reply = get("/direct");
  ::unsetenv("http_proxy");
  ::unsetenv("ALL_PROXY");
  EXPECT_TRUE(reply.finished);
  EXPECT_EQ(reply.status, 200);
}

TEST_F(WireTest, ResponseStringReadsTheNamedCharsetAndLatin1WithoutOne) {
  auto reply = [this](const std::string& path, const std::string& body, const char* type) {
    server.http().Get(path, [body, type](const httplib::Request&, httplib::Response& response) {
      response.set_content(body, type);
    });
  };
  reply("/none", "\xE4\xB8\xAD", "application/json");
  reply("/utf8", "\xE4\xB8\xAD", "application/json; charset=utf-8");
  reply("/gbk", "\xD6\xD0\xCE\xC4", "text/plain; charset=\"GBK\"");
  reply("/invalid", "\xFF\xFE", "text/plain; charset=UTF-8");
  server.start();

  EXPECT_EQ(get("/none").text, "\xC3\xA4\xC2\xB8\xC2\xAD");  // the three bytes as Latin-1
  EXPECT_EQ(get("/utf8").text, "中");
  EXPECT_EQ(get("/gbk").text, "中文");
  auto invalid = get("/invalid");
  EXPECT_TRUE(invalid.finished);
  EXPECT_EQ(invalid.text, std::nullopt);
  EXPECT_EQ(invalid.data, "\xFF\xFE");
}

TEST_F(WireTest, GzipRepliesAreInflated) {
  const std::string text(5000, 'z');
  std::string acceptEncoding;
  server.http().Get("/gzip", [&](const httplib::Request& request, httplib::Response& response) {
    acceptEncoding = request.get_header_value("Accept-Encoding");
    response.set_header("Content-Encoding", "gzip");
    response.set_content(gzipped(text), "application/octet-stream");
  });
  server.start();

  auto reply = get("/gzip");
  EXPECT_EQ(acceptEncoding, "gzip");
  EXPECT_EQ(reply.data, text);
}

TEST_F(WireTest, CookiesSetByOneReplyAreSentByTheNext) {
  std::string cookie;
  server.http().Get("/set", [](const httplib::Request&, httplib::Response& response) {
    response.set_header("Set-Cookie", "wire_session=abc123; Path=/");
  });
  server.http().Get("/echo", [&](const httplib::Request& request, httplib::Response&) {
    cookie = request.get_header_value("Cookie");
  });
  server.start();

  get("/set");
  get("/echo");
  EXPECT_EQ(cookie, "wire_session=abc123");
}

TEST_F(WireTest, RedirectsAreFollowedFiveInARowAndTheSixthFails) {
  server.http().Get(R"(/hop/(\d+))",
                    [](const httplib::Request& request, httplib::Response& response) {
                      const int left = std::stoi(request.matches[1]);
                      if (left == 0) return response.set_content("arrived", "text/plain");
                      response.set_redirect("/hop/" + std::to_string(left - 1));
                    });
  int starts = 0;
  server.http().Get("/start", [&starts](const httplib::Request&, httplib::Response& response) {
    ++starts;
    response.set_redirect("/hop/0");
  });
  server.start();

  auto five = get("/hop/5");
  EXPECT_TRUE(five.finished);
  EXPECT_EQ(five.text, "arrived");
  // A handle reused for the same URL starts from it again, not from where it was sent last.
  EXPECT_EQ(get("/start").text, "arrived");
  EXPECT_EQ(get("/start").text, "arrived");
  EXPECT_EQ(starts, 2);
  auto six = get("/hop/6");
  EXPECT_FALSE(six.finished);
  EXPECT_EQ(six.errorCode, kHttpTooManyRedirects);
}

TEST_F(WireTest, ConnectionsAreReusedForLaterRequests) {
  server.http().Get("/ping", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("pong", "text/plain");
  });
  server.start();

  for (int i = 0; i < 5; ++i) EXPECT_EQ(get("/ping").text, "pong");
  EXPECT_EQ(server.connections(), 1u);
}

TEST_F(WireTest, EveryRequestCarriesTheDefaultHeadersBesideTheCallers) {
  httplib::Headers seen;
  std::string body;
  server.http().Post("/echo", [&](const httplib::Request& request, httplib::Response&) {
    seen = request.headers;
    body = request.body;
  });
  server.start();
  auto header = [&seen](const char* name) {
    auto found = seen.find(name);
    return found == seen.end() ? std::string("<none>") : found->second;
  };

  auto post = request("/echo");
  post->setRequestMethod("POST");
  post->addRequestHeader("X-Trace", "one");
  post->addRequestHeader("X-Trace", "two");
  post->appendPostData("{\"A\":");
  post->appendPostData("\"1\"}");
  run(post);

  EXPECT_EQ(body, "{\"A\":\"1\"}");
  EXPECT_EQ(header("User-Agent"), "Vokari 2.0.0 (x86_64; Linux 6.1.0; zh_CN)");
  EXPECT_EQ(header("Accept-Encoding"), "gzip");
  EXPECT_EQ(header("Content-Length"), "9");
  EXPECT_EQ(header("X-Trace"), "two");
  EXPECT_EQ(header("Content-Type"), "<none>");
  EXPECT_EQ(header("Expect"), "<none>");

  auto own = request("/echo");
  own->setRequestMethod("POST");
  own->addRequestHeader("User-Agent", "Custom/1");
  own->addRequestHeader("Content-Type", "text/xml; charset=utf-8");
  run(own);
  EXPECT_EQ(header("User-Agent"), "Custom/1");
  EXPECT_EQ(header("Content-Type"), "text/xml; charset=utf-8");
  EXPECT_EQ(header("Content-Length"), "0");
}

TEST_F(WireTest, AtMostFourRunAtOnceAndWaitingOnesStartInTheOrderQueued) {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<int> arrivals;
  std::set<int> released;
  int running = 0;
  int mostRunning = 0;
  server.http().Get(R"(/hold/(\d+))", [&](const httplib::Request& request, httplib::Response&) {
    const int index = std::stoi(request.matches[1]);
    std::unique_lock lock(mutex);
    arrivals.push_back(index);
    mostRunning = std::max(mostRunning, ++running);
    changed.wait(lock, [&] { return released.count(index) > 0; });
    --running;
  });
  server.start();
  auto arrived = [&](std::size_t count) {
    return eventually(platform.loop, [&] {
      std::lock_guard lock(mutex);
      return arrivals.size() >= count;
    });
  };
  auto release = [&](int index) {
    std::lock_guard lock(mutex);
    released.insert(index);
    changed.notify_all();
  };

  constexpr int kRequests = 9;
  for (int i = 0; i < kRequests; ++i) request("/hold/" + std::to_string(i))->startAsynchronous();
  ASSERT_TRUE(arrived(4));
  {
    std::lock_guard lock(mutex);
    EXPECT_EQ(std::set<int>(arrivals.begin(), arrivals.end()), (std::set<int>{0, 1, 2, 3}));
  }
  // Each finished request frees exactly one place, which goes to the oldest waiting one.
  for (int next = 4; next < kRequests; ++next) {
    release(next - 4);
    ASSERT_TRUE(arrived(static_cast<std::size_t>(next) + 1));
    std::lock_guard lock(mutex);
    EXPECT_EQ(arrivals.back(), next);
  }
  for (int i = kRequests - 4; i < kRequests; ++i) release(i);
  EXPECT_TRUE(drained(platform.loop));
  EXPECT_EQ(mostRunning, 4);
  EXPECT_EQ(delegate.calls.size(), static_cast<std::size_t>(kRequests));
}

TEST_F(WireTest, RepliesOverSixteenMebibytesAfterInflatingFail) {
  constexpr std::size_t kLimit = 16 * 1024 * 1024;
  const std::string atLimit(kLimit, 'x');
  server.http().Get("/limit", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(atLimit, "application/octet-stream");
  });
  server.http().Get("/over", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(atLimit + "x", "application/octet-stream");
  });
  // A few kilobytes on the wire that inflate past the limit.
  const std::string bomb = gzipped(std::string(kLimit + 1, '\0'));
  server.http().Get("/bomb", [&](const httplib::Request&, httplib::Response& response) {
    response.set_header("Content-Encoding", "gzip");
    response.set_content(bomb, "application/octet-stream");
  });
  server.start();

  auto limit = get("/limit");
  EXPECT_TRUE(limit.finished);
  EXPECT_EQ(limit.data.size(), kLimit);
  EXPECT_EQ(get("/over").errorCode, kHttpConnectionFailure);
  EXPECT_EQ(get("/bomb").errorCode, kHttpConnectionFailure);
}

TEST_F(WireTest, SynchronousStartCallsBackBeforeReturning) {
  server.http().Post("/register", [](const httplib::Request& request, httplib::Response& response) {
    response.set_content("got " + request.body, "text/plain");
  });
  server.start();

  auto call = request("/register");
  call->setRequestMethod("POST");
  call->appendPostData("me");
  call->startSynchronous();
  ASSERT_EQ(delegate.calls.size(), 1u);
  EXPECT_EQ(delegate.only().text, "got me");
  EXPECT_EQ(call->state(), HttpRequestState::Complete);
  EXPECT_EQ(HttpRequest::inFlight(), 0u);
}

TEST_F(WireTest, UnusableAddressesAndRefusedConnectionsFail) {
  server.start();
  auto ftp = HttpRequest::initWithURL("ftp://127.0.0.1:" + std::to_string(server.port()) + "/");
  ftp->setDelegate(&delegate);
  EXPECT_EQ(run(ftp).errorCode, kHttpUnableToCreateRequest);

  auto refused = HttpRequest::initWithURL("http://127.0.0.1:" + std::to_string(closedPort()));
  refused->setDelegate(&delegate);
  auto failure = run(refused);
  EXPECT_EQ(failure.errorCode, kHttpConnectionFailure);
  ASSERT_TRUE(refused->error());
  EXPECT_EQ(refused->error()->domain, "HttpRequestErrorDomain");
  EXPECT_EQ(refused->error()->description, "A connection failure occurred");
}

}  // namespace
}  // namespace vokari::testing
