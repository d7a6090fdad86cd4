#pragma once
// The routing half of a server: which route a request goes to, what it may bring and how it is
// answered. A request that came over a connection and one handed in whole meet the same rules.

#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "Http.h"

namespace vokari_backend {

struct Route {
  std::string method;
  std::string path;                   // an exact route's path
  std::optional<std::regex> pattern;  // or the expression its paths match
  Handler handler;
  StreamHandler stream;  // empty: the body is held whole
  size_t streamLimit = 0;
  RouteRules rules;
};

class Routes final {
 public:
  void add(Route route) { routes_.push_back(std::move(route)); }
  void setErrorHandler(Handler handler) { errorHandler_ = std::move(handler); }
  // The route for the request's method and whole path, its groups put in request.matches.
  const Route* find(Request& request) const;
  // A reply >= 400 without a body of its own gets the error handler's.
  void explain(const Request& request, Response& response) const;

 private:
  std::vector<Route> routes_;
  Handler errorHandler_;
};

// What a streamed body costs while it is read (its reader's buffers), against the budget.
inline constexpr size_t kStreamedBodyCost = 64u << 10;

// One request from its header to its answer. Not thread-safe; one connection's thread uses it.
class Exchange final {
 public:
  Exchange(const Routes& routes, BodyBudget& budget, Request request);
  ~Exchange();  // gives back what the body took of the budget
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;

  // Checks the header, and the body's size when it is known in advance (a body handed in
  // whole). 0: read the body. Otherwise the status to answer at once before closing: 400 for
  // conflicting or malformed lengths, 501 for a transfer coding other than chunked, 413 for a
  // declared body over the route's limit, 503 when the budget cannot hold the body.
  int admit(std::optional<size_t> knownSize = std::nullopt);
  // Takes the next piece of the body; false once the body ran past the route's limit.
  bool feed(std::string_view bytes);
  // The body is complete: the route's answer (500 when the route throws), explained.
  Response finish();
  // A refusal with the given status, explained.
  Response refusal(int status) const;

  bool streamed() const { return reader_ != nullptr; }
  bool vital() const { return route_ && route_->rules.vital; }
  size_t received() const { return received_; }

 private:
  const Routes& routes_;
  BodyBudget& budget_;
  Request request_;
  const Route* route_ = nullptr;
  std::unique_ptr<BodyReader> reader_;
  size_t limit_ = 0;
  size_t received_ = 0;
  size_t reserved_ = 0;
};

}  // namespace vokari_backend
