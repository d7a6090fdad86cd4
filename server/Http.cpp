#include "Http.h"

#include <algorithm>
#include <cctype>

#include <sys/socket.h>

namespace vokari_backend {
namespace {

void sendJson(httplib::Response& response, const Json& reply) {
  response.set_content(reply.dump(-1, ' ', false, Json::error_handler_t::replace),
                       "application/json; charset=utf-8");
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

Json states(const std::string& code) { return Json{{"STATES", code}}; }

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

bool compressedBody(const httplib::Request& request) {
  if (request.has_header(kRefusedCoding)) return true;
  if (!request.has_header("Content-Encoding")) return false;
  std::string coding;
  for (char c : request.get_header_value("Content-Encoding")) {
    if (!std::isspace(static_cast<unsigned char>(c)))
      coding += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return !coding.empty() && coding != "identity";
}

void configure(httplib::Server& server, httplib::Server::Handler errorBody) {
  // Without TCP_NODELAY every reply on a reused connection waits ~40 ms for a delayed ACK.
  server.set_tcp_nodelay(true);
  server.set_keep_alive_max_count(10000);
  // stop() waits for idle keep-alive connections to time out; keep that wait short.
  server.set_keep_alive_timeout(1);
  // The library's default adds SO_REUSEPORT, which would let a second back-end share
  // our ports silently instead of failing to start.
  server.set_socket_options([](socket_t sock) {
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server.set_payload_max_length(kMaxBody);
  // The library would inflate a compressed body with no bound (a megabyte on the wire can become
  // gigabytes). No client of ours compresses what it sends, so such a body is read as the bytes
  // sent, within the body limit, and the routes refuse it. Answering before reading it instead
  // would leave its bytes on a kept-alive connection, to be taken for the next request.
  server.set_pre_routing_handler([](const httplib::Request& request, httplib::Response&) {
    if (compressedBody(request)) {
      // The request object is the library's own, handed over read-only but not const.
      auto& plain = const_cast<httplib::Request&>(request);
      plain.headers.erase("Content-Encoding");
      plain.set_header(kRefusedCoding, "1");
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server.set_error_handler([errorBody](const httplib::Request& request,
                                       httplib::Response& response) {
    if (response.body.empty()) errorBody(request, response);
  });
}

std::string literalPattern(const std::string& path) {
  std::string pattern;
  for (char c : path) {
    if (c == '.') pattern += '\\';
    pattern += c;
  }
  return pattern;
}

std::string origin(const httplib::Request& request) {
  std::string host = request.get_header_value("Host");
  bool tidy = !host.empty() && std::all_of(host.begin(), host.end(), [](unsigned char c) {
    return std::isalnum(c) || c == '.' || c == ':' || c == '-' || c == '[' || c == ']';
  });
  if (!tidy) host = request.local_addr + ":" + std::to_string(request.local_port);
  return "http://" + host;
}

JsonService::JsonService(httplib::Server& server, Store& store, std::string prefix,
                         std::string failure)
    : server_(server),
      store_(store),
      prefix_(std::move(prefix)),
      failure_(std::move(failure)),
      failures_(std::make_shared<std::map<std::string, std::string>>()) {
  configure(server, [failures = failures_, fallback = failure_](const httplib::Request& request,
                                                                 httplib::Response& response) {
    auto it = failures->find(request.path);
    sendJson(response, states(it == failures->end() ? fallback : it->second));
  });
}

void JsonService::add(const std::string& action, JsonAction run) {
  add(action, failure_, std::move(run));
}

void JsonService::add(const std::string& action, const std::string& failure, JsonAction run) {
  std::string path = prefix_ + action + ".action";
  (*failures_)[path] = failure;
  server_.Post(literalPattern(path), [&store = store_, failure, run](
                                         const httplib::Request& request,
                                         httplib::Response& response) {
    Json reply = states(failure);
    if (compressedBody(request)) {
      response.status = 415;
      sendJson(response, reply);
      return;
    }
    Json body = Json::parse(request.body, nullptr, false);
    if (body.is_object()) {
      try {
        reply = store.transact(origin(request), [&](Call& call) { return run(body, call); });
      } catch (const std::exception&) {
        // bad input or a database error: the failure code already stands
      }
    }
    sendJson(response, reply);
  });
}

}  // namespace vokari_backend
