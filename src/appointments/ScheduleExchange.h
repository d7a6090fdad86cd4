#pragma once
// Every exchange of the booking screens with the appointment service goes through one of these:
// it puts the stored account (and the fixed TIME texts) in the body, shows the busy text, holds
// the one request in flight, and judges the reply in one place before its owner sees it:
//  - a blank reply dismisses the overlay (nothing is shown),
//  - "6" is the account anomaly (except on selectScheduleInfo, where it is a plain failure) and
//    the owner is not told,
//  - "1" shows the action's success notice, if it has one, or dismisses the overlay,
//  - any other code shows the action's failure text for 0.8 s,
//  - a transport failure shows "连接失败".
// Main thread only. Destroying it, or cancel(), cancels the exchange: no callback follows.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "transport/RequestHandle.h"
#include "ui/Screen.h"

namespace vokari {

enum class ScheduleAction {
  FindStation,
  FindType,
  FindTime,
  CommitSchedule,
  CannelSchedule,
  SelectScheduleInfo,
};

struct ScheduleReply {
  enum class Kind { Success, Failed, Blank, ConnectionFailed };
  Kind kind = Kind::Failed;
  nlohmann::json object = nlohmann::json::object();  // the reply; without keys unless it was one
  std::string states;                                // "" when the reply has none
};

// The wire name of the action ("cannelSchedule" as the service spells it).
std::string_view scheduleActionName(ScheduleAction action);
// The busy text shown while the action is awaited.
std::string_view scheduleBusyText(ScheduleAction action);
// The notice shown for "1", or none.
std::optional<std::string_view> scheduleSuccessText(ScheduleAction action);
// The error text shown for a code other than "1" (and "6", except on selectScheduleInfo).
std::string_view scheduleFailureText(ScheduleAction action, std::string_view states);

class ScheduleExchange final : private HttpRequestDelegate {
 public:
  using Handler = std::function<void(const ScheduleReply&)>;

  // owner: the screen the account anomaly is shown over; it must outlive this object.
  explicit ScheduleExchange(ui::Screen& owner) : owner_(owner) {}
  ~ScheduleExchange() override = default;
  ScheduleExchange(const ScheduleExchange&) = delete;
  ScheduleExchange& operator=(const ScheduleExchange&) = delete;

  // Cancels the exchange in flight, shows the busy text and sends the action with the stored
  // account and the fixed keys added to `keys`. The handler is told exactly once, after the
  // shared handling above, unless the exchange is cancelled or the reply is the anomaly.
  void send(ScheduleAction action, nlohmann::json keys, Handler handler);
  // Cancels the exchange in flight; its handler is never told. Leaves the overlay alone.
  void cancel();
  bool running() const { return request_.running(); }

  // The body sent for the action: `keys`, the stored account and the action's fixed TIME text.
  static nlohmann::json body(ScheduleAction action, nlohmann::json keys);

 private:
  void requestFinished(HttpRequest& request) override;
  void requestFailed(HttpRequest& request) override;
  void deliver(const ScheduleReply& reply);

  ui::Screen& owner_;
  RequestHandle request_;
  ScheduleAction action_ = ScheduleAction::FindStation;
  Handler handler_;
};

}  // namespace vokari
