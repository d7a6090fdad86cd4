// The rules a request meets before its route runs, the same whether it came over a connection
// or was handed in whole: a clear length, a known transfer coding, the route's bound and the
// shared budget, which the alarm's route never waits for.

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "server/Http.h"

namespace vokari_backend {
namespace {

TEST(RoutingTest, HeadersBoundsAndTheBudgetDecideBeforeTheRouteRuns) {
  Server server;
  auto budget = std::make_shared<BodyBudget>(6);
  server.setLimits({.connections = 10, .budget = budget});
  auto ok = [](const Request&, Response& response) { response.body = "ran"; };
  server.post("/small", ok, {.bodyLimit = 8});
  server.post("/alarm", ok, {.bodyLimit = 8, .vital = true});
  server.post("/sos.action", ok);
  using Headers = std::vector<std::pair<std::string, std::string>>;
  struct Row {
    const char* what;
    std::string path;
    Headers headers;
    std::string body;
    int status;
  };
  const Row rows[] = {
      {"a plain body", "/small", {}, "12345", 200},
      {"the same length twice, spaced", "/small", {{"Content-Length", "5 , 5"}}, "12345", 200},
      {"two lengths", "/small", {{"Content-Length", "5"}, {"Content-Length", "6"}}, "12345", 400},
      {"a length in hex", "/small", {{"Content-Length", "0x5"}}, "12345", 400},
      {"chunked", "/small", {{"Transfer-Encoding", " Chunked "}}, "12345", 200},
      {"gzip then chunked", "/small", {{"Transfer-Encoding", "gzip, chunked"}}, "12345", 501},
      {"chunked twice", "/small", {{"Transfer-Encoding", "chunked, chunked"}}, "", 501},
      {"over the route's bound", "/small", {}, "123456789", 413},
      {"more than the budget left", "/small", {}, "1234567", 503},
      {"the alarm past the budget", "/alarm", {}, "1234567", 200},
      {"no such route", "/none", {}, "", 404},
      {"an exact path", "/sos.action", {}, "", 200},
      {"a dot of an exact path is a dot", "/sosXaction", {}, "", 404},
  };
  for (const Row& row : rows) {
    Request request;
    request.method = "POST";
    request.path = row.path;
    request.body = row.body;
    for (const auto& [name, value] : row.headers) request.addHeader(name, value);
    Response response = server.handle(std::move(request));
    EXPECT_EQ(response.status, row.status) << row.what;
    EXPECT_EQ(response.body == "ran", row.status == 200) << row.what;
  }
  EXPECT_TRUE(budget->take(6)) << "every body gave its share back";
}

// A reply made while it is sent: whole when the route's request was handed in, whole over a
// connection, and cut (never passed off as complete) when a piece cannot be made.
TEST(RoutingTest, AReplyInPiecesComesWholeOrVisiblyCut) {
  Server server;
  auto pieces = [](bool fail) {
    return [fail](const Request&, Response& response) {
      response.body = "head.";
      response.pieces = [n = 0, fail]() mutable -> std::string {
        if (++n > 3) return "";
        if (fail && n == 3) throw std::runtime_error("the store went away");
        return std::string(40000, static_cast<char>('a' + n));
      };
    };
  };
  server.get("/whole", pieces(false));
  server.get("/cut", pieces(true));
  const std::string whole =
      "head." + std::string(40000, 'b') + std::string(40000, 'c') + std::string(40000, 'd');
  auto get = [](const std::string& path) {
    Request request;
    request.method = "GET";
    request.path = path;
    return request;
  };
  EXPECT_EQ(server.handle(get("/whole")).body, whole);
  EXPECT_EQ(server.handle(get("/cut")).status, 500);

  int port = server.start("127.0.0.1", 0);
  ASSERT_NE(port, 0);
  for (const char* path : {"/whole", "/cut"}) {
    CURL* curl = curl_easy_init();
    std::string body;
    std::string url = "http://127.0.0.1:" + std::to_string(port) + path;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(
        curl, CURLOPT_WRITEFUNCTION, +[](char* data, size_t, size_t n, void* to) {
          static_cast<std::string*>(to)->append(data, n);
          return n;
        });
    CURLcode result = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    if (path == std::string("/whole")) {
      EXPECT_EQ(result, CURLE_OK);
      EXPECT_EQ(body, whole);
    } else {
      EXPECT_NE(result, CURLE_OK) << "a cut reply must not look complete";
      EXPECT_LT(body.size(), whole.size());
    }
  }
  server.stop();
}

}  // namespace
}  // namespace vokari_backend
