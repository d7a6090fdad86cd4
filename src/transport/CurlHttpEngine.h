#pragma once
// The real engine: libcurl multi on one worker thread. Service calls share one process-wide
// queue that runs at most four transfers and starts the waiting ones in the order queued;
// pictures have a queue of four of their own; immediate sends never wait for a slot.

#include <cstddef>
#include <memory>
#include <mutex>

#include "transport/HttpEngine.h"
#include "transport/TransferClock.h"

namespace vokari {

namespace curl {
class TransferSet;
}

class CurlHttpEngine final : public HttpEngine {
 public:
  // Running transfers per queued lane (Service, Pictures).
  static constexpr std::size_t kMaxRunning = 4;

  // Inactivity is measured on the clock; a test passes a ManualTransferClock.
  explicit CurlHttpEngine(std::shared_ptr<TransferClock> clock = TransferClock::steady());
  // Stops the worker; transfers still queued or running are dropped without a report.
  ~CurlHttpEngine() override;
  CurlHttpEngine(const CurlHttpEngine&) = delete;
  CurlHttpEngine& operator=(const CurlHttpEngine&) = delete;

  void start(std::shared_ptr<HttpExchange> exchange) override;
  void cancel(const std::shared_ptr<HttpExchange>& exchange) override;
  // Runs outside the queue, on the caller's thread, with its own connections; cookies are
  // shared with the queued requests.
  HttpResult perform(std::shared_ptr<HttpExchange> exchange) override;

  // The engine of the process, made on first use.
  static CurlHttpEngine& shared();
  // Forgets every cookie that replies have set, for all engines. Any thread.
  static void clearCookies();

 private:
  class Worker;
  // Started by the first request, so that a start which sends none (the login screen) sets up
  // neither libcurl and its TLS library nor the thread.
  Worker& worker();

  std::shared_ptr<TransferClock> clock_;
  std::once_flag workerStarted_;
  std::unique_ptr<Worker> worker_;
  std::unique_ptr<curl::TransferSet> synchronous_;
};

}  // namespace vokari
