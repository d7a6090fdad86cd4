#pragma once
// The main thread's run loop and its clock. All application logic runs on the loop; worker
// threads hand results over with post(). Every delay of the application (notices, the alarm
// schedule, countdowns) is a loop timer, so tests can move time without sleeping.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <queue>
#include <vector>

namespace vokari {

using Task = std::function<void()>;
using WallClock = std::chrono::system_clock;

struct TimerState;

// A scheduled timer. Destroying or cancelling the handle guarantees the task never runs again,
// so an object that owns its timers cannot be called back after it is gone. Main thread only.
class Timer {
 public:
  Timer() = default;
  explicit Timer(std::shared_ptr<TimerState> state) : state_(std::move(state)) {}
  Timer(Timer&&) noexcept = default;
  Timer& operator=(Timer&& other) noexcept;
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  ~Timer() { cancel(); }

  void cancel();
  // True while the task may still run: not cancelled, and repeating or not yet fired.
  bool active() const;

 private:
  std::shared_ptr<TimerState> state_;
};

struct TimerState {
  double due = 0;
  double interval = 0;  // > 0 for a repeating timer
  std::uint64_t sequence = 0;
  bool cancelled = false;
  bool fired = false;
  Task task;
};

class RunLoop {
 public:
  virtual ~RunLoop() = default;

  // Runs the task on the loop, after the tasks posted before it. Safe from any thread.
  void post(Task task);
  // One-shot and repeating timers; main thread only. Keep the handle: dropping it cancels.
  [[nodiscard]] Timer after(double seconds, Task task);
  [[nodiscard]] Timer every(double seconds, Task task);

  // Monotonic seconds since the loop was made.
  virtual double now() const = 0;
  // Wall-clock time, for dates shown or sent; moves with now() on the manual loop.
  virtual WallClock::time_point wallClock() const = 0;

  // Whether any posted task or timer is waiting to run now.
  bool hasDueWork() const;
  // Seconds until the next timer is due, or none when no timer is scheduled.
  std::optional<double> nextTimerDelay() const;
  // Number of tasks posted and not yet run.
  std::size_t pendingPosts() const;

 protected:
  // Told after a task was posted (on the posting thread, which may be any, holding the loop's
  // post lock, so it must not post or wait for the loop) and after a timer
  // was scheduled (main thread), so a loop that sleeps inside another event system can wake up
  // or re-arm its one timer.
  virtual void taskPosted() {}
  virtual void timerScheduled() {}
  // Runs everything due at the current time: posted tasks first, then due timers, in order.
  // Answers whether anything ran.
  bool runDue();
  // Blocks the calling thread until a task is posted or the real-time deadline passes.
  void waitForPost(std::chrono::steady_clock::time_point deadline);
  std::optional<double> nextDue() const;
  bool runOnePost();
  bool runOneTimer(double upTo);

 private:
  Timer schedule(double seconds, double interval, Task task);
  struct Later {
    bool operator()(const std::shared_ptr<TimerState>& a,
                    const std::shared_ptr<TimerState>& b) const {
      return a->due != b->due ? a->due > b->due : a->sequence > b->sequence;
    }
  };
  mutable std::mutex postMutex_;
  std::condition_variable postArrived_;
  std::deque<Task> posted_;
  std::priority_queue<std::shared_ptr<TimerState>, std::vector<std::shared_ptr<TimerState>>, Later>
      timers_;
  std::uint64_t sequence_ = 0;
};

// The real loop on the monotonic clock.
class RealRunLoop final : public RunLoop {
 public:
  RealRunLoop();
  double now() const override;
  WallClock::time_point wallClock() const override { return WallClock::now(); }

  // Runs tasks and timers until quit() is called.
  void run();
  void quit() {
    post([this] { quit_ = true; });
  }
  // Runs tasks and timers until the predicate holds or the seconds pass; answers the predicate.
  bool runUntil(const std::function<bool()>& done, double seconds);

 private:
  std::chrono::steady_clock::time_point start_;
  bool quit_ = false;
};

// A loop whose clock moves only when the test (or the terminal client's --fake-clock) says so.
class ManualRunLoop final : public RunLoop {
 public:
  explicit ManualRunLoop(WallClock::time_point wallStart = defaultWallStart());
  double now() const override { return now_; }
  WallClock::time_point wallClock() const override;

  // Moves the clock forward by the seconds, running every timer and posted task that falls due,
  // each at its own time and in order.
  void advance(double seconds);
  // Runs what is due now, without moving the clock.
  void runUntilIdle();
  // Waits in real time for tasks posted by other threads (network replies) until the predicate
  // holds or the real seconds pass; the virtual clock stands still. Answers the predicate.
  bool waitUntil(const std::function<bool()>& done, double realSeconds);
  void setWallClock(WallClock::time_point at);

  // 2026-01-15 09:30:00 UTC: a fixed, unremarkable instant for tests.
  static WallClock::time_point defaultWallStart();

 private:
  double now_ = 0;
  WallClock::time_point wallStart_;
};

}  // namespace vokari
