#pragma once
// Servers on 127.0.0.1 that the transport tests start on free ports: a well-behaved HTTP server
// (cpp-httplib) and a raw socket server for the misbehaving kinds.

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
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

// One request as a raw server read it off the socket.
struct RawRequest {
  std::string method;
  std::string target;
  std::vector<std::pair<std::string, std::string>> headers;  // as sent, in order
  std::string body;                                          // Content-Length bytes

  // The value of the first header of the name, compared without regard to case.
  std::optional<std::string> header(std::string_view name) const;
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
  // Reads one request, its head and a body of its Content-Length; none when the peer closed or
  // we stop.
  static std::optional<RawRequest> readRequest(int socket, const std::atomic<bool>& stopping);
  static void send(int socket, const std::string& bytes);
  // Sends, then waits until the peer's system has acknowledged every byte, so the peer has
  // them before this returns. False when we stop or the connection broke.
  static bool sendAndSettle(int socket, const std::string& bytes,
                            const std::atomic<bool>& stopping);
  // A plain reply with the body and its Content-Length.
  static std::string reply(const std::string& body, int status = 200);
  // Holds the connection open, answering nothing, until the peer closes or we stop.
  static void holdOpen(int socket, const std::atomic<bool>& stopping);
  // Bytes that arrived on the socket and are not read yet.
  static std::size_t unread(int socket);

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

// Lets a server's connection threads and the test take turns: waiters block until the test
// opens their key (or the server stops).
class Gate {
 public:
  void open(int key);
  void openAll();
  // False when we stop before the key opens.
  bool wait(int key, const std::atomic<bool>& stopping);

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  std::set<int> open_;
  bool all_ = false;
};

// A count that connection threads raise and the test waits on.
class Counter {
 public:
  void raise();
  int value() const;
  // Waits until the count reaches the value; false after the real seconds (a failed test).
  bool reaches(int value, double seconds = 10) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  int value_ = 0;
};

// The text as one gzip member, as a server compressing its reply would send it.
std::string gzipped(const std::string& text);

// A port nothing listens on (bound, then closed again).
int closedPort();

}  // namespace vokari::testing
