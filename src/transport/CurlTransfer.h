#pragma once
// The libcurl pieces under CurlHttpEngine: one exchange on one easy handle, and a set of
// transfers driven together on one multi handle by one thread. Internal to the transport.

#include <curl/curl.h>
#include <zlib.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "transport/HttpEngine.h"
#include "transport/TransferClock.h"

namespace vokari::curl {

using Clock = TransferClock::Clock;

// Decoded replies larger than this fail with code 1, so no reply can exhaust memory; the same
// cap holds for the compressed bytes of a gzip reply.
inline constexpr std::size_t kMaxReplyBytes = 16 * 1024 * 1024;
// How long an idle connection may wait for reuse unless its server names a shorter time.
inline constexpr long kMaxIdleSeconds = 60;
inline constexpr int kMaxRedirects = 5;
// How often a running transfer's socket is asked for bytes that curl has not reported yet. A
// byte seen this late restarts the inactivity clock up to this much late; never early.
inline constexpr std::chrono::milliseconds kSocketLook{50};

// Inflates a gzip reply body as it arrives, so a truncated or corrupt stream is noticed (libcurl
// delivers what it got) and a small reply cannot inflate past the cap.
class GzipBody {
 public:
  GzipBody();
  ~GzipBody();
  GzipBody(const GzipBody&) = delete;
  GzipBody& operator=(const GzipBody&) = delete;

  // Hands the inflated bytes of `compressed` to `take` a piece at a time; false when the stream
  // is corrupt or `take` refused a piece.
  bool inflate(std::string_view compressed, const std::function<bool(std::string_view)>& take);
  // Whether what arrived is a whole stream: nothing at all, or members that each reached their end.
  bool complete() const { return ended_ || !started_; }

 private:
  z_stream stream_{};
  bool ready_ = false;
  bool started_ = false;
  bool ended_ = false;
};

// The sockets of a transfer set's connections, which outlive single transfers, so that a
// transfer can find the one it runs on and watch bytes arrive that curl reports only later.
// Each maps to its local port once known (0 before): a connection keeps its port, so it is
// asked for once, not on every request the connection carries.
using Sockets = std::map<curl_socket_t, int>;

// Header lines as curl takes them; transfers with the same headers share them.
using HeaderLines = std::shared_ptr<curl_slist>;

// One easy handle and the exchange it carries; a set keeps it for the next exchange once one
// has ended, since a new handle costs more than the exchange. Used by one thread at a time.
class Transfer {
 public:
  // A new handle with what every transfer of the set has alike; see usable().
  Transfer(const TransferClock& clock, Sockets& sockets);
  ~Transfer();
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  bool usable() const { return usable_; }
  // Starts the exchange on the handle, setting only what differs from its last exchange.
  // `origin` is "scheme://host:port" of the exchange's URL. False when curl refused an option:
  // the exchange then fails with code 6, and the handle must not be used again.
  bool begin(std::shared_ptr<HttpExchange> exchange, std::string_view origin,
             HeaderLines headerLines, long maxIdleSeconds);
  // Lets go of the ended exchange.
  void end() { exchange_.reset(); }
  CURL* easy() const { return easy_; }
  const std::shared_ptr<HttpExchange>& exchange() const { return exchange_; }
  std::string_view origin() const { return origin_; }
  // Looks whether any byte moved since the last look, in either direction and at any stage
  // (partial header lines too), and restarts the inactivity clock if so. The socket itself is
  // asked at most every kSocketLook unless `now`.
  void observe(bool now);
  // When a look at the socket that observe() put off is due; none when nothing was put off.
  std::optional<Clock::time_point> nextLook() const;
  // When the transfer has been idle too long: the allowance runs from the last byte moved.
  Clock::time_point deadline() const;
  // The outcome once curl is done with the transfer.
  HttpResult finish(CURLcode code);
  // The server's "Keep-Alive: timeout=" of the final reply, if it named one.
  std::optional<long> keepAliveSeconds() const;

 private:
  // Byte counts whose change means activity.
  struct Moved {
    curl_off_t sent = 0;         // request body handed to the socket
    curl_off_t received = 0;     // reply body taken from it
    std::uint64_t socketIn = 0;  // every byte the socket received, header bytes included
    bool operator==(const Moved&) const = default;
  };

  // How the handle sends its method and body; a handle that sends the same way as for its last
  // exchange needs only the new body.
  enum class Sending { Get, Head, Fields, Source, Custom };
  static Sending sendingOf(const HttpExchange& exchange);
  bool setShared();
  bool setBody();
  std::uint64_t bodySize() const;
  // The 1.5x allowance holds while the body may still be on its way to the server: until curl
  // has handed all of it to the socket, and never once the reply has begun.
  bool bodyOnItsWay() const;
  void touch() { progress_.lastActivity = clock_.now(); }
  static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t onRead(char* out, std::size_t size, std::size_t count, void* self);
  static int onSeek(void* self, curl_off_t offset, int origin);
  static int onConnected(void* self, char*, char*, int, int localPort);
  static curl_socket_t onOpenSocket(void* sockets, curlsocktype, curl_sockaddr* address);
  static int onCloseSocket(void* sockets, curl_socket_t socket);

  const TransferClock& clock_;
  Sockets& sockets_;
  CURL* easy_ = nullptr;
  bool usable_ = false;
  // What the handle was last set to.
  std::string url_;
  HeaderLines headerList_;  // curl reads the lines in place
  Sending sending_ = Sending::Get;
  long timeoutMs_ = -1;
  long maxIdleSeconds_ = -1;

  // The exchange, and how it is going; begin() starts both anew, so nothing of one exchange
  // carries over to the next on the same handle.
  std::shared_ptr<HttpExchange> exchange_;
  std::string_view origin_;  // in exchange_->url
  struct Progress {
    HttpResult result;
    std::unique_ptr<GzipBody> gzip;  // from the first body byte of a gzip reply
    bool bodyStarted = false;
    std::size_t rawBodyBytes = 0;
    bool badBody = false;  // too large, truncated or corrupt: code 1
    std::uint64_t readOffset = 0;
    bool readFailed = false;
    bool replyStarted = false;
    Clock::time_point lastActivity;
    // curl handed over header or body bytes during this step; observe() restarts the clock
    // then, which is one clock reading per step instead of one per header line.
    bool calledBack = false;
    Moved moved;
    curl_socket_t socket = CURL_SOCKET_BAD;
    Clock::time_point lastLook;  // at the socket
    bool lookPending = false;
  };
  Progress progress_;
};

// Transfers running together on one multi handle, with their connection cache. All members but
// wake() belong to the one thread that drives the set.
class TransferSet {
 public:
  using Done = std::function<void(Transfer&, HttpResult)>;

  explicit TransferSet(std::shared_ptr<TransferClock> clock = TransferClock::steady());
  ~TransferSet();
  TransferSet(const TransferSet&) = delete;
  TransferSet& operator=(const TransferSet&) = delete;

  // Starts the exchange; answers false (and starts nothing) when curl cannot take it.
  bool add(std::shared_ptr<HttpExchange> exchange);
  // Stops the exchange's transfer if it is running here.
  void remove(const HttpExchange* exchange);
  std::size_t size() const { return transfers_.size(); }
  // Transfers of the lane running here.
  std::size_t count(TransferLane lane) const;
  // Moves every transfer as far as it can go without waiting, and hands each one that ended,
  // completed, failed or idle too long, to `done`.
  void step(const Done& done);
  // Blocks until a socket is ready, wake() is called, a time-out falls due or maxMillis pass.
  void wait(int maxMillis);
  // Interrupts wait(). Any thread.
  void wake();

 private:
  void collectFinished(const Done& done);
  void expireIdle(const Done& done);
  void end(std::size_t index, HttpResult result, const Done& done);
  long maxIdleFor(std::string_view origin) const;
  void rememberKeepAlive(const Transfer& transfer);
  // A handle an earlier transfer left, or a new one; none when curl cannot make one.
  std::unique_ptr<Transfer> take();
  void recycle(std::unique_ptr<Transfer> transfer);
  HeaderLines headerLinesFor(const HttpExchange& exchange);

  std::shared_ptr<TransferClock> clock_;
  Sockets sockets_;  // before multi_: curl closes cached connections in its cleanup
  CURLM* multi_ = nullptr;
  std::vector<std::unique_ptr<Transfer>> transfers_;
  std::vector<std::unique_ptr<Transfer>> spare_;  // handles to reuse
  // origin -> seconds the server keeps idle connections
  std::map<std::string, long, std::less<>> keepAlive_;
  // What the last lines were made of.
  HttpHeaderList lastHeaders_;
  std::shared_ptr<const std::string> lastUserAgent_;
  HeaderLines lastHeaderLines_;
  int lastBodyKind_ = -1;
};

// Forgets every cookie of the process's shared store. Any thread.
void clearCookies();

}  // namespace vokari::curl
