#pragma once
// The clock the libcurl engine measures inactivity with. The real one is the monotonic clock; a
// test hands the engine a manual one and moves it by hand, so no time-out test depends on how
// fast a loaded machine happens to run.

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace vokari {

class TransferClock {
 public:
  using Clock = std::chrono::steady_clock;
  using Wake = std::function<void()>;

  virtual ~TransferClock() = default;
  virtual Clock::time_point now() const = 0;
  // Whoever waits for a deadline of this clock registers how to interrupt the wait, for a clock
  // that jumps instead of passing; it unregisters before it goes. Any thread.
  virtual void watch(const void* /*watcher*/, Wake /*wake*/) {}
  virtual void unwatch(const void* /*watcher*/) {}

  // The monotonic clock, shared by every engine that is given no other.
  static std::shared_ptr<TransferClock> steady();
};

// Stands still until advance() moves it, and then wakes every watcher.
class ManualTransferClock final : public TransferClock {
 public:
  Clock::time_point now() const override;
  void watch(const void* watcher, Wake wake) override;
  void unwatch(const void* watcher) override;
  // Any thread.
  void advance(double seconds);

 private:
  mutable std::mutex mutex_;
  Clock::time_point now_{};
  std::map<const void*, Wake> watchers_;
};

}  // namespace vokari
