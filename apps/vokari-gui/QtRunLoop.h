#pragma once
// The core's run loop inside Qt's event loop. A post from any thread writes an eventfd that a
// QSocketNotifier watches; one single-shot precise QTimer is armed to the next core timer after
// every run of due work and whenever a timer is scheduled. Nothing wakes the process while
// nothing is posted or scheduled. Main thread only, except post().

#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>

#include "platform/RunLoop.h"

class QSocketNotifier;

namespace vokari::gui {

class QtRunLoop final : public QObject, public RunLoop {
  Q_OBJECT

 public:
  QtRunLoop();
  ~QtRunLoop() override;
  QtRunLoop(const QtRunLoop&) = delete;
  QtRunLoop& operator=(const QtRunLoop&) = delete;

  double now() const override;
  WallClock::time_point wallClock() const override { return WallClock::now(); }

  // Runs every posted task and due timer now, then re-arms the timer and tells ran().
  void runNow();
  // How often the loop woke Qt up (a post arrived or the timer fired): the idle test counts it.
  int wakeups() const { return wakeups_; }
  // Whether the Qt timer is armed, and for how many milliseconds from its last start.
  bool timerArmed() const { return timer_.isActive(); }

 signals:
  // After each run of due work: screens may have changed what they show.
  void ran();

 protected:
  void taskPosted() override;
  void timerScheduled() override;

 private:
  void wake();
  void rearm();

  std::chrono::steady_clock::time_point start_;
  int eventFd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  QTimer timer_;
  bool running_ = false;
  int wakeups_ = 0;
};

}  // namespace vokari::gui
