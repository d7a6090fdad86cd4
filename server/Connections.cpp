// The connection half of a server, on libmicrohttpd: a few polling threads serve every
// connection, so a connection that is slow or idle holds no thread; deadlines the library lacks
// (a request's header, a body's progress) are kept by a sweeper that shuts down the sockets that
// overstay. Connections are accepted by a thread of our own, which also keeps the connection
// limit: the library's workers accept only a few between rounds of requests (a crowd arriving at
// once waited seconds in the listen queue), and the library's own refusal of a socket past its
// limit left its workers waiting on a lock they held. So no socket is handed over past our
// limit, and the library's limit lies beyond ours. The workers poll rather than use epoll: in
// epoll mode a connection handed over now and then waited for the worker's idle time-out
// (5 s) before its first request was read; with poll no such wait was seen.

#include <arpa/inet.h>
#include <malloc.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "Links.h"
#include "Routing.h"

namespace vokari_backend {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr auto kSweep = std::chrono::milliseconds(100);
constexpr int kBacklog = 1024;
// Out of descriptors or memory: accepting again at once would only spin.
constexpr auto kAcceptPause = std::chrono::milliseconds(50);
// How much of a body made while it is sent is asked for at once.
constexpr size_t kPieceBlock = 16u << 10;

unsigned wholeSeconds(std::chrono::milliseconds duration) {
  return static_cast<unsigned>(
      std::max<long long>(1, std::chrono::ceil<std::chrono::seconds>(duration).count()));
}

int socketOf(MHD_Connection* connection) {
  const auto* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
  return info ? info->connect_fd : -1;
}

}  // namespace

struct Server::Impl {
  explicit Impl(Server& server) : server(server), table(1) {}

  Server& server;
  // Started with the first connection, so that services nobody calls (a client that opens and
  // closes again) cost one thread each, not a pool; written by the acceptor only.
  MHD_Daemon* daemon = nullptr;
  std::string host;
  int port = 0;
  int listener = -1;

  std::mutex mutex;  // guards table, stopping, crowdGone
  LinkTable table;
  bool stopping = false;
  bool crowdGone = false;  // connections came since the last time all were gone
  std::condition_variable wake;
  std::thread sweeper;
  std::thread acceptor;

  bool startLibrary();
  void sweep();
  void accept();
  void take(int socket, const sockaddr* peer, socklen_t size);
  MHD_Result begin(MHD_Connection* connection, const char* url, const char* method, void** context);
  MHD_Result finish(MHD_Connection* connection, Exchange& exchange);
  MHD_Result answer(MHD_Connection* connection, const Response& response, bool close);
  template <typename Change>
  void note(MHD_Connection* connection, Change change) {
    int socket = socketOf(connection);
    std::lock_guard lock(mutex);
    if (Link* link = table.find(socket)) change(*link);
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
  if (!exchange) return impl.begin(connection, url, method, context);
  if (*size > 0) {
    bool taken = exchange->feed(std::string_view(data, *size));
    *size = 0;
    // Only a body without a declared length gets past its limit, and no reply can be queued in
    // the middle of a body: the connection is closed.
    if (!taken) return MHD_NO;
    impl.note(connection, [&](Link& link) {
      link.received = exchange->received();
      link.lastByte = SteadyClock::now();
    });
    return MHD_YES;
  }
  return impl.finish(connection, *exchange);
}

void onCompleted(void* cls, MHD_Connection* connection, void** context,
                 MHD_RequestTerminationCode) {
  delete static_cast<Exchange*>(*context);
  *context = nullptr;
  static_cast<Server::Impl*>(cls)->note(connection, [](Link& link) {
    auto now = SteadyClock::now();
    link = Link{.since = now, .lastByte = now, .started = true, .closing = link.closing};
  });
}

void onConnection(void* cls, MHD_Connection* connection, void**,
                  MHD_ConnectionNotificationCode code) {
  auto& impl = *static_cast<Server::Impl*>(cls);
  int socket = socketOf(connection);
  std::lock_guard lock(impl.mutex);
  // The library closes the socket only after this call, so the sweeper never touches a socket
  // number that was handed on to another connection.
  if (code == MHD_CONNECTION_NOTIFY_STARTED) {
    if (Link* link = impl.table.find(socket)) link->started = true;
    impl.crowdGone = true;
  } else {
    impl.table.erase(socket);
  }
}

}  // namespace

MHD_Result Server::Impl::begin(MHD_Connection* connection, const char* url, const char* method,
                               void** context) {
  Request request;
  request.method = method;
  request.path = url;
  request.localAddress = host;
  request.localPort = port;
  MHD_get_connection_values(connection, MHD_HEADER_KIND, collectHeader, &request);
  auto* exchange = new Exchange(*server.routes_, *server.limits_.budget, std::move(request));
  *context = exchange;
  if (int status = exchange->admit()) {
    note(connection, [](Link& link) { link.phase = Phase::Answering; });
    return answer(connection, exchange->refusal(status), true);
  }
  auto now = SteadyClock::now();
  note(connection, [&](Link& link) {
    link.phase = Phase::Body;
    link.since = link.lastByte = now;
    link.streamed = exchange->streamed();
    link.vital = exchange->vital();
  });
  // The library would cut a body silent for its idle time-out; the sweeper judges bodies, and
  // the library only backs it up.
  MHD_set_connection_option(connection, MHD_CONNECTION_OPTION_TIMEOUT,
                            wholeSeconds(server.deadlines_.bodySilence) + 1);
  return MHD_YES;
}

MHD_Result Server::Impl::finish(MHD_Connection* connection, Exchange& exchange) {
  note(connection, [](Link& link) { link.phase = Phase::Answering; });
  // The body's silence was ours to judge; the reply and the next request's wait are the
  // library's again.
  MHD_set_connection_option(connection, MHD_CONNECTION_OPTION_TIMEOUT,
                            wholeSeconds(server.deadlines_.idle));
  return answer(connection, exchange.finish(), false);
}

namespace {

// A body made while it is sent: what is left of the current piece, then the next ones.
struct Pieces {
  std::string piece;
  size_t sent = 0;
  BodyPieces next;
};

ssize_t readPieces(void* cls, uint64_t, char* buffer, size_t max) {
  auto& pieces = *static_cast<Pieces*>(cls);
  try {
    while (pieces.sent == pieces.piece.size()) {
      pieces.piece = pieces.next();
      pieces.sent = 0;
      if (pieces.piece.empty()) return MHD_CONTENT_READER_END_OF_STREAM;
    }
  } catch (const std::exception&) {
    return MHD_CONTENT_READER_END_WITH_ERROR;
  }
  size_t size = std::min(max, pieces.piece.size() - pieces.sent);
  std::memcpy(buffer, pieces.piece.data() + pieces.sent, size);
  pieces.sent += size;
  return static_cast<ssize_t>(size);
}

MHD_Response* streamedReply(const Response& response) {
  auto* pieces = new Pieces{response.body, 0, response.pieces};
  MHD_Response* reply =
      MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, kPieceBlock, readPieces, pieces,
                                        [](void* cls) { delete static_cast<Pieces*>(cls); });
  if (!reply) delete pieces;
  return reply;
}

}  // namespace

MHD_Result Server::Impl::answer(MHD_Connection* connection, const Response& response, bool close) {
  MHD_Response* reply =
      response.pieces ? streamedReply(response)
                      : MHD_create_response_from_buffer(response.body.size(),
                                                        const_cast<char*>(response.body.data()),
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
    if (table.size() == 0 && crowdGone) {
      // The connections' buffers went back to the allocator's free lists, which keep them
      // resident after a crowd; once every connection is gone, hand them back to the system.
      crowdGone = false;
      lock.unlock();
      ::malloc_trim(0);
      lock.lock();
      continue;
    }
    // The library sees the end of the stream and closes the connection itself.
    for (int socket : table.sweep(SteadyClock::now(), server.deadlines_))
      ::shutdown(socket, SHUT_RDWR);
  }
}

void Server::Impl::take(int socket, const sockaddr* peer, socklen_t size) {
  {
    std::lock_guard lock(mutex);
    LinkTable::Admission admission = table.open(socket, SteadyClock::now());
    if (admission.evicted >= 0) ::shutdown(admission.evicted, SHUT_RDWR);
    if (!admission.taken) {
      ::close(socket);
      return;
    }
  }
  int yes = 1;  // replies go out whole; Nagle would hold back the next one
  ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  // Not under our lock: the library may tell of the connection from within this call.
  if (MHD_add_connection(daemon, socket, peer, size) != MHD_YES) {
    std::lock_guard lock(mutex);
    table.erase(socket);  // the library closed it
  }
}

void Server::Impl::accept() {
  for (;;) {
    sockaddr_storage peer{};
    socklen_t size = sizeof peer;
    int socket = ::accept4(listener, reinterpret_cast<sockaddr*>(&peer), &size,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (socket >= 0) {
      if (daemon || startLibrary()) {
        take(socket, reinterpret_cast<sockaddr*>(&peer), size);
      } else {
        ::close(socket);
      }
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

size_t raiseDescriptorLimit(size_t cap) {
  rlimit files{};
  if (::getrlimit(RLIMIT_NOFILE, &files) != 0) return 1024;
  rlim_t wanted = std::min<rlim_t>(files.rlim_max, cap);
  if (files.rlim_cur < wanted) {
    files.rlim_cur = wanted;
    if (::setrlimit(RLIMIT_NOFILE, &files) != 0) ::getrlimit(RLIMIT_NOFILE, &files);
  }
  return static_cast<size_t>(std::min<rlim_t>(files.rlim_cur, cap));
}

Server::Server() : routes_(std::make_unique<Routes>()), impl_(std::make_unique<Impl>(*this)) {}

Server::~Server() {
  stop();
}

bool Server::Impl::startLibrary() {
  const Limits& limits = server.limits_;
  const unsigned workers = std::max(1u, limits.workers);
  // Each worker may hold every connection we take, so the library never refuses one itself.
  auto libraryLimit = static_cast<unsigned>(2 * limits.connections * workers + 64);
  daemon =
      MHD_start_daemon(MHD_USE_NO_LISTEN_SOCKET | MHD_USE_ITC | MHD_USE_POLL_INTERNAL_THREAD, 0,
                       nullptr, nullptr, onRequest, this, MHD_OPTION_THREAD_POOL_SIZE, workers,
                       MHD_OPTION_CONNECTION_LIMIT, libraryLimit, MHD_OPTION_CONNECTION_TIMEOUT,
                       wholeSeconds(server.deadlines_.idle), MHD_OPTION_CONNECTION_MEMORY_LIMIT,
                       static_cast<size_t>(32u << 10), MHD_OPTION_NOTIFY_COMPLETED, onCompleted,
                       this, MHD_OPTION_NOTIFY_CONNECTION, onConnection, this, MHD_OPTION_END);
  if (!daemon) return false;
  sweeper = std::thread([this] { sweep(); });
  return true;
}

int Server::start(const std::string& host, int port) {
  if (impl_->listener >= 0) return 0;
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
  impl_->host = host;
  impl_->table = LinkTable(limits_.connections);
  impl_->listener = listener;
  impl_->port = boundPort(listener);
  impl_->stopping = false;
  impl_->acceptor = std::thread([impl = impl_.get()] { impl->accept(); });
  return impl_->port;
}

void Server::stop() {
  if (impl_->listener < 0) return;
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
  }
  impl_->wake.notify_all();
  ::shutdown(impl_->listener, SHUT_RDWR);
  impl_->acceptor.join();
  if (impl_->sweeper.joinable()) impl_->sweeper.join();
  if (impl_->daemon) MHD_stop_daemon(impl_->daemon);
  impl_->daemon = nullptr;
  ::close(impl_->listener);
  impl_->listener = -1;
}

}  // namespace vokari_backend
