#pragma once
// What the four services share on the wire: an HTTP/1.1 server for many connections, JSON
// bodies read leniently and strictly typed, JSON replies with a text "STATES".

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "Store.h"

namespace vokari_backend {

using Json = nlohmann::json;

// What a route takes at most, by what its largest honest request needs.
inline constexpr size_t kJsonBodyLimit = 8u << 10;
inline constexpr size_t kFeedbackBodyLimit = 1u << 20;  // free text the phone does not bound

// A request as the routes see it: the path decoded, the groups of the route's pattern, the
// headers by case-blind name and the whole body (empty on a streamed route).
struct Request {
  std::string method;
  std::string path;
  std::vector<std::string> matches;  // [0] the whole path, then each group
  std::string body;
  std::string localAddress;  // where this service listens
  int localPort = 0;

  bool hasHeader(std::string_view name) const;
  std::string header(std::string_view name) const;                // "" when absent
  std::vector<std::string> headers(std::string_view name) const;  // every value, in order
  void addHeader(std::string name, std::string value);

 private:
  std::vector<std::pair<std::string, std::string>> headers_;
};

// The next piece of a body made while it is sent; an empty piece ends the body. It runs on the
// connection's thread after the route returned, so it owns what it reads from. A throw cuts the
// connection: the status line has gone out already.
using BodyPieces = std::function<std::string()>;

struct Response {
  int status = 200;
  std::string body;
  std::string contentType;
  // Set: the body is `body` followed by the pieces, sent as they are made (chunked), so that a
  // reply larger than memory should hold never lies whole in memory.
  BodyPieces pieces;
  void setContent(std::string content, std::string type) {
    body = std::move(content);
    contentType = std::move(type);
  }
};

using Handler = std::function<void(const Request&, Response&)>;

// A body taken as it arrives, for a route whose bodies are too large to hold.
class BodyReader {
 public:
  virtual ~BodyReader() = default;
  virtual void feed(std::string_view bytes) = 0;
  // The body is complete: answer.
  virtual void finish(const Request& request, Response& response) = 0;
};
using StreamHandler = std::function<std::unique_ptr<BodyReader>(const Request&)>;

// What a route accepts. A vital route (the alarm's) is never refused for load: neither by the
// byte budget of pending bodies nor by the connection limit.
struct RouteRules {
  size_t bodyLimit = kJsonBodyLimit;
  bool vital = false;
};

// How long a connection may take. A request's header must arrive within `header` of the
// connection's opening or of the previous reply. A body is cut when no byte of it came for
// `bodySilence`, or when, past `rateGrace` from its header, it came slower than `rateFloor`
// bytes a second on average. A connection without a request for `idle` is closed, and sooner
// when the connection limit is near.
struct Deadlines {
  std::chrono::milliseconds header{10000};
  std::chrono::milliseconds idle{5000};
  std::chrono::milliseconds bodySilence{30000};
  std::chrono::milliseconds rateGrace{60000};
  size_t rateFloor = 4u << 10;
};

// The bytes all pending bodies may hold at once, shared by the servers that hold a pointer.
class BodyBudget final {
 public:
  explicit BodyBudget(size_t bytes) : left_(bytes) {}
  bool take(size_t bytes);  // false, taking nothing, when fewer are left
  void give(size_t bytes);

 private:
  std::atomic<size_t> left_;
};

// What one server may hold: `connections` open at once (a new one past that closes the oldest
// connection waiting for a request), and the body budget it shares with others.
struct Limits {
  size_t connections = 1000;
  // The library's threads of a service. Every request meets the others at the store's one lock,
  // so workers beyond one a core only wait.
  unsigned workers = 2;
  std::shared_ptr<BodyBudget> budget = std::make_shared<BodyBudget>(64u << 20);
};

class Routes;

// Raises the process's limit of open files towards its hard limit, but not past `cap`; returns
// the limit in force, or `cap` when that is lower.
size_t raiseDescriptorLimit(size_t cap);

// The paths a route takes, whole: one exact path, or those a regular expression matches (its
// groups go to Request::matches). Nearly every route is exact, and compiling no expression for
// those keeps the services' start short.
struct RoutePath {
  RoutePath(std::string exact) : text(std::move(exact)) {}
  RoutePath(const char* exact) : text(exact) {}
  static RoutePath expression(std::string pattern) {
    RoutePath path(std::move(pattern));
    path.isExpression = true;
    return path;
  }

  std::string text;
  bool isExpression = false;
};

// One service's HTTP server: event-driven, so that connections cost no thread; routes match the
// whole path; replies go out in order on a connection, also for requests sent back to back.
class Server final {
 public:
  Server();
  ~Server();  // stops
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  void get(const RoutePath& path, Handler handler);  // no body
  void post(const RoutePath& path, Handler handler, RouteRules rules = {});
  // A POST route whose body goes to a reader as it arrives, up to streamLimit bytes. A null
  // reader reads the body whole within rules.bodyLimit and passes it to `fallback`.
  void postStream(const RoutePath& path, size_t streamLimit, StreamHandler stream, Handler fallback,
                  RouteRules rules = {});
  // Fills every reply >= 400 that has no body of its own (unknown paths, bodies over the limit).
  void setErrorHandler(Handler handler);
  // Before start().
  void setDeadlines(const Deadlines& deadlines);
  void setLimits(const Limits& limits);

  // Starts serving on host:port (0: a free port); returns the port, or 0 when it cannot listen.
  int start(const std::string& host, int port);
  void stop();  // closes every connection; idempotent

  // Answers a whole request in this process as a connection would have it answered, by the
  // same routes, body limits and budget, error handler included; a streamed route gets the
  // body in one piece. For in-process drivers.
  Response handle(Request request) const;

  struct Impl;  // the connection layer

 private:
  std::unique_ptr<Routes> routes_;
  Deadlines deadlines_;
  Limits limits_;
  std::unique_ptr<Impl> impl_;
};

std::string text(const Json& body, const char* key);          // a required string
std::string optionalText(const Json& body, const char* key);  // absent or null read as ""
std::string identifier(const Json& body, const char* key);    // a string or an integer
Json states(const std::string& code);
Json toJson(const Record& record);                // an object of texts
Json toJson(const std::vector<Record>& records);  // an array of such objects

// A body that lacks a key or holds the wrong type. The route answers its failure code.
struct BadInput : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Whether the request said its body is compressed (any Content-Encoding but "identity"). Such a
// body is never inflated: the JSON routes refuse it with 415; to other routes it is unreadable.
bool compressedBody(const Request& request);

// "http://host:port" as the caller addressed this server.
std::string origin(const Request& request);

// No request the phone sends nests deeper than two; a deep body is refused before it is parsed.
inline constexpr int kMaxJsonDepth = 16;
// Whether the JSON text's arrays and objects nest deeper than `limit` (strings skipped).
bool nestedDeeper(std::string_view json, int limit);

using JsonAction = std::function<Json(const Json& body, Call& call)>;
// An action whose reply is long: it checks the body in the transaction and returns the reply's
// pieces, which read the store in transactions of their own while the reply goes out.
using StreamedAction = std::function<BodyPieces(const Json& body, Call& call, Store& store)>;

// The JSON actions of one service, POST prefix + action + ".action". A body must be a JSON
// object (no Content-Type is needed) and each action runs in one transaction. Bad input,
// an error, a body over the route's limit or nested deeper than kMaxJsonDepth, or an unknown
// action answer {"STATES": failure}, the failure code of the action addressed, and change
// nothing.
class JsonService final {
 public:
  JsonService(Server& server, Store& store, std::string prefix, std::string failure);
  void add(const std::string& action, JsonAction run, RouteRules rules = {});
  void add(const std::string& action, const std::string& failure, JsonAction run,
           RouteRules rules = {});
  void addStreamed(const std::string& action, StreamedAction run);

 private:
  using Answer = std::function<void(const Json& body, const Request&, Response&)>;
  // Routes the action: a body that is not a JSON object, or an answer that throws, answers
  // {"STATES": failure}.
  void route(const std::string& action, const std::string& failure, RouteRules rules,
             Answer answer);

  Server& server_;
  Store& store_;
  std::string prefix_;
  std::string failure_;
  // Shared with the error handler, which outlives this object.
  std::shared_ptr<std::map<std::string, std::string>> failures_;  // by path
};

}  // namespace vokari_backend
