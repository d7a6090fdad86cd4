#include "platform/RunLoop.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace vokari {
namespace {

TEST(ManualRunLoop, TimersFireInOrderAtTheirOwnTimes) {
  ManualRunLoop loop;
  std::vector<std::pair<std::string, double>> fired;
  Timer b = loop.after(2.0, [&] { fired.push_back({"b", loop.now()}); });
  Timer a = loop.after(1.0, [&] { fired.push_back({"a", loop.now()}); });
  Timer c = loop.after(2.0, [&] { fired.push_back({"c", loop.now()}); });  // same time: FIFO
  loop.advance(5);
  ASSERT_EQ(fired.size(), 3u);
  EXPECT_EQ(fired[0], std::make_pair(std::string("a"), 1.0));
  EXPECT_EQ(fired[1], std::make_pair(std::string("b"), 2.0));
  EXPECT_EQ(fired[2], std::make_pair(std::string("c"), 2.0));
  EXPECT_EQ(loop.now(), 5.0);
}

TEST(ManualRunLoop, CancelledAndDroppedTimersNeverFire) {
  ManualRunLoop loop;
  int fired = 0;
  Timer cancelled = loop.after(1, [&] { ++fired; });
  cancelled.cancel();
  { Timer dropped = loop.after(1, [&] { ++fired; }); }
  Timer selfCancelling;
  selfCancelling = loop.every(1, [&] {
    ++fired;
    selfCancelling.cancel();
  });
  loop.advance(10);
  EXPECT_EQ(fired, 1);
  EXPECT_FALSE(selfCancelling.active());
}

TEST(ManualRunLoop, RepeatingTimerTicksEveryIntervalAndTasksPostedFromTimersRunInOrder) {
  ManualRunLoop loop;
  std::vector<double> ticks;
  std::vector<std::string> order;
  Timer t = loop.every(60, [&] {
    ticks.push_back(loop.now());
    loop.post([&] { order.push_back("posted"); });
    order.push_back("tick");
  });
  loop.advance(180);
  EXPECT_EQ(ticks, (std::vector<double>{60, 120, 180}));
  EXPECT_EQ(order, (std::vector<std::string>{"tick", "posted", "tick", "posted", "tick", "posted"}));
}

TEST(ManualRunLoop, WallClockMovesWithVirtualTime) {
  ManualRunLoop loop;
  auto start = loop.wallClock();
  loop.advance(90);
  EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(loop.wallClock() - start).count(), 90);
}

TEST(ManualRunLoop, WaitsInRealTimeForTasksPostedByOtherThreads) {
  ManualRunLoop loop;
  bool done = false;
  std::thread worker([&] { loop.post([&] { done = true; }); });
  EXPECT_TRUE(loop.waitUntil([&] { return done; }, 5));
  worker.join();
  EXPECT_EQ(loop.now(), 0.0);
}

// A loop may go as soon as the last task it waited for has run, even while the thread that
// posted the task is still returning from post(): post() must not touch the loop once the task
// can be seen. Run under AddressSanitizer, a post that does shows as a use after free.
TEST(RealRunLoop, MayBeDestroyedRightAfterRunningATaskPostedFromAnotherThread) {
  for (int i = 0; i < 300; ++i) {
    auto loop = std::make_unique<RealRunLoop>();
    bool done = false;
    std::thread poster([&] { loop->post([&] { done = true; }); });
    EXPECT_TRUE(loop->runUntil([&] { return done; }, 5));
    loop.reset();
    poster.join();
  }
}

TEST(RealRunLoop, RunsTimersAndStopsOnQuit) {
  RealRunLoop loop;
  int ticks = 0;
  Timer t = loop.every(0.01, [&] {
    if (++ticks == 3) loop.quit();
  });
  loop.run();
  EXPECT_EQ(ticks, 3);
}

}  // namespace
}  // namespace vokari
