#include "transport/CurlHttpEngine.h"

#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "transport/CurlTransfer.h"

namespace vokari {

// The one thread that drives the queued transfers. The main thread only hands it commands.
class CurlHttpEngine::Worker {
 public:
  Worker() : thread_([this] { run(); }) {}
  ~Worker() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    set_.wake();
    thread_.join();
  }

  void send(std::shared_ptr<HttpExchange> exchange, bool cancel) {
    bool wasEmpty = false;
    {
      std::lock_guard lock(mutex_);
      wasEmpty = inbox_.empty();
      inbox_.push_back(Command{std::move(exchange), cancel});
    }
    // One wake-up per batch: the worker takes the whole inbox at once.
    if (wasEmpty) set_.wake();
  }

 private:
  struct Command {
    std::shared_ptr<HttpExchange> exchange;
    bool cancel;
  };

  void run() {
    std::vector<Command> commands;
    while (take(commands)) {
      for (auto& command : commands) apply(command);
      commands.clear();
      admit();
      set_.step([](curl::Transfer& transfer, HttpResult result) {
        transfer.exchange()->report(std::move(result));
      });
      // A transfer that just ended leaves a slot for the next waiting one right away.
      if (set_.size() < kMaxRunning && !waiting_.empty()) continue;
      set_.wait(1000);
    }
  }

  bool take(std::vector<Command>& commands) {
    std::lock_guard lock(mutex_);
    if (stopping_) return false;
    commands.swap(inbox_);
    return true;
  }

  void apply(Command& command) {
    if (!command.cancel) {
      waiting_.push_back(std::move(command.exchange));
      return;
    }
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
      if (*it == command.exchange) {
        waiting_.erase(it);
        return;
      }
    }
    set_.remove(command.exchange.get());
  }

  void admit() {
    while (set_.size() < kMaxRunning && !waiting_.empty()) {
      auto exchange = std::move(waiting_.front());
      waiting_.pop_front();
      if (exchange->abandoned()) continue;
      if (!set_.add(exchange)) exchange->report(HttpResult::failure(kHttpInternalError));
    }
  }

  std::mutex mutex_;
  std::vector<Command> inbox_;  // guarded by mutex_
  bool stopping_ = false;       // guarded by mutex_
  curl::TransferSet set_;
  std::deque<std::shared_ptr<HttpExchange>> waiting_;  // worker thread only
  std::thread thread_;                                 // last: starts once everything above exists
};

CurlHttpEngine::CurlHttpEngine() : worker_(std::make_unique<Worker>()) {}

CurlHttpEngine::~CurlHttpEngine() = default;

void CurlHttpEngine::start(std::shared_ptr<HttpExchange> exchange) {
  worker_->send(std::move(exchange), false);
}

void CurlHttpEngine::cancel(const std::shared_ptr<HttpExchange>& exchange) {
  worker_->send(exchange, true);
}

HttpResult CurlHttpEngine::perform(std::shared_ptr<HttpExchange> exchange) {
  if (!synchronous_) synchronous_ = std::make_unique<curl::TransferSet>();
  if (!synchronous_->add(std::move(exchange))) return HttpResult::failure(kHttpInternalError);
  std::optional<HttpResult> outcome;
  while (!outcome) {
    synchronous_->step(
        [&outcome](curl::Transfer&, HttpResult result) { outcome = std::move(result); });
    if (!outcome) synchronous_->wait(1000);
  }
  return std::move(*outcome);
}

CurlHttpEngine& CurlHttpEngine::shared() {
  static CurlHttpEngine engine;
  return engine;
}

}  // namespace vokari
