#include "AppointmentFixture.h"

#include <algorithm>

#include "appointments/PointAndBusiSelectViewController.h"
#include "appointments/PointSelectViewController.h"
#include "appointments/QueryReservationViewController.h"
#include "appointments/ReservationDetailViewController.h"
#include "appointments/ReservationMainViewController.h"

namespace vokari::testing {

std::shared_ptr<ui::Screen> AppointmentScreens::queryReservation() {
  return std::make_shared<QueryReservationViewController>();
}

std::shared_ptr<ui::Screen> AppointmentScreens::reservationMain() {
  return std::make_shared<ReservationMainViewController>();
}

std::shared_ptr<ui::Screen> AppointmentScreens::pointSelect(
    std::function<void(const json&)> picked) {
  return std::make_shared<PointSelectViewController>(std::move(picked));
}

std::shared_ptr<ui::Screen> AppointmentScreens::pointAndBusiSelect(
    const json& stationId, std::function<void(const json&)> picked) {
  return std::make_shared<PointAndBusiSelectViewController>(stationId, std::move(picked));
}

std::shared_ptr<ui::Screen> AppointmentScreens::reservationDetail(const json& record) {
  details.push_back(record);
  return std::make_shared<ReservationDetailViewController>(record);
}

AppointmentTest::AppointmentTest() = default;

void AppointmentTest::signIn(bool withPersonalInfo) {
  Row account{{"phone_number", kPhone}, {"password", "secret1"}};
  if (withPersonalInfo) {
    account["username"] = "张三";
    account["idcard_number"] = kCard;
  }
  ASSERT_TRUE(AccountManager::sharedAccountManage().signIn(kPhone, account));
}

std::string AppointmentTest::stored(const char* key) {
  auto value = AccountManager::sharedAccountManage().getUserItemForKey(key);
  return value ? textOf(*value).value_or("") : "";
}

const RecordedRequest* AppointmentTest::last(const std::string& action) const {
  return engine.last("rkyyApp!" + action + ".action");
}

std::vector<std::size_t> AppointmentTest::held(const std::string& action) const {
  std::vector<std::size_t> ids;
  for (std::size_t id : engine.pending()) {
    if (engine.requests()[id].url.find("!" + action + ".action") != std::string::npos)
      ids.push_back(id);
  }
  return ids;
}

void AppointmentTest::reply(const std::string& action, const std::string& body) {
  auto ids = held(action);
  ASSERT_FALSE(ids.empty()) << "no " << action << " is waiting";
  ASSERT_TRUE(engine.respond(ids.front(), FakeReply::json(body)));
  settle();
}

void AppointmentTest::failTransport(const std::string& action) {
  auto ids = held(action);
  ASSERT_FALSE(ids.empty()) << "no " << action << " is waiting";
  ASSERT_TRUE(engine.respond(ids.front(), FakeReply::failure(2)));
  settle();
}

json AppointmentTest::lastBody(const std::string& action) const {
  const RecordedRequest* request = last(action);
  return request ? json::parse(request->body, nullptr, false) : json();
}

std::size_t AppointmentTest::count(const std::string& action) const {
  std::size_t n = 0;
  for (const auto& r : engine.requests())
    n += r.url.find("!" + action + ".action") != std::string::npos;
  return n;
}

std::string AppointmentTest::topTitle() const {
  ui::Screen* top = toolkit.navigator.top();
  return top ? top->title : "";
}

std::string AppointmentTest::alertMessage() const {
  const ui::AlertModel* open = toolkit.alerts.top();
  return open ? open->message : "";
}

std::string AppointmentTest::alertTitle() const {
  const ui::AlertModel* open = toolkit.alerts.top();
  return open ? open->title : "";
}

bool AppointmentTest::showsLine(const std::string& line) const {
  auto all = lines();
  return std::find(all.begin(), all.end(), line) != all.end();
}

json AppointmentTest::stations() {
  return {
      {"STATES", "1"},
      {"AV_LIST",
       {{{"schedule_type", "Arveno区城关派出所"}, {"schedule_type_id", "AV01"}, {"number", "1"}},
        {{"schedule_type", "Arveno区新华派出所"}, {"schedule_type_id", "AV02"}, {"number", "2"}}}},
      {"CD_LIST",
       {{{"schedule_type", "Cindral区东湖派出所"}, {"schedule_type_id", "CD01"}, {"number", "1"}}}},
      {"IR_LIST",
       {{{"schedule_type", "Istrel区新华派出所"}, {"schedule_type_id", "IR01"}, {"number", "1"}}}}};
}

json AppointmentTest::types() {
  return {{"STATES", "1"},
          {"USER_LIST",
           {{{"id", "105"}, {"name", "身份证申领"}},
            {{"id", "101"}, {"name", "户口迁入"}},
            {{"id", "103"}, {"name", "出生登记"}},
            {{"id", "102"}, {"name", "户口迁出"}}}}};
}

json AppointmentTest::times() {
  return {{"STATES", "1"},
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

}  // namespace vokari::testing
