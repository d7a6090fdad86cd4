#include "Routing.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <utility>

namespace vokari_backend {
namespace {

char lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool sameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return lower(x) == lower(y); });
}

std::string trimmed(std::string_view text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return "";
  return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// The comma-separated items of every value, trimmed: "a, b" reads as two headers "a" and "b".
std::vector<std::string> listItems(const std::vector<std::string>& values) {
  std::vector<std::string> items;
  for (std::string_view value : values) {
    for (size_t start = 0;;) {
      size_t end = value.find(',', start);
      items.push_back(trimmed(value.substr(start, end - start)));
      if (end == std::string_view::npos) break;
      start = end + 1;
    }
  }
  return items;
}

// The declared length: none when no header gives one; 400 when the values disagree or one is
// not a plain number (the library would take the first and read the rest as the next request).
std::optional<size_t> declaredLength(const Request& request, int& status) {
  std::vector<std::string> values = request.headers("Content-Length");
  if (values.empty()) return std::nullopt;
  std::optional<size_t> length;
  for (const std::string& item : listItems(values)) {
    bool digits = !item.empty() && item.size() <= 18 &&
                  item.find_first_not_of("0123456789") == std::string::npos;
    size_t value = digits ? std::strtoull(item.c_str(), nullptr, 10) : 0;
    if (!digits || (length && *length != value)) {
      status = 400;
      return std::nullopt;
    }
    length = value;
  }
  return length;
}

// Chunked is the one transfer coding we read; any other would leave the body's end unknown.
bool knownTransferCoding(const Request& request) {
  std::vector<std::string> values = request.headers("Transfer-Encoding");
  if (values.empty()) return true;
  std::vector<std::string> items = listItems(values);
  return items.size() == 1 && sameText(items[0], "chunked");
}

}  // namespace

bool Request::hasHeader(std::string_view name) const {
  return std::any_of(headers_.begin(), headers_.end(),
                     [&](const auto& header) { return sameText(header.first, name); });
}

std::string Request::header(std::string_view name) const {
  for (const auto& [key, value] : headers_) {
    if (sameText(key, name)) return value;
  }
  return "";
}

std::vector<std::string> Request::headers(std::string_view name) const {
  std::vector<std::string> values;
  for (const auto& [key, value] : headers_) {
    if (sameText(key, name)) values.push_back(value);
  }
  return values;
}

void Request::addHeader(std::string name, std::string value) {
  headers_.emplace_back(std::move(name), std::move(value));
}

bool BodyBudget::take(size_t bytes) {
  size_t left = left_.load();
  do {
    if (left < bytes) return false;
  } while (!left_.compare_exchange_weak(left, left - bytes));
  return true;
}

void BodyBudget::give(size_t bytes) {
  left_ += bytes;
}

const Route* Routes::find(Request& request) const {
  for (const Route& candidate : routes_) {
    if (candidate.method != request.method) continue;
    if (!candidate.pattern) {
      if (candidate.path != request.path) continue;
      request.matches = {request.path};
      return &candidate;
    }
    std::smatch match;
    if (std::regex_match(request.path, match, *candidate.pattern)) {
      request.matches.assign(match.begin(), match.end());
      return &candidate;
    }
  }
  return nullptr;
}

void Routes::explain(const Request& request, Response& response) const {
  if (response.status < 400 || !response.body.empty() || !errorHandler_) return;
  try {
    errorHandler_(request, response);
  } catch (const std::exception&) {
    // the status alone answers
  }
}

Exchange::Exchange(const Routes& routes, BodyBudget& budget, Request request)
    : routes_(routes), budget_(budget), request_(std::move(request)) {
  route_ = routes_.find(request_);
  // A body to an unknown path is read (and dropped) within the usual bound before the 404.
  limit_ = route_ ? route_->rules.bodyLimit : kJsonBodyLimit;
}

Exchange::~Exchange() {
  budget_.give(reserved_);
}

int Exchange::admit(std::optional<size_t> knownSize) {
  int status = 0;
  std::optional<size_t> length = declaredLength(request_, status);
  if (status) return status;
  if (!knownTransferCoding(request_)) return 501;
  if (knownSize) length = knownSize;
  if (route_ && route_->stream) {
    reader_ = route_->stream(request_);
    if (reader_) limit_ = route_->streamLimit;
  }
  if (length && *length > limit_) return 413;
  if (vital()) return 0;
  // A body of unknown length may hold up to the limit.
  size_t cost = reader_ ? kStreamedBodyCost : length.value_or(limit_);
  if (!budget_.take(cost)) return 503;
  reserved_ = cost;
  return 0;
}

bool Exchange::feed(std::string_view bytes) {
  received_ += bytes.size();
  if (received_ > limit_) return false;
  if (reader_) {
    reader_->feed(bytes);
  } else {
    request_.body.append(bytes);
  }
  return true;
}

Response Exchange::finish() {
  Response response;
  try {
    if (!route_) {
      response.status = 404;
    } else if (reader_) {
      reader_->finish(request_, response);
    } else {
      route_->handler(request_, response);
    }
  } catch (const std::exception&) {
    response = Response{};
    response.status = 500;
  }
  routes_.explain(request_, response);
  return response;
}

Response Exchange::refusal(int status) const {
  Response response;
  response.status = status;
  routes_.explain(request_, response);
  return response;
}

namespace {

Route routeTo(std::string method, const RoutePath& path) {
  Route route;
  route.method = std::move(method);
  if (path.isExpression)
    route.pattern.emplace(path.text);
  else
    route.path = path.text;
  return route;
}

}  // namespace

void Server::get(const RoutePath& path, Handler handler) {
  Route route = routeTo("GET", path);
  route.handler = std::move(handler);
  route.rules.bodyLimit = 0;
  routes_->add(std::move(route));
}

void Server::post(const RoutePath& path, Handler handler, RouteRules rules) {
  Route route = routeTo("POST", path);
  route.handler = std::move(handler);
  route.rules = rules;
  routes_->add(std::move(route));
}

void Server::postStream(const RoutePath& path, size_t streamLimit, StreamHandler stream,
                        Handler fallback, RouteRules rules) {
  Route route = routeTo("POST", path);
  route.handler = std::move(fallback);
  route.stream = std::move(stream);
  route.streamLimit = streamLimit;
  route.rules = rules;
  routes_->add(std::move(route));
}

void Server::setErrorHandler(Handler handler) {
  routes_->setErrorHandler(std::move(handler));
}

void Server::setDeadlines(const Deadlines& deadlines) {
  deadlines_ = deadlines;
}

void Server::setLimits(const Limits& limits) {
  limits_ = limits;
}

Response Server::handle(Request request) const {
  std::string body = std::exchange(request.body, {});
  Exchange exchange(*routes_, *limits_.budget, std::move(request));
  if (int status = exchange.admit(body.size())) return exchange.refusal(status);
  exchange.feed(body);  // within the limit: admit() saw its size
  Response response = exchange.finish();
  // In one piece, as the caller reads it.
  if (!response.pieces) return response;
  try {
    for (std::string piece; !(piece = response.pieces()).empty();) response.body += piece;
  } catch (const std::exception&) {
    return exchange.refusal(500);  // a connection would have been cut
  }
  response.pieces = nullptr;
  return response;
}

}  // namespace vokari_backend
