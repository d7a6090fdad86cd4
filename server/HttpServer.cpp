// The services' HTTP server on libmicrohttpd: a few polling threads serve every connection, so a
// connection that is slow or idle holds no thread; deadlines the library lacks (a whole
// request's header and body) are kept by a sweeper that shuts down the sockets that overstay.
// Connections are accepted by a thread of our own: the library's workers accept only a few
// between rounds of requests, so a crowd arriving at once waited seconds in the listen queue
// while the workers answered the clients already in. The workers poll rather than use epoll:
// in epoll mode a connection handed over now and then waited for the worker's idle time-out
// (5 s) before its first request was read; with poll no such wait was seen.

#include <arpa/inet.h>
#include <malloc.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <regex>
#include <thread>
#include <unordered_map>
#include <utility>

#include "Http.h"

namespace vokari_backend {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Every request meets the others at the store's one lock, so workers beyond one a core only wait.
constexpr unsigned kThreads = 2;
constexpr unsigned kConnectionLimit = 4000;
// Past this many connections, those waiting for a request are closed first.
constexpr size_t kCrowded = kConnectionLimit * 9 / 10;
constexpr auto kCrowdedIdle = std::chrono::seconds(1);
constexpr auto kSweep = std::chrono::milliseconds(100);
constexpr int kBacklog = 1024;
// Out of descriptors or memory: accepting again at once would only spin.
constexpr auto kAcceptPause = std::chrono::milliseconds(50);

bool sameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

struct Route {
  std::string method;
  std::regex pattern;
  Handler handler;
  StreamHandler stream;
  size_t streamLimit = 0;
};

// What the sweeper knows of one connection.
struct Link {
  int fd = -1;
  SteadyClock::time_point since;  // opened, or the previous reply queued
  bool answering = false;         // the whole request is in
  bool streaming = false;         // on a streamed route: bytes buy time
  size_t received = 0;
};

// One request on its way through the access handler.
struct Exchange {
  Request request;
  const Route* route = nullptr;
  std::unique_ptr<BodyReader> reader;
  size_t limit = kMaxBody;
  size_t received = 0;
  bool overLimit = false;
};

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

void Request::addHeader(std::string name, std::string value) {
  headers_.emplace_back(std::move(name), std::move(value));
}

struct Server::Impl {
  std::vector<Route> routes;
  Handler errorHandler;
  Deadlines deadlines;
  MHD_Daemon* daemon = nullptr;
  std::string host;
  int port = 0;
  int listener = -1;

  std::mutex mutex;  // guards links, stopping
  std::unordered_map<MHD_Connection*, Link> links;
  bool stopping = false;
  bool crowdGone = false;  // connections came since the last time all were gone
  std::condition_variable wake;
  std::thread sweeper;
  std::thread acceptor;

  void sweep();
  void accept();
  const Route* route(Request& request) const;
  // The route's answer to a request whose body is in; a route that throws answers 500.
  static void run(Exchange& exchange, Response& response);
  // A reply >= 400 without a body of its own gets the error handler's.
  void explain(const Request& request, Response& response) const;
  MHD_Result answer(MHD_Connection* connection, Exchange& exchange, Response& response, bool close);
  void note(MHD_Connection* connection, const std::function<void(Link&)>& change) {
    std::lock_guard lock(mutex);
    auto it = links.find(connection);
    if (it != links.end()) change(it->second);
  }
};

namespace {

MHD_Result collectHeader(void* cls, MHD_ValueKind, const char* key, const char* value) {
  static_cast<Request*>(cls)->addHeader(key ? key : "", value ? value : "");
  return MHD_YES;
}

MHD_Result onRequest(void* cls, MHD_Connection* connection, const char* url, const char* method,
                     const char*, const char* data, size_t* size, void** context) {
  auto& impl = *static_cast<Server::Impl*>(cls);
  auto* exchange = static_cast<Exchange*>(*context);
  if (!exchange) {
    // The header is in: find the route, and refuse a declared body over the limit at once.
    exchange = new Exchange;
    *context = exchange;
    Request& request = exchange->request;
    request.method = method;
    request.path = url;
    request.localAddress = impl.host;
    request.localPort = impl.port;
    MHD_get_connection_values(connection, MHD_HEADER_KIND, collectHeader, &request);
    exchange->route = impl.route(request);
    if (exchange->route && exchange->route->stream) {
      exchange->reader = exchange->route->stream(request);
      if (exchange->reader) {
        exchange->limit = exchange->route->streamLimit;
        impl.note(connection, [](Link& link) { link.streaming = true; });
      }
    }
    std::string length = request.header("Content-Length");
    if (!length.empty() && std::strtoull(length.c_str(), nullptr, 10) > exchange->limit) {
      Response response;
      response.status = 413;
      return impl.answer(connection, *exchange, response, true);
    }
    return MHD_YES;
  }
  if (*size > 0) {
    exchange->received += *size;
    if (exchange->received > exchange->limit) {
      // Read on and drop (the deadline bounds it), then say why.
      exchange->overLimit = true;
    } else if (exchange->reader) {
      exchange->reader->feed(std::string_view(data, *size));
      impl.note(connection, [&](Link& link) { link.received = exchange->received; });
    } else {
      exchange->request.body.append(data, *size);
    }
    *size = 0;
    return MHD_YES;
  }
  impl.note(connection, [](Link& link) { link.answering = true; });
  Response response;
  if (exchange->overLimit) {
    response.status = 413;
    return impl.answer(connection, *exchange, response, false);
  }
  impl.run(*exchange, response);
  return impl.answer(connection, *exchange, response, false);
}

void onCompleted(void* cls, MHD_Connection* connection, void** context,
                 MHD_RequestTerminationCode) {
  delete static_cast<Exchange*>(*context);
  *context = nullptr;
  static_cast<Server::Impl*>(cls)->note(connection, [](Link& link) {
    link = Link{link.fd, SteadyClock::now()};
  });
}

void onConnection(void* cls, MHD_Connection* connection, void**,
                  MHD_ConnectionNotificationCode code) {
  auto& impl = *static_cast<Server::Impl*>(cls);
  std::lock_guard lock(impl.mutex);
  // The library closes the socket only after this call, so the sweeper never touches a socket
  // number that was handed on to another connection.
  if (code == MHD_CONNECTION_NOTIFY_STARTED) {
    const auto* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    impl.links[connection] = Link{info ? info->connect_fd : -1, SteadyClock::now()};
    impl.crowdGone = true;
  } else {
    impl.links.erase(connection);
  }
}

}  // namespace

const Route* Server::Impl::route(Request& request) const {
  for (const Route& candidate : routes) {
    std::smatch match;
    if (candidate.method == request.method &&
        std::regex_match(request.path, match, candidate.pattern)) {
      request.matches.assign(match.begin(), match.end());
      return &candidate;
    }
  }
  return nullptr;
}

void Server::Impl::run(Exchange& exchange, Response& response) {
  try {
    if (!exchange.route) {
      response.status = 404;
    } else if (exchange.reader) {
      exchange.reader->finish(exchange.request, response);
    } else {
      exchange.route->handler(exchange.request, response);
    }
  } catch (const std::exception&) {
    response = Response{};
    response.status = 500;
  }
}

void Server::Impl::explain(const Request& request, Response& response) const {
  if (response.status < 400 || !response.body.empty() || !errorHandler) return;
  try {
    errorHandler(request, response);
  } catch (const std::exception&) {
    // the status alone answers
  }
}

Response Server::handle(Request request) const {
  Exchange exchange;
  exchange.request = std::move(request);
  exchange.route = impl_->route(exchange.request);
  if (exchange.route && exchange.route->stream) {
    exchange.reader = exchange.route->stream(exchange.request);
    if (exchange.reader) exchange.limit = exchange.route->streamLimit;
  }
  Response response;
  if (exchange.request.body.size() > exchange.limit) {
    response.status = 413;
  } else {
    if (exchange.reader) exchange.reader->feed(std::exchange(exchange.request.body, {}));
    Impl::run(exchange, response);
  }
  impl_->explain(exchange.request, response);
  return response;
}

MHD_Result Server::Impl::answer(MHD_Connection* connection, Exchange& exchange, Response& response,
                                bool close) {
  explain(exchange.request, response);
  MHD_Response* reply = MHD_create_response_from_buffer(response.body.size(), response.body.data(),
                                                        MHD_RESPMEM_MUST_COPY);
  if (!reply) return MHD_NO;
  if (!response.contentType.empty())
    MHD_add_response_header(reply, MHD_HTTP_HEADER_CONTENT_TYPE, response.contentType.c_str());
  if (close) MHD_add_response_header(reply, MHD_HTTP_HEADER_CONNECTION, "close");
  MHD_Result queued = MHD_queue_response(connection, static_cast<unsigned>(response.status), reply);
  MHD_destroy_response(reply);
  return queued;
}

void Server::Impl::sweep() {
  std::unique_lock lock(mutex);
  while (!wake.wait_for(lock, kSweep, [&] { return stopping; })) {
    if (links.empty() && crowdGone) {
      // The connections' buffers went back to the allocator's free lists, which keep them
      // resident after a crowd; once every connection is gone, hand them back to the system.
      crowdGone = false;
      lock.unlock();
      ::malloc_trim(0);
      lock.lock();
      continue;
    }
    auto now = SteadyClock::now();
    bool crowded = links.size() > kCrowded;
    for (auto& [connection, link] : links) {
      if (link.answering || link.fd < 0) continue;
      auto allowed = deadlines.request;
      if (link.streaming) allowed += std::chrono::seconds(link.received / deadlines.perSecond);
      bool late = now - link.since > allowed;
      bool crowdedOut =
          crowded && link.received == 0 && !link.streaming && now - link.since > kCrowdedIdle;
      // The library sees the end of the stream and closes the connection itself.
      if (late || crowdedOut) {
        ::shutdown(link.fd, SHUT_RDWR);
        link.fd = -1;
      }
    }
  }
}

void Server::Impl::accept() {
  for (;;) {
    sockaddr_storage peer{};
    socklen_t size = sizeof peer;
    int fd = ::accept4(listener, reinterpret_cast<sockaddr*>(&peer), &size,
                       SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
      int yes = 1;  // replies go out whole; Nagle would hold back the next one
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
      // The library closes the socket itself when it cannot take it (at the connection limit).
      MHD_add_connection(daemon, fd, reinterpret_cast<sockaddr*>(&peer), size);
      continue;
    }
    if (errno == EINTR || errno == ECONNABORTED) continue;
    // stop() shuts the listener down, which ends a waiting accept with an error.
    std::unique_lock lock(mutex);
    if (wake.wait_for(lock, kAcceptPause, [&] { return stopping; })) return;
  }
}

namespace {

// A listening socket on address, or -1.
int listenOn(const sockaddr* address, socklen_t size) {
  int fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int yes = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (::bind(fd, address, size) != 0 || ::listen(fd, kBacklog) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

int boundPort(int fd) {
  sockaddr_storage bound{};
  socklen_t size = sizeof bound;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size) != 0) return 0;
  if (bound.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port);
  return ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
}

}  // namespace

Server::Server() : impl_(std::make_unique<Impl>()) {}

Server::~Server() {
  stop();
}

void Server::get(const std::string& pattern, Handler handler) {
  impl_->routes.push_back({"GET", std::regex(pattern), std::move(handler), {}, 0});
}

void Server::post(const std::string& pattern, Handler handler) {
  impl_->routes.push_back({"POST", std::regex(pattern), std::move(handler), {}, 0});
}

void Server::postStream(const std::string& pattern, size_t bodyLimit, StreamHandler stream,
                        Handler fallback) {
  impl_->routes.push_back(
      {"POST", std::regex(pattern), std::move(fallback), std::move(stream), bodyLimit});
}

void Server::setErrorHandler(Handler handler) {
  impl_->errorHandler = std::move(handler);
}

void Server::setDeadlines(const Deadlines& deadlines) {
  impl_->deadlines = deadlines;
}

int Server::start(const std::string& host, int port) {
  if (impl_->daemon) return 0;
  sockaddr_in v4{};
  sockaddr_in6 v6{};
  const sockaddr* address = nullptr;
  socklen_t size = 0;
  if (::inet_pton(AF_INET, host.c_str(), &v4.sin_addr) == 1) {
    v4.sin_family = AF_INET;
    v4.sin_port = htons(static_cast<uint16_t>(port));
    address = reinterpret_cast<const sockaddr*>(&v4);
    size = sizeof v4;
  } else if (::inet_pton(AF_INET6, host.c_str(), &v6.sin6_addr) == 1) {
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(static_cast<uint16_t>(port));
    address = reinterpret_cast<const sockaddr*>(&v6);
    size = sizeof v6;
  } else {
    return 0;
  }
  int listener = listenOn(address, size);
  if (listener < 0) return 0;
  auto idle = std::chrono::ceil<std::chrono::seconds>(impl_->deadlines.idle).count();
  impl_->host = host;
  impl_->daemon = MHD_start_daemon(
      MHD_USE_NO_LISTEN_SOCKET | MHD_USE_ITC | MHD_USE_POLL_INTERNAL_THREAD, 0, nullptr, nullptr,
      onRequest, impl_.get(), MHD_OPTION_THREAD_POOL_SIZE, kThreads, MHD_OPTION_CONNECTION_LIMIT,
      kConnectionLimit, MHD_OPTION_CONNECTION_TIMEOUT,
      static_cast<unsigned>(std::max<long long>(1, idle)), MHD_OPTION_CONNECTION_MEMORY_LIMIT,
      static_cast<size_t>(32u << 10), MHD_OPTION_NOTIFY_COMPLETED, onCompleted, impl_.get(),
      MHD_OPTION_NOTIFY_CONNECTION, onConnection, impl_.get(), MHD_OPTION_END);
  if (!impl_->daemon) {
    ::close(listener);
    return 0;
  }
  impl_->listener = listener;
  impl_->port = boundPort(listener);
  impl_->stopping = false;
  impl_->sweeper = std::thread([impl = impl_.get()] { impl->sweep(); });
  impl_->acceptor = std::thread([impl = impl_.get()] { impl->accept(); });
  return impl_->port;
}

void Server::stop() {
  if (!impl_->daemon) return;
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
  }
  impl_->wake.notify_all();
  ::shutdown(impl_->listener, SHUT_RDWR);
  impl_->acceptor.join();
  impl_->sweeper.join();
  MHD_stop_daemon(impl_->daemon);
  impl_->daemon = nullptr;
  ::close(impl_->listener);
  impl_->listener = -1;
}

}  // namespace vokari_backend
