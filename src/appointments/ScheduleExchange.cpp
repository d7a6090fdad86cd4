#include "appointments/ScheduleExchange.h"

#include <array>

#include "common/AccountAnomaly.h"
#include "common/JsonRow.h"
#include "common/StoredItem.h"
#include "core/Extern.h"
#include "storage/AccountManager.h"
#include "transport/ServiceCall.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

constexpr double kNoticeSeconds = 0.8;

struct ActionEntry {
  ScheduleAction action;
  std::string_view name;
  std::string_view busy;
  std::string_view success;  // empty: the overlay is only dismissed
  std::string_view failure;
  std::string_view fixedTime;  // the TIME text the action always carries, if any
};

constexpr std::array<ActionEntry, 6> kActions{{
    {ScheduleAction::FindStation, "findStation", "正在获取受理点...", "", "获取受理点失败",
     "2000-03-01 10:03:44"},
    {ScheduleAction::FindType, "findType", "正在获取业务类型...", "", "获取业务类型失败",
     "2014-03-01 10:03:44"},
    {ScheduleAction::FindTime, "findTime", "正在获取受理时间...", "", "获取受理时间段失败", ""},
    {ScheduleAction::CommitSchedule, "commitSchedule", "正在预约...", "预约成功", "预约失败", ""},
    {ScheduleAction::CannelSchedule, "cannelSchedule", "正在取消预约...", "取消预约成功",
     "取消预约失败", ""},
    {ScheduleAction::SelectScheduleInfo, "selectScheduleInfo", "正在查询...", "", "查询失败", ""},
}};

// The refusals of a booking that name their reason; every other code reads "预约失败".
struct CommitRefusal {
  std::string_view states;
  std::string_view text;
};

constexpr std::array<CommitRefusal, 4> kCommitRefusals{{
    {"2", "预约数已满"},
    {"3", "当前日期时间段已经预约过业务"},
    {"4", "用户已进入黑名单"},
    {"7", "该业务已预约且未办理"},
}};

const ActionEntry& entry(ScheduleAction action) {
  for (const ActionEntry& e : kActions) {
    if (e.action == action) return e;
  }
  return kActions.front();
}

}  // namespace

std::string_view scheduleActionName(ScheduleAction action) {
  return entry(action).name;
}

std::string_view scheduleBusyText(ScheduleAction action) {
  return entry(action).busy;
}

std::optional<std::string_view> scheduleSuccessText(ScheduleAction action) {
  std::string_view text = entry(action).success;
  if (text.empty()) return std::nullopt;
  return text;
}

std::string_view scheduleFailureText(ScheduleAction action, std::string_view states) {
  if (action == ScheduleAction::CommitSchedule) {
    for (const CommitRefusal& refusal : kCommitRefusals) {
      if (refusal.states == states) return refusal.text;
    }
  }
  return entry(action).failure;
}

nlohmann::json ScheduleExchange::body(ScheduleAction action, nlohmann::json keys) {
  if (!keys.is_object()) keys = nlohmann::json::object();
  keys["LOGIN_NAME"] = storedItem("phone_number");
  keys["PASSWORD"] = storedItem("password");
  if (!entry(action).fixedTime.empty()) keys["TIME"] = std::string(entry(action).fixedTime);
  return keys;
}

void ScheduleExchange::send(ScheduleAction action, nlohmann::json keys, Handler handler) {
  cancel();
  action_ = action;
  handler_ = std::move(handler);
  ui::Ui::current().hud->showBusy(std::string(scheduleBusyText(action)));
  JsonCall call;
  call.action = scheduleActionName(action);
  call.body = body(action, std::move(keys));
  call.delegate = this;
  startJsonCall(request_, call);
}

void ScheduleExchange::cancel() {
  request_.reset();
}

void ScheduleExchange::requestFinished(HttpRequest& request) {
  ui::Hud& hud = *ui::Ui::current().hud;
  JsonReply json = readJsonReply(request, Backend::Appointment);
  ScheduleReply reply;
  reply.object = std::move(json.object);
  if (Extern::isEmptyStringTrim(json.text)) {
    // Nothing to tell the user, but the busy overlay must not stay up for ever.
    hud.dismiss();
    reply.kind = ScheduleReply::Kind::Blank;
    return deliver(reply);
  }
  reply.states = stringMember(reply.object, "STATES").value_or("");
  if (json.verdict == ReplyVerdict::Anomaly && action_ != ScheduleAction::SelectScheduleInfo) {
    // The anomaly navigates; a screen no longer shown leaves it to the next exchange.
    request_.reset();
    if (owner_.isTop()) accountAnomaly(owner_);
    return;
  }
  if (json.verdict == ReplyVerdict::Success) {
    if (auto text = scheduleSuccessText(action_)) {
      hud.showSuccess(std::string(*text), kNoticeSeconds);
    } else {
      hud.dismiss();
    }
    reply.kind = ScheduleReply::Kind::Success;
    return deliver(reply);
  }
  hud.showError(std::string(scheduleFailureText(action_, reply.states)), kNoticeSeconds);
  reply.kind = ScheduleReply::Kind::Failed;
  deliver(reply);
}

void ScheduleExchange::requestFailed(HttpRequest& /*request*/) {
  ui::Ui::current().hud->showError("连接失败", kNoticeSeconds);
  ScheduleReply reply;
  reply.kind = ScheduleReply::Kind::ConnectionFailed;
  deliver(reply);
}

void ScheduleExchange::deliver(const ScheduleReply& reply) {
  // The request is finished; the handler may start the next one.
  request_.reset();
  Handler handler = std::move(handler_);
  handler_ = nullptr;
  if (handler) handler(reply);
}

}  // namespace vokari
