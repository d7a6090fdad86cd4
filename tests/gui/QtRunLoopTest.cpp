// The core's run loop inside Qt's event loop: timers fire on time, posts from other threads wake
// it at once, and with nothing posted or scheduled it never wakes.

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <thread>

#include "QtHarness.h"
#include "QtRunLoop.h"

namespace vokari::gui {
namespace {

using testing::ensureQtApp;
using testing::waitFor;

// Runs Qt's event loop for the real milliseconds (a Qt timer of the test's own, not the loop's).
void spin(int ms) {
  QEventLoop events;
  QTimer::singleShot(ms, &events, &QEventLoop::quit);
  events.exec();
}

TEST(QtRunLoop, FiresOneShotAndRepeatingTimersOnTime) {
  ensureQtApp();
  QtRunLoop loop;
  std::optional<double> firedAt;
  std::vector<double> ticks;
  const double start = loop.now();
  Timer once = loop.after(0.2, [&] { firedAt = loop.now(); });
  Timer repeating = loop.every(0.05, [&] {
    ticks.push_back(loop.now());
    if (ticks.size() == 3) repeating.cancel();
  });
  ASSERT_TRUE(loop.timerArmed());
  ASSERT_TRUE(waitFor([&] { return firedAt.has_value(); }, 5));
  // Never early; late only by scheduling noise on a busy machine.
  EXPECT_GE(*firedAt - start, 0.2);
  EXPECT_LT(*firedAt - start, 0.2 + 0.25);
  ASSERT_EQ(ticks.size(), 3u);
  for (std::size_t i = 0; i < ticks.size(); ++i) {
    EXPECT_GE(ticks[i] - start, 0.05 * static_cast<double>(i + 1) - 1e-9) << "tick " << i;
  }
  // Everything ran: nothing is left to wake for.
  EXPECT_FALSE(loop.timerArmed());
}

TEST(QtRunLoop, IdleLoopNeverWakes) {
  ensureQtApp();
  QtRunLoop loop;
  spin(300);
  EXPECT_EQ(loop.wakeups(), 0);
  EXPECT_FALSE(loop.timerArmed());

  // A timer cancelled before it is due costs at most the one wake-up it was armed for, and
  // leaves the loop disarmed afterwards.
  Timer cancelled = loop.after(0.05, [] { FAIL() << "a cancelled timer ran"; });
  cancelled.cancel();
  spin(200);
  EXPECT_LE(loop.wakeups(), 1);
  EXPECT_FALSE(loop.timerArmed());
  const int settled = loop.wakeups();
  spin(300);
  EXPECT_EQ(loop.wakeups(), settled);
}

TEST(QtRunLoop, PostFromAnotherThreadRunsOnTheMainThreadAtOnce) {
  ensureQtApp();
  QtRunLoop loop;
  int ran = 0;
  std::thread::id ranOn;
  int told = 0;
  QObject::connect(&loop, &QtRunLoop::ran, [&] { ++told; });
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i)
      loop.post([&] {
        ++ran;
        ranOn = std::this_thread::get_id();
      });
  });
  worker.join();
  ASSERT_TRUE(waitFor([&] { return ran == 3; }, 2));
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  // Three posts before the loop looked: one wake-up handles them all.
  EXPECT_EQ(loop.wakeups(), 1);
  EXPECT_GE(told, 1);
}

TEST(QtRunLoop, TimerScheduledByATaskIsArmedAfterTheRun) {
  ensureQtApp();
  QtRunLoop loop;
  bool second = false;
  Timer inner;
  Timer outer = loop.after(0.02, [&] { inner = loop.after(0.03, [&] { second = true; }); });
  ASSERT_TRUE(waitFor([&] { return second; }, 5));
  EXPECT_EQ(loop.wakeups(), 2);
  EXPECT_FALSE(loop.timerArmed());
}

}  // namespace
}  // namespace vokari::gui
