// The lanes of the libcurl engine: service calls share four slots, immediate sends (the alarm's
// positions) never wait for one, pictures wait in four slots of their own.

#include <gtest/gtest.h>

#include "LoopbackServers.h"
#include "Recording.h"
#include "support/TestPlatform.h"
#include "transport/HttpRequest.h"

namespace vokari::testing {
namespace {

// Answers "/now" at once and holds "/hold/<n>" until the test opens gate n.
class LaneTest : public ::testing::Test {
 protected:
  TestPlatform platform{Network::Libcurl};
  Gate gate;
  Counter held;
  std::mutex mutex;
  std::set<std::string> arrived;  // guarded by mutex
  RawServer server{[this](int socket, const std::atomic<bool>& stopping) {
    while (auto request = RawServer::readRequest(socket, stopping)) {
      {
        std::lock_guard lock(mutex);
        arrived.insert(request->target);
      }
      if (request->target.starts_with("/hold/")) {
        held.raise();
        if (!gate.wait(std::stoi(request->target.substr(6)), stopping)) return;
      }
      RawServer::send(socket, RawServer::reply("done " + request->target));
    }
  }};
  RecordingDelegate delegate;

  ~LaneTest() override {
    gate.openAll();
    EXPECT_TRUE(drained(platform.loop));
  }

  std::shared_ptr<HttpRequest> start(const std::string& path, TransferLane lane,
                                     HttpRequestDelegate* to = nullptr) {
    auto request = HttpRequest::initWithURL(server.url(path));
    request->setDelegate(to ? to : &delegate);
    request->setLane(lane);
    request->startAsynchronous();
    return request;
  }
  void hold(int from, int to, TransferLane lane) {
    for (int i = from; i < to; ++i) start("/hold/" + std::to_string(i), lane);
  }
  bool hasArrived(const std::string& path) {
    std::lock_guard lock(mutex);
    return arrived.contains(path);
  }
};

TEST_F(LaneTest, AnImmediateSendCompletesWhileFourSlowServiceCallsHoldTheSlots) {
  hold(0, 5, TransferLane::Service);
  ASSERT_TRUE(held.reaches(4));
  RecordingDelegate alarm;
  start("/now", TransferLane::Immediate, &alarm);

  ASSERT_TRUE(eventually(platform.loop, [&] { return !alarm.calls.empty(); }));
  EXPECT_TRUE(alarm.only().finished);
  EXPECT_EQ(alarm.only().text, "done /now");
  EXPECT_TRUE(delegate.calls.empty());
  EXPECT_FALSE(hasArrived("/hold/4"));  // the fifth service call still waits for a slot
  EXPECT_EQ(held.value(), 4);

  gate.open(0);
  EXPECT_TRUE(held.reaches(5));
  EXPECT_TRUE(hasArrived("/hold/4"));
}

TEST_F(LaneTest, PicturesWaitInFourSlotsOfTheirOwnAndNeverTakeAServiceSlot) {
  hold(0, 5, TransferLane::Pictures);
  ASSERT_TRUE(held.reaches(4));
  hold(10, 14, TransferLane::Service);
  // All four service calls get through beside four pictures.
  ASSERT_TRUE(held.reaches(8));
  for (int i = 10; i < 14; ++i) EXPECT_TRUE(hasArrived("/hold/" + std::to_string(i)));
  EXPECT_FALSE(hasArrived("/hold/4"));

  // A finished service call frees no place for a picture, a finished picture does.
  gate.open(10);
  ASSERT_TRUE(eventually(platform.loop, [&] { return delegate.calls.size() == 1; }));
  EXPECT_EQ(delegate.only().text, "done /hold/10");
  EXPECT_FALSE(hasArrived("/hold/4"));
  gate.open(0);
  EXPECT_TRUE(held.reaches(9));
  EXPECT_TRUE(hasArrived("/hold/4"));
}

TEST_F(LaneTest, ServiceCallsStillWaitForOneAnotherBesideImmediateSends) {
  hold(0, 4, TransferLane::Immediate);
  hold(10, 15, TransferLane::Service);
  // Immediate sends take no service slot: four service calls run beside them, the fifth waits.
  ASSERT_TRUE(held.reaches(8));
  EXPECT_FALSE(hasArrived("/hold/14"));
  gate.open(0);
  ASSERT_TRUE(eventually(platform.loop, [&] { return delegate.calls.size() == 1; }));
  EXPECT_FALSE(hasArrived("/hold/14"));
  gate.open(10);
  EXPECT_TRUE(held.reaches(9));
  EXPECT_TRUE(hasArrived("/hold/14"));
}

}  // namespace
}  // namespace vokari::testing
