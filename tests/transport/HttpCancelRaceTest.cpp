// Cancels racing real replies on the libcurl engine's worker thread. Also run under
// ThreadSanitizer.

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "LoopbackServers.h"
#include "Recording.h"
#include "support/TestPlatform.h"
#include "transport/HttpRequest.h"
#include "transport/RequestHandle.h"

namespace vokari::testing {
namespace {

struct Probe final : HttpRequestDelegate {
  int calls = 0;
  int callsAfterDetach = 0;
  bool detached = false;
  void requestFinished(HttpRequest&) override { note(); }
  void requestFailed(HttpRequest&) override { note(); }
  void note() {
    ++calls;
    if (detached) ++callsAfterDetach;
  }
};

// Detach and DropHandle must never be heard from again; Cancel and Nothing exactly once.
enum class Ending { Detach, DropHandle, Cancel, Nothing };
constexpr int kEndings = 4;

// A random moment in the reply's life: before it is sent, while the worker posts it, or after
// it has been posted but not yet run on the loop (a busy wait does not run the loop). Up to
// 2 ms, so that replies also beat the cancel under a sanitizer on a loaded machine.
void waitRandomly(ManualRunLoop& loop, std::mt19937& random) {
  const auto micros = std::uniform_int_distribution<int>(0, 2000)(random);
  if (random() % 2) {
    loop.waitUntil([] { return false; }, micros / 1e6);
    return;
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(micros);
  while (std::chrono::steady_clock::now() < until) {
  }
}

TEST(CancelRaceTest, NoCallbackEverFollowsClearDelegatesAndCancelOrADroppedHandle) {
  TestPlatform platform{Network::Libcurl};
  HttpTestServer server;
  server.http().Post("/quick", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("{\"STATES\":\"SUCCESS\"}", "text/plain");
  });
  server.start();
  std::mt19937 random(20260115);

  constexpr int kRaces = 1000;
  constexpr int kBatch = 8;
  int cancelledBeforeReply = 0;
  int repliedBeforeCancel = 0;
  for (int batch = 0; batch < kRaces / kBatch; ++batch) {
    std::vector<Probe> probes(kBatch);
    std::vector<Ending> endings(kBatch);
    std::vector<RequestHandle> requests;
    for (auto& probe : probes) {
      RequestHandle request(HttpRequest::initWithURL(server.url("/quick")));
      request->setRequestMethod("POST");
      request->appendPostData("{}");
      request->setDelegate(&probe);
      request->startAsynchronous();
      requests.push_back(std::move(request));
    }
    for (int i = 0; i < kBatch; ++i) {
      waitRandomly(platform.loop, random);
      endings[i] = static_cast<Ending>(random() % kEndings);
      if (endings[i] == Ending::Detach) {
        probes[i].detached = true;
        requests[i]->clearDelegatesAndCancel();
      } else if (endings[i] == Ending::DropHandle) {
        probes[i].detached = true;
        requests[i].reset();
      } else if (endings[i] == Ending::Cancel) {
        requests[i]->cancel();
      }
    }
    ASSERT_TRUE(drained(platform.loop));
    for (int i = 0; i < kBatch; ++i) {
      EXPECT_EQ(probes[i].callsAfterDetach, 0);
      if (endings[i] == Ending::Detach || endings[i] == Ending::DropHandle) {
        EXPECT_LE(probes[i].calls, 1);
        ++(probes[i].calls == 0 ? cancelledBeforeReply : repliedBeforeCancel);
      } else {
        EXPECT_EQ(probes[i].calls, 1) << "exactly one outcome for a request not detached";
      }
    }
  }
  // The races must actually have gone both ways.
  EXPECT_GT(cancelledBeforeReply, 0);
  EXPECT_GT(repliedBeforeCancel, 0);
}

// The reply has been posted to the loop by the worker but not run yet when the owner lets go:
// the queued outcome must find nobody to tell.
TEST(CancelRaceTest, DroppingAHandleWhoseReplyIsAlreadyQueuedGivesNoCallback) {
  TestPlatform platform{Network::Libcurl};
  HttpTestServer server;
  server.http().Post("/quick", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("{}", "text/plain");
  });
  server.start();
  for (int round = 0; round < 20; ++round) {
    Probe probe;
    RequestHandle request(HttpRequest::initWithURL(server.url("/quick")));
    request->setRequestMethod("POST");
    request->setDelegate(&probe);
    request->startAsynchronous();
    // Waits for the post without running the loop, so the outcome stays queued.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (platform.loop.pendingPosts() == 0 && std::chrono::steady_clock::now() < deadline) {
    }
    ASSERT_EQ(platform.loop.pendingPosts(), 1u);
    request.reset();
    ASSERT_TRUE(drained(platform.loop));
    platform.loop.runUntilIdle();
    EXPECT_EQ(probe.calls, 0) << "round " << round;
  }
}

}  // namespace
}  // namespace vokari::testing
