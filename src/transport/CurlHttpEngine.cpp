#include "transport/CurlHttpEngine.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "transport/CurlTransfer.h"
#include "transport/ReportBatch.h"

namespace vokari {

namespace {
// How long an outcome may wait for others to share its wake-up of the main loop.
constexpr std::chrono::milliseconds kGathering{1};
}  // namespace

// The one thread that drives the queued transfers. The main thread only hands it commands.
class CurlHttpEngine::Worker {
 public:
  explicit Worker(std::shared_ptr<TransferClock> clock)
      : set_(std::move(clock)), thread_([this] { run(); }) {}
  ~Worker() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    set_.wake();
    thread_.join();
  }

  void send(std::shared_ptr<HttpExchange> exchange, bool cancel) {
    bool wake = false;
    {
      std::lock_guard lock(mutex_);
      // A start that would only wait in a full lane needs no wake-up: the worker takes the
      // inbox when a transfer of that lane ends, which wakes it anyway. Otherwise one wake-up
      // per batch, since the worker takes the whole inbox at once.
      const bool waits = !cancel && full(exchange->lane);
      inbox_.push_back(Command{std::move(exchange), cancel});
      wake = !waits && !woken_;
      woken_ = woken_ || wake;
    }
    if (wake) set_.wake();
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
      set_.step([this](curl::Transfer& transfer, HttpResult result) {
        if (finished_.empty()) firstFinished_ = std::chrono::steady_clock::now();
        finished_.emplace_back(transfer.exchange(), std::move(result));
      });
      // A transfer that just ended leaves a slot for the next waiting one right away.
      if (admissible()) continue;
      const int due = reportDue();
      if (mayWait()) set_.wait(due);
    }
  }

  // Whether the lane's slots are all taken or promised to exchanges already waiting, as of the
  // worker's last look. Guarded by mutex_.
  bool full(TransferLane lane) const {
    return lane != TransferLane::Immediate && full_[static_cast<std::size_t>(lane)];
  }

  // Before the worker sleeps: answers false when a command came in since it took the inbox,
  // and otherwise tells senders which lanes are full.
  bool mayWait() {
    std::lock_guard lock(mutex_);
    if (!inbox_.empty()) return false;
    for (TransferLane lane : {TransferLane::Service, TransferLane::Pictures})
      full_[static_cast<std::size_t>(lane)] =
          set_.count(lane) + queueOf(lane)->size() >= kMaxRunning;
    return true;
  }

  // Posts what ended once it is due, and answers how many milliseconds the set may wait.
  // Each post wakes the main loop, so outcomes that end close together share one: while other
  // transfers still run, those that ended wait for them up to kGathering. A cancel in between
  // still wins, since nothing is reported until the post.
  int reportDue() {
    if (finished_.empty()) return 1000;
    const auto waited = std::chrono::steady_clock::now() - firstFinished_;
    if (set_.size() > 0 && waited < kGathering)
      return static_cast<int>(
          std::chrono::ceil<std::chrono::milliseconds>(kGathering - waited).count());
    {
      ReportBatch batch(finished_.size());
      for (auto& [exchange, result] : finished_) exchange->report(std::move(result));
    }
    finished_.clear();
    return 1000;
  }

  bool take(std::vector<Command>& commands) {
    std::lock_guard lock(mutex_);
    if (stopping_) return false;
    commands.swap(inbox_);
    woken_ = false;
    return true;
  }

  using Queue = std::deque<std::shared_ptr<HttpExchange>>;

  // The queue a lane waits in; none for a lane that never waits.
  Queue* queueOf(TransferLane lane) {
    switch (lane) {
      case TransferLane::Service:
        return &service_;
      case TransferLane::Pictures:
        return &pictures_;
      case TransferLane::Immediate:
        break;
    }
    return nullptr;
  }

  void apply(Command& command) {
    Queue* queue = queueOf(command.exchange->lane);
    if (!command.cancel) {
      if (queue) {
        queue->push_back(std::move(command.exchange));
      } else {
        launch(std::move(command.exchange));
      }
      return;
    }
    if (queue) {
      auto found = std::find(queue->begin(), queue->end(), command.exchange);
      if (found != queue->end()) {
        queue->erase(found);
        return;
      }
    }
    set_.remove(command.exchange.get());
  }

  void launch(std::shared_ptr<HttpExchange> exchange) {
    if (exchange->abandoned()) return;
    if (!set_.add(exchange)) exchange->report(HttpResult::failure(kHttpInternalError));
  }

  bool admissible(TransferLane lane) {
    const Queue* queue = queueOf(lane);
    return queue && !queue->empty() && set_.count(lane) < kMaxRunning;
  }
  bool admissible() {
    return admissible(TransferLane::Service) || admissible(TransferLane::Pictures);
  }

  void admit() {
    for (TransferLane lane : {TransferLane::Service, TransferLane::Pictures}) {
      Queue& queue = *queueOf(lane);
      while (admissible(lane)) {
        auto exchange = std::move(queue.front());
        queue.pop_front();
        launch(std::move(exchange));
      }
    }
  }

  std::mutex mutex_;
  std::vector<Command> inbox_;  // guarded by mutex_
  bool stopping_ = false;       // guarded by mutex_
  bool woken_ = false;          // since the inbox was last taken; guarded by mutex_
  std::array<bool, 3> full_{};  // by lane; guarded by mutex_
  curl::TransferSet set_;
  // Outcomes not posted yet, and when the first of them ended; worker thread only.
  std::vector<std::pair<std::shared_ptr<HttpExchange>, HttpResult>> finished_;
  std::chrono::steady_clock::time_point firstFinished_;
  Queue service_;       // worker thread only
  Queue pictures_;      // worker thread only
  std::thread thread_;  // last: starts once everything above exists
};

CurlHttpEngine::CurlHttpEngine(std::shared_ptr<TransferClock> clock) : clock_(std::move(clock)) {}

CurlHttpEngine::~CurlHttpEngine() = default;

CurlHttpEngine::Worker& CurlHttpEngine::worker() {
  std::call_once(workerStarted_, [this] { worker_ = std::make_unique<Worker>(clock_); });
  return *worker_;
}

void CurlHttpEngine::start(std::shared_ptr<HttpExchange> exchange) {
  worker().send(std::move(exchange), false);
}

void CurlHttpEngine::cancel(const std::shared_ptr<HttpExchange>& exchange) {
  worker().send(exchange, true);
}

HttpResult CurlHttpEngine::perform(std::shared_ptr<HttpExchange> exchange) {
  if (!synchronous_) synchronous_ = std::make_unique<curl::TransferSet>(clock_);
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

void CurlHttpEngine::clearCookies() {
  curl::clearCookies();
}

}  // namespace vokari
