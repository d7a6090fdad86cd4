#include "platform/RunLoop.h"

#include <optional>

namespace vokari {

Timer& Timer::operator=(Timer&& other) noexcept {
  if (this != &other) {
    cancel();
    state_ = std::move(other.state_);
  }
  return *this;
}

void Timer::cancel() {
  if (state_) {
    state_->cancelled = true;
    state_->task = nullptr;  // release what the task captured right away
    state_.reset();
  }
}

bool Timer::active() const {
  return state_ && !state_->cancelled && (state_->interval > 0 || !state_->fired);
}

void RunLoop::post(Task task) {
  // All under the lock: the loop may run the task and be destroyed as soon as the lock is let
  // go, so nothing of the loop is touched after that.
  std::lock_guard lock(postMutex_);
  posted_.push_back(std::move(task));
  postArrived_.notify_all();
  taskPosted();
}

Timer RunLoop::after(double seconds, Task task) {
  return schedule(seconds, 0, std::move(task));
}

Timer RunLoop::every(double seconds, Task task) {
  return schedule(seconds, seconds, std::move(task));
}

Timer RunLoop::schedule(double seconds, double interval, Task task) {
  auto state = std::make_shared<TimerState>();
  state->due = now() + std::max(0.0, seconds);
  state->interval = interval;
  state->sequence = ++sequence_;
  state->task = std::move(task);
  timers_.push(state);
  timerScheduled();
  return Timer(state);
}

std::size_t RunLoop::pendingPosts() const {
  std::lock_guard lock(postMutex_);
  return posted_.size();
}

bool RunLoop::runOnePost() {
  Task task;
  {
    std::lock_guard lock(postMutex_);
    if (posted_.empty()) return false;
    task = std::move(posted_.front());
    posted_.pop_front();
  }
  task();
  return true;
}

std::optional<double> RunLoop::nextDue() const {
  auto& heap = const_cast<decltype(timers_)&>(timers_);
  while (!heap.empty() && heap.top()->cancelled) heap.pop();
  if (heap.empty()) return std::nullopt;
  return heap.top()->due;
}

bool RunLoop::runOneTimer(double upTo) {
  auto due = nextDue();
  if (!due || *due > upTo) return false;
  auto state = timers_.top();
  timers_.pop();
  state->fired = true;
  if (state->interval > 0) {
    state->due += state->interval;
    state->sequence = ++sequence_;
    timers_.push(state);
  }
  // Copy: the task may cancel its own timer, which clears the stored function.
  Task task = state->task;
  if (task) task();
  if (state->interval <= 0) state->task = nullptr;
  return true;
}

bool RunLoop::runDue() {
  bool ran = false;
  while (runOnePost() || runOneTimer(now())) ran = true;
  return ran;
}

bool RunLoop::hasDueWork() const {
  if (pendingPosts() > 0) return true;
  auto due = nextDue();
  return due && *due <= now();
}

std::optional<double> RunLoop::nextTimerDelay() const {
  auto due = nextDue();
  if (!due) return std::nullopt;
  return std::max(0.0, *due - now());
}

void RunLoop::waitForPost(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(postMutex_);
  postArrived_.wait_until(lock, deadline, [this] { return !posted_.empty(); });
}

RealRunLoop::RealRunLoop() : start_(std::chrono::steady_clock::now()) {}

double RealRunLoop::now() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void RealRunLoop::run() {
  quit_ = false;
  while (!quit_) {
    runDue();
    if (quit_) break;
    auto delay = nextTimerDelay().value_or(3600.0);
    waitForPost(std::chrono::steady_clock::now() +
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                    std::chrono::duration<double>(delay)));
  }
}

bool RealRunLoop::runUntil(const std::function<bool()>& done, double seconds) {
  auto deadline = std::chrono::steady_clock::now() +
                  std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                      std::chrono::duration<double>(seconds));
  while (true) {
    runDue();
    if (done()) return true;
    auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    auto wake = deadline;
    if (auto delay = nextTimerDelay()) {
      wake = std::min(wake, now + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                      std::chrono::duration<double>(*delay)));
    }
    waitForPost(wake);
  }
}

ManualRunLoop::ManualRunLoop(WallClock::time_point wallStart) : wallStart_(wallStart) {}

WallClock::time_point ManualRunLoop::wallClock() const {
  return wallStart_ +
         std::chrono::duration_cast<WallClock::duration>(std::chrono::duration<double>(now_));
}

void ManualRunLoop::setWallClock(WallClock::time_point at) {
  wallStart_ =
      at - std::chrono::duration_cast<WallClock::duration>(std::chrono::duration<double>(now_));
}

WallClock::time_point ManualRunLoop::defaultWallStart() {
  return WallClock::time_point(std::chrono::seconds(1768469400));
}

void ManualRunLoop::advance(double seconds) {
  const double target = now_ + std::max(0.0, seconds);
  while (true) {
    while (runOnePost()) {
    }
    auto due = nextDue();
    if (!due || *due > target) break;
    now_ = std::max(now_, *due);
    runOneTimer(now_);
  }
  now_ = target;
  runDue();
}

void ManualRunLoop::runUntilIdle() {
  runDue();
}

bool ManualRunLoop::waitUntil(const std::function<bool()>& done, double realSeconds) {
  auto deadline = std::chrono::steady_clock::now() +
                  std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                      std::chrono::duration<double>(realSeconds));
  while (true) {
    runDue();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    waitForPost(deadline);
  }
}

}  // namespace vokari
