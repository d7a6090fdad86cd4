// The one piece every booking exchange goes through: bodies, codes and their texts, outcomes.

#include "AppointmentFixture.h"
#include "appointments/ScheduleExchange.h"

namespace vokari::testing {
namespace {

struct Sender final : ui::Screen {
  Sender() : ui::Screen("SENDER") {}
  ScheduleExchange exchange{*this};
  std::vector<ScheduleReply> told;
  void send(ScheduleAction action, json keys = json::object()) {
    exchange.send(action, std::move(keys), [this](const ScheduleReply& r) { told.push_back(r); });
  }
};

const std::vector<ScheduleAction> kAll{
    ScheduleAction::FindStation,    ScheduleAction::FindType,
    ScheduleAction::FindTime,       ScheduleAction::CommitSchedule,
    ScheduleAction::CannelSchedule, ScheduleAction::SelectScheduleInfo};

class ScheduleExchangeTest : public AppointmentTest {
 protected:
  void SetUp() override {
    signIn();
    sender = open<Sender>();
  }
  std::string name(ScheduleAction action) { return std::string(scheduleActionName(action)); }
  std::shared_ptr<Sender> sender;
};

TEST_F(ScheduleExchangeTest, EveryRequestCarriesTheAccountTheFixedTimesAndTwentySeconds) {
  const json account{{"LOGIN_NAME", kPhone}, {"PASSWORD", "secret1"}};
  struct Case {
    ScheduleAction action;
    json keys;
    json body;  // besides the account
    const char* busy;
  };
  const std::vector<Case> cases{
      {ScheduleAction::FindStation,
       json::object(),
       {{"TIME", "2000-03-01 10:03:44"}},
       "正在获取受理点..."},
      {ScheduleAction::FindType,
       {{"STATION", "AV01"}},
       {{"STATION", "AV01"}, {"TIME", "2014-03-01 10:03:44"}},
       "正在获取业务类型..."},
      {ScheduleAction::FindTime,
       {{"POLICE_STATION", 7}},
       {{"POLICE_STATION", 7}},
       "正在获取受理时间..."},
      {ScheduleAction::CannelSchedule,
       {{"ID", "202612100001"}},
       {{"ID", "202612100001"}},
       "正在取消预约..."},
      {ScheduleAction::SelectScheduleInfo, json::object(), json::object(), "正在查询..."},
  };
  for (const Case& c : cases) {
    sender->send(c.action, c.keys);
    EXPECT_EQ(hudText(), c.busy);
    const RecordedRequest* request = http.last("!" + name(c.action) + ".action");
    ASSERT_NE(request, nullptr) << name(c.action);
    EXPECT_EQ(request->url, "http://127.0.0.1:8097/wsyy/sysManager/rkyyApp/rkyyApp!" +
                                name(c.action) + ".action");
    EXPECT_EQ(request->method, "POST");
    EXPECT_EQ(request->timeOutSeconds, 20);
    json expected = c.body;
    expected.update(account);
    EXPECT_EQ(json::parse(request->body), expected) << name(c.action);
  }
}

TEST_F(ScheduleExchangeTest, EveryCodeOfABookingHasItsTextAndOtherActionsTheirOwn) {
  const std::vector<std::pair<std::string, std::string>> commit{
      {"2", "预约数已满"},       {"3", "当前日期时间段已经预约过业务"},
      {"4", "用户已进入黑名单"}, {"7", "该业务已预约且未办理"},
      {"0", "预约失败"},         {"5", "预约失败"},
      {"", "预约失败"}};
  for (const auto& [code, text] : commit) {
    sender->send(ScheduleAction::CommitSchedule);
    reply("commitSchedule", code.empty() ? "{}" : json{{"STATES", code}}.dump());
    EXPECT_EQ(hudKind(), ui::HudKind::Error) << code;
    EXPECT_EQ(hudText(), text) << code;
    ASSERT_FALSE(sender->told.empty());
    EXPECT_EQ(sender->told.back().kind, ScheduleReply::Kind::Failed);
    EXPECT_EQ(sender->told.back().states, code);
  }
  const std::vector<std::pair<ScheduleAction, std::string>> others{
      {ScheduleAction::FindStation, "获取受理点失败"},
      {ScheduleAction::FindType, "获取业务类型失败"},
      {ScheduleAction::FindTime, "获取受理时间段失败"},
      {ScheduleAction::CannelSchedule, "取消预约失败"},
      {ScheduleAction::SelectScheduleInfo, "查询失败"}};
  for (const auto& [action, text] : others) {
    sender->send(action);
    reply(name(action), R"({"STATES":"2"})");
    EXPECT_EQ(hudText(), text);
    EXPECT_EQ(toolkit.hud.last()->duration, 0.8);
    advance(0.8);
    EXPECT_EQ(hudKind(), ui::HudKind::Hidden);
  }
}

TEST_F(ScheduleExchangeTest, SuccessShowsTheNoticeOnlyWhereThereIsOne) {
  for (ScheduleAction action : kAll) {
    sender->send(action);
    reply(name(action), R"({"STATES":"1","YYNUM":"42"})");
    ASSERT_EQ(sender->told.size(), 1u);
    EXPECT_EQ(sender->told.back().kind, ScheduleReply::Kind::Success);
    EXPECT_EQ(sender->told.back().object["YYNUM"], "42");
    if (action == ScheduleAction::CommitSchedule) {
      EXPECT_EQ(hudText(), "预约成功");
    } else if (action == ScheduleAction::CannelSchedule) {
      EXPECT_EQ(hudText(), "取消预约成功");
    } else {
      EXPECT_EQ(hudKind(), ui::HudKind::Hidden) << name(action);
    }
    sender->told.clear();
    advance(1);
  }
}

TEST_F(ScheduleExchangeTest, SixSignsOutOnEveryExchangeButTheQuery) {
  for (ScheduleAction action : kAll) {
    if (action == ScheduleAction::SelectScheduleInfo) continue;
    signIn();
    toolkit.navigator.setRoot(sender);
    sender->send(action);
    // "6" is judged before anything else of the reply is read.
    reply(name(action), R"({"STATES":"6","USER_LIST":"not a list"})");
    EXPECT_EQ(hudText(), "账号异常") << name(action);
    EXPECT_EQ(topTitle(), "LOGIN");
    EXPECT_EQ(AccountManager::currentUser(), std::nullopt);
    EXPECT_TRUE(sender->told.empty()) << name(action);
  }
  signIn();
  toolkit.navigator.setRoot(sender);
  sender->send(ScheduleAction::SelectScheduleInfo);
  reply("selectScheduleInfo", R"({"STATES":"6"})");
  EXPECT_EQ(hudText(), "查询失败");
  EXPECT_EQ(stored("phone_number"), kPhone);
  EXPECT_EQ(topTitle(), "SENDER");
  ASSERT_EQ(sender->told.size(), 1u);
  EXPECT_EQ(sender->told[0].kind, ScheduleReply::Kind::Failed);
}

TEST_F(ScheduleExchangeTest, BlankRepliesAndTransportFailuresEndTheWait) {
  sender->send(ScheduleAction::FindStation);
  reply("findStation", " \n");
  EXPECT_EQ(hudKind(), ui::HudKind::Hidden);  // nothing shown, but not busy for ever
  ASSERT_EQ(sender->told.size(), 1u);
  EXPECT_EQ(sender->told[0].kind, ScheduleReply::Kind::Blank);

  sender->send(ScheduleAction::FindStation);
  failTransport("findStation");
  EXPECT_EQ(hudText(), "连接失败");
  ASSERT_EQ(sender->told.size(), 2u);
  EXPECT_EQ(sender->told[1].kind, ScheduleReply::Kind::ConnectionFailed);
}

TEST_F(ScheduleExchangeTest, ANewExchangeOrCancelOrGoingAwayTellsNothingOfTheOldOne) {
  sender->send(ScheduleAction::FindStation);
  sender->send(ScheduleAction::FindType);
  EXPECT_TRUE(http.requests()[0].cancelled);
  EXPECT_FALSE(http.respond(0, FakeReply::json(R"({"STATES":"1"})")));
  sender->exchange.cancel();
  EXPECT_TRUE(http.requests()[1].cancelled);

  sender->send(ScheduleAction::FindTime);
  std::size_t id = http.requests().size() - 1;
  toolkit.navigator.setRoot(std::make_shared<StandIn>("ELSEWHERE"));
  sender.reset();
  settle();
  EXPECT_TRUE(http.requests()[id].cancelled);
  EXPECT_FALSE(http.respond(id, FakeReply::json(R"({"STATES":"1"})")));
  settle();
}

}  // namespace
}  // namespace vokari::testing
