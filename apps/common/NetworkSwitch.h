#pragma once
// The terminal's network switch. With the network off every request fails the way it does on a
// phone without a connection (the connection-failure code, 1) and no byte leaves the machine;
// with it on, requests go to the engine underneath. Requests already running when it goes off
// finish as they would.

#include <atomic>

#include "transport/HttpEngine.h"

namespace vokari::client {

class NetworkSwitch final : public HttpEngine {
 public:
  // The engine underneath is not owned and must outlive the switch.
  explicit NetworkSwitch(HttpEngine& online) : online_(online) {}

  void setOnline(bool online) { on_ = online; }
  bool online() const { return on_; }

  void start(std::shared_ptr<HttpExchange> exchange) override;
  void cancel(const std::shared_ptr<HttpExchange>& exchange) override;
  HttpResult perform(std::shared_ptr<HttpExchange> exchange) override;

 private:
  HttpEngine& online_;
  std::atomic<bool> on_{true};
};

}  // namespace vokari::client
