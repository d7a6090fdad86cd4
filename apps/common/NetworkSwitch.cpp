#include "NetworkSwitch.h"

namespace vokari::client {

void NetworkSwitch::start(std::shared_ptr<HttpExchange> exchange) {
  if (on_) {
    online_.start(std::move(exchange));
    return;
  }
  // Reported through the loop like any outcome: never inside the caller's start.
  exchange->report(HttpResult::failure(kHttpConnectionFailure));
}

void NetworkSwitch::cancel(const std::shared_ptr<HttpExchange>& exchange) {
  // An exchange the engine underneath never saw is simply not found there.
  online_.cancel(exchange);
}

HttpResult NetworkSwitch::perform(std::shared_ptr<HttpExchange> exchange) {
  if (!on_) return HttpResult::failure(kHttpConnectionFailure);
  return online_.perform(std::move(exchange));
}

}  // namespace vokari::client
