#pragma once
// What the four services share on the wire: server settings, JSON bodies read leniently
// and strictly typed, JSON replies with a text "STATES".

#include <httplib.h>

#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "Store.h"

namespace vokari_backend {

using Json = nlohmann::json;

inline constexpr size_t kMaxBody = 32u << 20;

// A body that lacks a key or holds the wrong type. The route answers its failure code.
struct BadInput : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string text(const Json& body, const char* key);          // a required string
std::string optionalText(const Json& body, const char* key);  // absent or null read as ""
std::string identifier(const Json& body, const char* key);    // a string or an integer
Json states(const std::string& code);
Json toJson(const Record& record);                // an object of texts
Json toJson(const std::vector<Record>& records);  // an array of such objects

// Whether the request said its body is compressed (any Content-Encoding but "identity"). Such a
// body is never inflated: it reaches the routes as the bytes sent, marked with this header.
inline constexpr const char* kRefusedCoding = "X-Vokari-Compressed-Body";
bool compressedBody(const httplib::Request& request);

// Keep-alive without Nagle stalls, the body limit, compressed bodies left compressed (the JSON
// routes refuse them with 415; to other routes they are unreadable bytes), and errorBody for
// every reply >= 400 that has no body of its own (unknown paths, bodies over the limit,
// unreadable bodies).
void configure(httplib::Server& server, httplib::Server::Handler errorBody);

// A route pattern that matches exactly this path (routes are regular expressions).
std::string literalPattern(const std::string& path);

// "http://host:port" as the caller addressed this server.
std::string origin(const httplib::Request& request);

using JsonAction = std::function<Json(const Json& body, Call& call)>;

// The JSON actions of one service, POST prefix + action + ".action". A body must be a JSON
// object (no Content-Type is needed) and each action runs in one transaction. Bad input,
// an error, a body over the limit or an unknown action answer {"STATES": failure}, the
// failure code of the action addressed, and change nothing.
class JsonService final {
 public:
  JsonService(httplib::Server& server, Store& store, std::string prefix, std::string failure);
  void add(const std::string& action, JsonAction run);
  void add(const std::string& action, const std::string& failure, JsonAction run);

 private:
  httplib::Server& server_;
  Store& store_;
  std::string prefix_;
  std::string failure_;
  // Shared with the error handler, which outlives this object.
  std::shared_ptr<std::map<std::string, std::string>> failures_;  // by path
};

}  // namespace vokari_backend
