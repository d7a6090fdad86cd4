// Cancels racing real replies on the libcurl engine's worker thread. Also run under
// ThreadSanitizer.

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "LoopbackServers.h"
#include "Recording.h"
#include "support/TestPlatform.h"
#include "transport/HttpRequest.h"

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

enum class Ending { Detach, Cancel, Nothing };

// A random moment in the reply's life: before it is sent, while the worker posts it, or after
// it has been posted but not yet run on the loop (a busy wait does not run the loop).
void waitRandomly(ManualRunLoop& loop, std::mt19937& random) {
  const auto micros = std::uniform_int_distribution<int>(0, 400)(random);
  if (random() % 2) {
    loop.waitUntil([] { return false; }, micros / 1e6);
    return;
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(micros);
  while (std::chrono::steady_clock::now() < until) {
  }
}

TEST(CancelRaceTest, NoCallbackEverFollowsClearDelegatesAndCancel) {
  TestPlatform platform;
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
    std::vector<std::shared_ptr<HttpRequest>> requests;
    for (auto& probe : probes) {
      auto request = HttpRequest::initWithURL(server.url("/quick"));
      request->setRequestMethod("POST");
      request->appendPostData("{}");
      request->setDelegate(&probe);
      request->startAsynchronous();
      requests.push_back(request);
    }
    for (int i = 0; i < kBatch; ++i) {
      waitRandomly(platform.loop, random);
      endings[i] = static_cast<Ending>(random() % 3);
      if (endings[i] == Ending::Detach) {
        probes[i].detached = true;
        requests[i]->clearDelegatesAndCancel();
      } else if (endings[i] == Ending::Cancel) {
        requests[i]->cancel();
      }
    }
    ASSERT_TRUE(drained(platform.loop));
    for (int i = 0; i < kBatch; ++i) {
      EXPECT_EQ(probes[i].callsAfterDetach, 0);
      if (endings[i] == Ending::Detach) {
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

}  // namespace
}  // namespace vokari::testing
