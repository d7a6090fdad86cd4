#pragma once
// Raw HTTP/1.1 over loopback TCP, for programs that must see the bytes a service sends (the
// stand-in's connection tests, its load benchmark). Header-only: the benchmark links no tests.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace vokari::loopback {

// A socket connected to 127.0.0.1:port, replies unbuffered by Nagle; sends and receives give
// up after `timeout` when one is given. -1 when nothing listens.
inline int connectTo(int port, std::chrono::seconds timeout = std::chrono::seconds(0)) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (timeout.count() > 0) {
    timeval limit{static_cast<time_t>(timeout.count()), 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  }
  int yes = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Writes every byte unless the connection fails.
inline bool sendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// A whole request: the request line, Host, the given "Name: value" lines, and a Content-Length
// for a POST (a GET sends no body).
inline std::string requestText(const std::string& method, const std::string& path, int port,
                               const std::string& body = "",
                               const std::vector<std::string>& headers = {}) {
  std::string text =
      method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n";
  for (const std::string& header : headers) text += header + "\r\n";
  if (method == "POST") text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  return text + "\r\n" + (method == "POST" ? body : "");
}

// A listener holding a loopback port (0: a free one the system picks) for as long as it lives,
// so that whoever wants that port finds it taken. port() is 0 when it could not be had.
class Listener {
 public:
  explicit Listener(int port = 0) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    int yes = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    at.sin_port = htons(static_cast<uint16_t>(port));
    socklen_t size = sizeof at;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&at), size) == 0 && ::listen(fd_, 1) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&at), &size) == 0)
      port_ = ntohs(at.sin_port);
  }
  ~Listener() { ::close(fd_); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;
  int port() const { return port_; }

 private:
  int fd_;
  int port_ = 0;
};

}  // namespace vokari::loopback
