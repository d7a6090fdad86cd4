// The background worker: results come back on the main loop, and only while their handle lives.

#include "platform/Background.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/TestPlatform.h"

namespace vokari::testing {
namespace {

struct BackgroundWorker : ::testing::Test {
  TestPlatform platform;
  std::optional<Background> worker{std::in_place, platform.loop};
  void SetUp() override { platform.platform.background = &*worker; }
  void TearDown() override { platform.platform.background = nullptr; }
  bool drained() {
    return platform.loop.waitUntil([&] { return worker->pending() == 0; }, 10);
  }
};

TEST_F(BackgroundWorker, WorksOffTheMainThreadAndAnswersOnItInOrder) {
  const auto main = std::this_thread::get_id();
  std::vector<std::string> seen;
  std::vector<BackgroundTask> tasks;
  for (std::string name : {"first", "second"}) {
    tasks.push_back(Background::start<std::string>(
        [&, name](const CancelToken&) {
          EXPECT_NE(std::this_thread::get_id(), main);
          return name;
        },
        [&](std::string& result) {
          EXPECT_EQ(std::this_thread::get_id(), main);
          seen.push_back(result);
        }));
  }
  EXPECT_EQ(worker->pending(), 2u);
  ASSERT_TRUE(drained());
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "second"}));
}

TEST_F(BackgroundWorker, AResultWhoseHandleIsGoneIsDroppedNotDelivered) {
  std::promise<void> release, started;
  auto gate = release.get_future().share();
  std::vector<std::string> heard;
  int secondRuns = 0;
  // The first task holds the worker, so the second is still queued when its handle goes.
  BackgroundTask first = Background::start<int>(
      [gate, &started](const CancelToken& token) {
        started.set_value();
        gate.wait();
        return token.cancelled() ? 1 : 0;
      },
      [&](int&) { heard.push_back("first done"); },
      [&](int& cancelledSeen) {
        heard.push_back("first dropped " + std::to_string(cancelledSeen));
      });
  BackgroundTask second = Background::start<int>([&](const CancelToken&) { return ++secondRuns; },
                                                 [&](int&) { heard.push_back("second"); },
                                                 [&](int&) { heard.push_back("second dropped"); });
  started.get_future().wait();
  second.reset();
  first = BackgroundTask();  // reassigning lets go too
  release.set_value();
  ASSERT_TRUE(drained());
  // The running task saw the cancellation and its result went to `dropped`; the queued one never
  // ran, so it had nothing to drop.
  EXPECT_EQ(heard, std::vector<std::string>{"first dropped 1"});
  EXPECT_EQ(secondRuns, 0);
}

TEST_F(BackgroundWorker, AWorkerGoneFirstLetsItsRunningTaskPostAndForgetsTheQueued) {
  std::promise<void> release, started, forgotten;
  auto gate = release.get_future().share();
  int delivered = 0;
  bool queuedRan = false;
  BackgroundTask running = Background::start<int>(
      [gate, &started](const CancelToken&) {
        started.set_value();
        gate.wait();
        return 7;
      },
      [&](int& value) { delivered = value; });
  // Tells when the queued work itself is let go, which the closing worker does before it waits
  // for the running task: only then is the running task released, so that the worker cannot
  // reach the queued one first.
  std::shared_ptr<void> dropSignal(nullptr, [&](void*) { forgotten.set_value(); });
  BackgroundTask queued = Background::start<int>(
      [&, dropSignal](const CancelToken&) {
        queuedRan = true;
        return 0;
      },
      [&](int&) { delivered = -1; });
  dropSignal.reset();
  started.get_future().wait();
  std::thread opener([&] {
    forgotten.get_future().wait_for(std::chrono::seconds(30));
    release.set_value();
  });
  worker.reset();  // joins: the running task ends, the queued one never starts
  opener.join();
  platform.platform.background = nullptr;
  platform.loop.runUntilIdle();
  EXPECT_EQ(delivered, 7);
  EXPECT_FALSE(queuedRan);
}

TEST(BackgroundInline, WithoutAWorkerTheWorkRunsAtOnceAndItsResultOnTheLoop) {
  TestPlatform platform;
  int ran = 0, delivered = 0;
  BackgroundTask task = Background::start<int>([&](const CancelToken&) { return ++ran; },
                                               [&](int& value) { delivered = value; });
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(delivered, 0) << "never inside the caller";
  platform.loop.runUntilIdle();
  EXPECT_EQ(delivered, 1);
}

}  // namespace
}  // namespace vokari::testing
