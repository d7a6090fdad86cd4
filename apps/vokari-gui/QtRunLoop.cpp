#include "QtRunLoop.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cmath>
#include <cstdint>

namespace vokari::gui {

QtRunLoop::QtRunLoop() : start_(std::chrono::steady_clock::now()) {
  eventFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  notifier_ = std::make_unique<QSocketNotifier>(eventFd_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &QtRunLoop::wake);
  timer_.setSingleShot(true);
  // Coarse timers may fire 5% late; the one-second countdown and the notices should not drift.
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] {
    ++wakeups_;
    runNow();
  });
}

QtRunLoop::~QtRunLoop() {
  notifier_.reset();
  if (eventFd_ >= 0) close(eventFd_);
}

double QtRunLoop::now() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void QtRunLoop::taskPosted() {
  // Any thread: the counter only needs to become non-zero; the notifier reads it back to zero.
  const std::uint64_t one = 1;
  [[maybe_unused]] auto written = write(eventFd_, &one, sizeof one);
}

void QtRunLoop::timerScheduled() {
  // Inside a run the timer is re-armed once at its end.
  if (!running_) rearm();
}

void QtRunLoop::wake() {
  std::uint64_t count = 0;
  [[maybe_unused]] auto read = ::read(eventFd_, &count, sizeof count);
  ++wakeups_;
  runNow();
}

void QtRunLoop::runNow() {
  if (running_) return;  // a task that spins Qt's loop must not run the core inside itself
  running_ = true;
  runDue();
  running_ = false;
  rearm();
  emit ran();
}

void QtRunLoop::rearm() {
  auto delay = nextTimerDelay();
  if (!delay) {
    timer_.stop();
    return;
  }
  // Rounded up: a timer that fires a little early would find nothing due and wake again.
  const double ms = std::ceil(*delay * 1000.0);
  timer_.start(static_cast<int>(std::min(ms, 24.0 * 3600 * 1000)));
}

}  // namespace vokari::gui
