// The rules a request meets before its route runs, the same whether it came over a connection
// or was handed in whole: a clear length, a known transfer coding, the route's bound and the
// shared budget, which the alarm's route never waits for.

#include <gtest/gtest.h>

#include <memory>
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

}  // namespace
}  // namespace vokari_backend
