#pragma once
// The libcurl pieces under CurlHttpEngine: one exchange on one easy handle, and a set of
// transfers driven together on one multi handle by one thread. Internal to the transport.

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transport/HttpEngine.h"

namespace vokari::curl {

using Clock = std::chrono::steady_clock;

// Decoded replies larger than this fail with code 1, so no reply can exhaust memory.
inline constexpr std::size_t kMaxReplyBytes = 16 * 1024 * 1024;
// How long an idle connection may wait for reuse unless its server names a shorter time.
inline constexpr long kMaxIdleSeconds = 60;
inline constexpr int kMaxRedirects = 5;

// One exchange on its own easy handle. Used by one thread at a time.
class Transfer {
 public:
  Transfer(std::shared_ptr<HttpExchange> exchange, long maxIdleSeconds);
  ~Transfer();
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  // False when curl could not make the handle; the exchange then fails with code 6.
  bool ready() const { return ready_; }
  CURL* easy() const { return easy_; }
  const std::shared_ptr<HttpExchange>& exchange() const { return exchange_; }
  // When the transfer has been idle too long: the allowance runs from the last byte moved.
  Clock::time_point deadline() const;
  // The outcome once curl is done with the transfer.
  HttpResult finish(CURLcode code);
  // The server's "Keep-Alive: timeout=" of the final reply, if it named one.
  std::optional<long> keepAliveSeconds() const;

 private:
  bool configure(long maxIdleSeconds);
  void setBody();
  void touch() { lastActivity_ = Clock::now(); }
  static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
  static int onProgress(void* self, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up);

  std::shared_ptr<HttpExchange> exchange_;
  CURL* easy_ = nullptr;
  curl_slist* headerList_ = nullptr;
  bool ready_ = false;
  HttpResult result_;
  bool tooLarge_ = false;
  Clock::time_point lastActivity_ = Clock::now();
  curl_off_t sent_ = 0;
  curl_off_t received_ = 0;
};

// Transfers running together on one multi handle, with their connection cache. All members but
// wake() belong to the one thread that drives the set.
class TransferSet {
 public:
  using Done = std::function<void(Transfer&, HttpResult)>;

  TransferSet();
  ~TransferSet();
  TransferSet(const TransferSet&) = delete;
  TransferSet& operator=(const TransferSet&) = delete;

  // Starts the exchange; answers false (and starts nothing) when curl cannot take it.
  bool add(std::shared_ptr<HttpExchange> exchange);
  // Stops the exchange's transfer if it is running here.
  void remove(const HttpExchange* exchange);
  std::size_t size() const { return transfers_.size(); }
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
  long maxIdleFor(const std::string& url) const;
  void rememberKeepAlive(const Transfer& transfer);

  CURLM* multi_ = nullptr;
  std::vector<std::unique_ptr<Transfer>> transfers_;
  std::map<std::string, long> keepAlive_;  // origin -> seconds the server keeps idle connections
};

}  // namespace vokari::curl
