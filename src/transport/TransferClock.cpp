#include "transport/TransferClock.h"

namespace vokari {
namespace {

class SteadyTransferClock final : public TransferClock {
 public:
  Clock::time_point now() const override { return Clock::now(); }
};

}  // namespace

std::shared_ptr<TransferClock> TransferClock::steady() {
  static const auto clock = std::make_shared<SteadyTransferClock>();
  return clock;
}

TransferClock::Clock::time_point ManualTransferClock::now() const {
  std::lock_guard lock(mutex_);
  return now_;
}

void ManualTransferClock::watch(const void* watcher, Wake wake) {
  std::lock_guard lock(mutex_);
  watchers_[watcher] = std::move(wake);
}

void ManualTransferClock::unwatch(const void* watcher) {
  std::lock_guard lock(mutex_);
  watchers_.erase(watcher);
}

void ManualTransferClock::advance(double seconds) {
  // Waking under the lock: a watcher that unwatches has its wake no longer called once that
  // returns, so it may go away right after.
  std::lock_guard lock(mutex_);
  now_ += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  for (auto& [watcher, wake] : watchers_) wake();
}

}  // namespace vokari
