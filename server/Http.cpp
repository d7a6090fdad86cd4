#include "Http.h"

#include <algorithm>
#include <cctype>

namespace vokari_backend {
namespace {

constexpr const char* kJsonType = "application/json; charset=utf-8";

void sendJson(Response& response, const Json& reply) {
  response.setContent(reply.dump(-1, ' ', false, Json::error_handler_t::replace), kJsonType);
}

}  // namespace

std::string text(const Json& body, const char* key) {
  auto it = body.find(key);
  if (it == body.end() || !it->is_string()) throw BadInput(key);
  return it->get<std::string>();
}

std::string optionalText(const Json& body, const char* key) {
  auto it = body.find(key);
  if (it == body.end() || it->is_null()) return "";
  return text(body, key);
}

std::string identifier(const Json& body, const char* key) {
  auto it = body.find(key);
  if (it != body.end() && it->is_number_integer()) return it->dump();
  return text(body, key);
}

Json states(const std::string& code) {
  return Json{{"STATES", code}};
}

Json toJson(const Record& record) {
  Json object = Json::object();
  for (const auto& [name, value] : record.fields) object[name] = value;
  return object;
}

Json toJson(const std::vector<Record>& records) {
  Json array = Json::array();
  for (const Record& record : records) array.push_back(toJson(record));
  return array;
}

bool compressedBody(const Request& request) {
  std::string coding;
  for (char c : request.header("Content-Encoding")) {
    if (!std::isspace(static_cast<unsigned char>(c)))
      coding += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return !coding.empty() && coding != "identity";
}

std::string origin(const Request& request) {
  std::string host = request.header("Host");
  bool tidy = !host.empty() && std::all_of(host.begin(), host.end(), [](unsigned char c) {
    return std::isalnum(c) || c == '.' || c == ':' || c == '-' || c == '[' || c == ']';
  });
  if (!tidy) host = request.localAddress + ":" + std::to_string(request.localPort);
  return "http://" + host;
}

JsonService::JsonService(Server& server, Store& store, std::string prefix, std::string failure)
    : server_(server),
      store_(store),
      prefix_(std::move(prefix)),
      failure_(std::move(failure)),
      failures_(std::make_shared<std::map<std::string, std::string>>()) {
  server.setErrorHandler(
      [failures = failures_, fallback = failure_](const Request& request, Response& response) {
        auto it = failures->find(request.path);
        sendJson(response, states(it == failures->end() ? fallback : it->second));
      });
}

bool nestedDeeper(std::string_view json, int limit) {
  int depth = 0;
  bool quoted = false, escaped = false;
  for (char c : json) {
    if (quoted) {
      quoted = escaped || c != '"';
      escaped = !escaped && c == '\\';
    } else if (c == '"') {
      quoted = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

void JsonService::add(const std::string& action, JsonAction run, RouteRules rules) {
  add(action, failure_, std::move(run), rules);
}

void JsonService::add(const std::string& action, const std::string& failure, JsonAction run,
                      RouteRules rules) {
  route(action, failure, rules,
        [&store = store_, run](const Json& body, const Request& request, Response& response) {
          sendJson(response,
                   store.transact(origin(request), [&](Call& call) { return run(body, call); }));
        });
}

void JsonService::addStreamed(const std::string& action, StreamedAction run) {
  route(action, failure_, {},
        [&store = store_, run](const Json& body, const Request& request, Response& response) {
          BodyPieces pieces =
              store.transact(origin(request), [&](Call& call) { return run(body, call, store); });
          response.contentType = kJsonType;
          response.pieces = std::move(pieces);
        });
}

void JsonService::route(const std::string& action, const std::string& failure, RouteRules rules,
                        Answer answer) {
  std::string path = prefix_ + action + ".action";
  (*failures_)[path] = failure;
  server_.post(
      path,
      [failure, answer](const Request& request, Response& response) {
        if (compressedBody(request)) {
          response.status = 415;
          sendJson(response, states(failure));
          return;
        }
        Json body = nestedDeeper(request.body, kMaxJsonDepth)
                        ? Json()
                        : Json::parse(request.body, nullptr, false);
        try {
          if (body.is_object()) return answer(body, request, response);
        } catch (const std::exception&) {
          // bad input or a database error: the failure code answers
        }
        response = Response{};
        sendJson(response, states(failure));
      },
      rules);
}

}  // namespace vokari_backend
