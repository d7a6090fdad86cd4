#pragma once
// Servers on 127.0.0.1 that the transport tests start on free ports: a well-behaved HTTP server
// (cpp-httplib) and a raw socket server for the misbehaving kinds.

#include <httplib.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace vokari::testing {

class HttpTestServer {
 public:
  // Register the routes on http() before start().
  HttpTestServer();
  ~HttpTestServer();
  httplib::Server& http() { return *server_; }
  void start();
  int port() const { return port_; }
  std::string url(const std::string& path) const;
  // Client connections seen so far, told apart by their source ports.
  std::size_t connections() const;

 private:
  std::unique_ptr<httplib::Server> server_;
  int port_ = 0;
  std::thread thread_;
  struct Seen {
    std::mutex mutex;
    std::set<int> clientPorts;
  };
  std::shared_ptr<Seen> seen_ = std::make_shared<Seen>();
};

// Accepts connections and hands each one, on a thread of its own, to the handler. The handler
// should return soon once `stopping` is set.
class RawServer {
 public:
  using Handler = std::function<void(int socket, const std::atomic<bool>& stopping)>;
  explicit RawServer(Handler handler);
  ~RawServer();
  int port() const { return port_; }
  std::string url(const std::string& path) const;
  int accepted() const { return accepted_.load(); }

  // Reads one request head (up to the blank line); false when the peer closed or we stop.
  static bool readHead(int socket, const std::atomic<bool>& stopping);
  static void send(int socket, const std::string& bytes);
  // Holds the connection open, answering nothing, until the peer closes or we stop.
  static void holdOpen(int socket, const std::atomic<bool>& stopping);

 private:
  void acceptLoop();

  Handler handler_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> accepted_{0};
  std::mutex mutex_;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};

// A port nothing listens on (bound, then closed again).
int closedPort();

}  // namespace vokari::testing
