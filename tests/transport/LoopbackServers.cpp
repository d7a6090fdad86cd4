#include "LoopbackServers.h"

#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>

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

std::optional<std::string> RawRequest::header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (key.size() == name.size() && strncasecmp(key.data(), name.data(), name.size()) == 0)
      return value;
  }
  return std::nullopt;
}

std::optional<RawRequest> RawServer::readRequest(int socket, const std::atomic<bool>& stopping) {
  std::string head;
  char byte = 0;
  while (head.find("\r\n\r\n") == std::string::npos) {
    if (stopping) return std::nullopt;
    if (!readable(socket, 10)) continue;
    if (::recv(socket, &byte, 1, 0) != 1) return std::nullopt;
    head += byte;
  }
  RawRequest request;
  std::size_t at = head.find("\r\n");
  const std::string line = head.substr(0, at);
  const auto space = line.find(' ');
  request.method = line.substr(0, space);
  request.target = line.substr(space + 1, line.rfind(' ') - space - 1);
  while (true) {
    const std::size_t next = head.find("\r\n", at + 2);
    if (next == std::string::npos || next == at + 2) break;
    const std::string field = head.substr(at + 2, next - at - 2);
    const auto colon = field.find(':');
    std::string value = field.substr(colon + 1);
    value.erase(0, value.find_first_not_of(' '));
    request.headers.emplace_back(field.substr(0, colon), value);
    at = next;
  }
  const auto length = request.header("Content-Length");
  const std::size_t size = length ? std::strtoull(length->c_str(), nullptr, 10) : 0;
  char buffer[65536];
  while (request.body.size() < size) {
    if (stopping) return std::nullopt;
    if (!readable(socket, 10)) continue;
    const auto got = ::recv(socket, buffer, std::min(sizeof buffer, size - request.body.size()), 0);
    if (got <= 0) return std::nullopt;
    request.body.append(buffer, static_cast<std::size_t>(got));
  }
  return request;
}

void RawServer::send(int socket, const std::string& bytes) {
  ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

bool RawServer::sendAndSettle(int socket, const std::string& bytes,
                              const std::atomic<bool>& stopping) {
  if (::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL) !=
      static_cast<ssize_t>(bytes.size()))
    return false;
  int waiting = 0;
  while (!stopping && ::ioctl(socket, SIOCOUTQ, &waiting) == 0 && waiting > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return !stopping && waiting == 0;
}

std::string RawServer::reply(const std::string& body, int status) {
  return "HTTP/1.1 " + std::to_string(status) +
         " X\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::size_t RawServer::unread(int socket) {
  int bytes = 0;
  ::ioctl(socket, FIONREAD, &bytes);
  return static_cast<std::size_t>(bytes);
}

void RawServer::holdOpen(int socket, const std::atomic<bool>& stopping) {
  char buffer[65536];
  while (!stopping) {
    if (readable(socket, 10) && ::recv(socket, buffer, sizeof buffer, 0) <= 0) return;
  }
}

void Gate::open(int key) {
  std::lock_guard lock(mutex_);
  open_.insert(key);
  opened_.notify_all();
}

void Gate::openAll() {
  std::lock_guard lock(mutex_);
  all_ = true;
  opened_.notify_all();
}

bool Gate::wait(int key, const std::atomic<bool>& stopping) {
  std::unique_lock lock(mutex_);
  while (!all_ && !open_.contains(key)) {
    if (stopping) return false;
    opened_.wait_for(lock, std::chrono::milliseconds(10));
  }
  return true;
}

void Counter::raise() {
  std::lock_guard lock(mutex_);
  ++value_;
  changed_.notify_all();
}

int Counter::value() const {
  std::lock_guard lock(mutex_);
  return value_;
}

bool Counter::reaches(int value, double seconds) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::duration<double>(seconds),
                           [&] { return value_ >= value; });
}

std::string gzipped(const std::string& text) {
  z_stream stream{};
  deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, text.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

int closedPort() {
  int port = 0;
  ::close(boundSocket(port));
  return port;
}

}  // namespace vokari::testing

// cpp-httplib comes as a library built without ThreadSanitizer, so the locking between its own
// threads is invisible to it and every test server would report races inside the library.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libcpp-httplib.so\n";
}
