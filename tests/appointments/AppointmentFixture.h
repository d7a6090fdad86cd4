#pragma once
// A signed-in resident on the screen-test fixture, with the appointment service's requests held
// until the test answers them by action, and its stand-in data.

#include <algorithm>
#include <string>
#include <vector>

#include "appointments/ReservationDetailViewController.h"
#include "storage/AccountManager.h"
#include "support/ScreenTest.h"

namespace vokari::testing {

using nlohmann::json;

inline const char* const kPhone = "13800000001";
inline const char* const kCard = "11010519491231002X";

struct AppointmentTest : ScreenTest {
  // The account as registered: phone, password, and with personal info name and identity number.
  void signIn(bool withPersonalInfo = true) {
    Row account{{"phone_number", kPhone}, {"password", "secret1"}};
    if (withPersonalInfo) {
      account["username"] = "张三";
      account["idcard_number"] = kCard;
    }
    ASSERT_TRUE(AccountManager::sharedAccountManage().signIn(kPhone, account));
  }
  std::string stored(const char* key) {
    auto value = AccountManager::sharedAccountManage().getUserItemForKey(key);
    return value ? textOf(*value).value_or("") : "";
  }
  // A root stand-in with the screen pushed on it.
  template <typename S, typename... Args>
  std::shared_ptr<S> open(Args&&... args) {
    auto screen = std::make_shared<S>(std::forward<Args>(args)...);
    toolkit.navigator.setRoot(std::make_shared<StandIn>("MAIN"));
    toolkit.navigator.top()->push(screen);
    return screen;
  }
  // On the booking form: a station, then a business type, each from its picker.
  void chooseStation(const std::string& name) {
    ASSERT_TRUE(driver.press("受理点:").ok);
    reply("findStation", stations().dump());
    ASSERT_TRUE(driver.press(name).ok);
  }
  void chooseType(const std::string& name) {
    ASSERT_TRUE(driver.press("业务类型:").ok);
    reply("findType", types().dump());
    ASSERT_TRUE(driver.press(name).ok);
  }
  // The held (unanswered) requests to the action.
  std::vector<std::size_t> held(const std::string& action) const {
    std::vector<std::size_t> ids;
    for (std::size_t id : http.pending()) {
      if (http.requests()[id].url.find("!" + action + ".action") != std::string::npos)
        ids.push_back(id);
    }
    return ids;
  }
  // Answers the oldest held request to the action; fails the test when there is none.
  void reply(const std::string& action, const std::string& body) {
    answer(action, FakeReply::json(body));
  }
  void replyJson(const std::string& action, const json& body) { reply(action, body.dump()); }
  void failTransport(const std::string& action) { answer(action, FakeReply::failure(2)); }
  void answer(const std::string& action, FakeReply answer) {
    auto ids = held(action);
    ASSERT_FALSE(ids.empty()) << "no " << action << " is waiting";
    ASSERT_TRUE(http.respond(ids.front(), std::move(answer)));
    settle();
  }
  // The record the shown booking detail was opened with; null when no detail is shown.
  json shownDetail() const {
    auto* detail = dynamic_cast<ReservationDetailViewController*>(toolkit.navigator.top());
    return detail ? detail->dicDetail() : json();
  }
  ui::HudKind hudKind() const { return toolkit.hud.state().kind; }
  std::string alertTitle() const {
    const ui::AlertModel* open = toolkit.alerts.top();
    return open ? open->title : "";
  }
  bool showsLine(const std::string& line) const {
    auto all = driver.screenLines();
    return std::find(all.begin(), all.end(), line) != all.end();
  }

  static json station(const char* name, const char* id) {
    return {{"schedule_type", name}, {"schedule_type_id", id}, {"number", "1"}};
  }
  static json stations() {
    return {
        {"STATES", "1"},
        {"AV_LIST", {station("Arveno区城关派出所", "AV01"), station("Arveno区新华派出所", "AV02")}},
        {"CD_LIST", {station("Cindral区东湖派出所", "CD01")}},
        {"IR_LIST", {station("Istrel区新华派出所", "IR01")}}};
  }
  static json types() {
    return {{"STATES", "1"},
            {"USER_LIST",
             {{{"id", "105"}, {"name", "身份证申领"}},
              {{"id", "101"}, {"name", "户口迁入"}},
              {{"id", "103"}, {"name", "出生登记"}},
              {{"id", "102"}, {"name", "户口迁出"}}}}};
  }
  static json times() {
    return {
        {"STATES", "1"},
        {"DATE",
         {{{"DAY", "2026-12-10"},
           {"TIME",
            {{{"dic_list_id", "1"}, {"dic_list_desc", "09:00-10:00"}, {"yyl", "3"}},
             {{"dic_list_id", "4"}, {"dic_list_desc", "14:00-15:00"}, {"yyl", ""}}}}},
          {{"DAY", "2026-12-11"}, {"TIME", json::array()}},
          {{"DAY", " "}, {"TIME", {{{"dic_list_id", "2"}, {"dic_list_desc", "10:00-11:00"}}}}},
          {{"DAY", "2026-12-12"},
           {"TIME", {{{"dic_list_id", "7"}, {"dic_list_desc", "17:00-18:00"}, {"yyl", "0"}}}}}}}};
  }
};

}  // namespace vokari::testing
