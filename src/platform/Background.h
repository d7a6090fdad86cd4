#pragma once
// Work too slow for the main thread (decoding and re-encoding a photo) done on one worker
// thread, its result handed back to the main loop with a post. The owner holds a
// BackgroundTask; once the handle is gone the result is never delivered, only given to the
// task's `dropped` hook (on the main loop) so that it can undo what the work left behind. The
// work itself may look at the token and stop early. Tasks run one at a time, in the order they
// were started, so later work sees what earlier work wrote.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/RunLoop.h"

namespace vokari {

// Read by the work to stop early once nobody waits for its result. Any thread.
class CancelToken {
 public:
  explicit CancelToken(std::shared_ptr<const std::atomic<bool>> flag) : flag_(std::move(flag)) {}
  bool cancelled() const { return flag_->load(); }

 private:
  std::shared_ptr<const std::atomic<bool>> flag_;
};

// The owner's hold on a started task: destroying or resetting it guarantees the result is not
// delivered. Main thread only.
class BackgroundTask final {
 public:
  BackgroundTask() = default;
  explicit BackgroundTask(std::shared_ptr<std::atomic<bool>> cancelled)
      : cancelled_(std::move(cancelled)) {}
  BackgroundTask(BackgroundTask&&) noexcept = default;
  BackgroundTask& operator=(BackgroundTask&& other) noexcept {
    if (this != &other) {
      reset();
      cancelled_ = std::move(other.cancelled_);
    }
    return *this;
  }
  BackgroundTask(const BackgroundTask&) = delete;
  BackgroundTask& operator=(const BackgroundTask&) = delete;
  ~BackgroundTask() { reset(); }

  void reset() {
    if (cancelled_) cancelled_->store(true);
    cancelled_.reset();
  }
  explicit operator bool() const { return cancelled_ != nullptr; }

 private:
  std::shared_ptr<std::atomic<bool>> cancelled_;
};

// The worker thread. Destroy it before the loop it posts to: the destructor lets the running
// task finish, drops the queued ones and joins.
class Background final {
 public:
  explicit Background(RunLoop& loop);
  ~Background();
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;

  // Tasks started and not yet delivered or dropped. Main thread only.
  std::size_t pending() const { return *pending_; }

  // Runs `work` on the worker (or, with no worker, right here: the test hook), then `done` with
  // its result on the loop, or `dropped` when the handle went first. Main thread only.
  template <typename R>
  [[nodiscard]] static BackgroundTask start(std::function<R(const CancelToken&)> work,
                                            std::function<void(R&)> done,
                                            std::function<void(R&)> dropped = {});

 private:
  using Job = std::function<void()>;
  static RunLoop& loop();
  static Background* installed();
  // Queues the job on the installed worker, or runs it at once when there is none.
  static void submit(Job job);
  static std::shared_ptr<std::size_t> counter();
  void serve();

  RunLoop& loop_;
  std::shared_ptr<std::size_t> pending_ = std::make_shared<std::size_t>(0);
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  std::thread thread_;
};

template <typename R>
BackgroundTask Background::start(std::function<R(const CancelToken&)> work,
                                 std::function<void(R&)> done, std::function<void(R&)> dropped) {
  auto cancelled = std::make_shared<std::atomic<bool>>(false);
  auto pending = counter();
  ++*pending;
  RunLoop* target = &loop();
  submit([cancelled, pending, target, work = std::move(work), done = std::move(done),
          dropped = std::move(dropped)]() mutable {
    // Work nobody waits for any more is skipped; its result is then never made.
    auto result = cancelled->load() ? nullptr : std::make_shared<R>(work(CancelToken(cancelled)));
    target->post(
        [cancelled, pending, result, done = std::move(done), dropped = std::move(dropped)] {
          --*pending;
          if (!result) return;
          if (!cancelled->load()) return done(*result);
          if (dropped) dropped(*result);
        });
  });
  return BackgroundTask(std::move(cancelled));
}

}  // namespace vokari
