#include "LoopbackServers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vokari::testing {
namespace {

int boundSocket(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) return -1;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return fd;
}

bool readable(int fd, int millis) {
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, millis) > 0;
}

}  // namespace

HttpTestServer::HttpTestServer() : server_(std::make_unique<httplib::Server>()) {
  // Without these, cpp-httplib stalls ~40 ms per request on a reused connection (Nagle against
  // delayed acknowledgements) and closes keep-alive connections after 5 requests.
  server_->set_tcp_nodelay(true);
  server_->set_keep_alive_max_count(100000);
  server_->set_keep_alive_timeout(1);
  server_->set_logger([seen = seen_](const httplib::Request& request, const httplib::Response&) {
    std::lock_guard lock(seen->mutex);
    seen->clientPorts.insert(request.remote_port);
  });
}

namespace {
// cpp-httplib's stop() waits for every kept-alive connection to reach its idle time-out, and the
// client keeps its connections; stopped servers finish that in the background instead of
// holding up every test by a second.
class Graveyard {
 public:
  ~Graveyard() {
    for (auto& entry : entries_) entry.thread.join();
  }
  void bury(std::unique_ptr<httplib::Server> server, std::thread thread) {
    std::lock_guard lock(mutex_);
    entries_.push_back(Entry{std::move(server), std::move(thread)});
  }

 private:
  struct Entry {
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
  };
  std::mutex mutex_;
  std::vector<Entry> entries_;
};
Graveyard graveyard;
}  // namespace

HttpTestServer::~HttpTestServer() {
  server_->stop();
  if (thread_.joinable()) graveyard.bury(std::move(server_), std::move(thread_));
}

void HttpTestServer::start() {
  port_ = server_->bind_to_any_port("127.0.0.1");
  thread_ = std::thread([server = server_.get()] { server->listen_after_bind(); });
  // stop() does nothing to a server that has not begun listening, which would then never end.
  while (!server_->is_running()) std::this_thread::yield();
}

std::string HttpTestServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::size_t HttpTestServer::connections() const {
  std::lock_guard lock(seen_->mutex);
  return seen_->clientPorts.size();
}

RawServer::RawServer(Handler handler) : handler_(std::move(handler)) {
  listener_ = boundSocket(port_);
  ::listen(listener_, 64);
  acceptor_ = std::thread([this] { acceptLoop(); });
}

RawServer::~RawServer() {
  stopping_ = true;
  acceptor_.join();
  for (auto& connection : connections_) connection.join();
  ::close(listener_);
}

std::string RawServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void RawServer::acceptLoop() {
  while (!stopping_) {
    if (!readable(listener_, 10)) continue;
    const int fd = ::accept(listener_, nullptr, nullptr);
    if (fd < 0) continue;
    ++accepted_;
    std::lock_guard lock(mutex_);
    connections_.emplace_back([this, fd] {
      handler_(fd, stopping_);
      ::close(fd);
    });
  }
}

bool RawServer::readHead(int socket, const std::atomic<bool>& stopping) {
  std::string head;
  char byte = 0;
  while (!stopping && head.find("\r\n\r\n") == std::string::npos) {
    if (!readable(socket, 10)) continue;
    if (::recv(socket, &byte, 1, 0) != 1) return false;
    head += byte;
  }
  return !stopping;
}

void RawServer::send(int socket, const std::string& bytes) {
  ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

void RawServer::holdOpen(int socket, const std::atomic<bool>& stopping) {
  char buffer[65536];
  while (!stopping) {
    if (readable(socket, 10) && ::recv(socket, buffer, sizeof buffer, 0) <= 0) return;
  }
}

int closedPort() {
  int port = 0;
  ::close(boundSocket(port));
  return port;
}

}  // namespace vokari::testing

// cpp-httplib comes as a library built without ThreadSanitizer, so the locking between its own
// threads is invisible to it and every test server would report races inside the library.
extern "C" const char* __tsan_default_suppressions() { return "race:libcpp-httplib.so\n"; }
