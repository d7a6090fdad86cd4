#pragma once
// A delegate that writes down every callback, and waiting helpers for tests that use the real
// engine, whose replies come from a worker thread.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/RunLoop.h"
#include "transport/HttpRequest.h"

namespace vokari::testing {

struct Callback {
  bool finished = false;
  int errorCode = 0;
  int status = 0;
  int tag = 0;
  std::string data;
  std::optional<std::string> text;
  nlohmann::json userInfo;
};

class RecordingDelegate final : public HttpRequestDelegate {
 public:
  std::vector<Callback> calls;
  std::function<void(HttpRequest&)> onCall;  // runs inside the callback, after recording

  void requestFinished(HttpRequest& request) override { record(request, true); }
  void requestFailed(HttpRequest& request) override { record(request, false); }
  const Callback& only() const { return calls.at(0); }

 private:
  void record(HttpRequest& request, bool finished) {
    calls.push_back(Callback{finished, request.error() ? request.error()->code : 0,
                             request.responseStatusCode(), request.tag(), request.responseData(),
                             request.responseString(), request.userInfo()});
    if (onCall) onCall(request);
  }
};

// Runs the loop until the condition holds or the real seconds pass. Unlike a bare waitUntil it
// also notices conditions that change without anything being posted (a server's own state).
inline bool eventually(ManualRunLoop& loop, const std::function<bool()>& done,
                       double seconds = 10) {
  const int slices = static_cast<int>(seconds / 0.005);
  for (int i = 0; i < slices; ++i) {
    if (loop.waitUntil(done, 0.005)) return true;
  }
  return done();
}

// Waits until every started request has reported.
inline bool drained(ManualRunLoop& loop, double seconds = 10) {
  return loop.waitUntil([] { return HttpRequest::inFlight() == 0; }, seconds);
}

}  // namespace vokari::testing
