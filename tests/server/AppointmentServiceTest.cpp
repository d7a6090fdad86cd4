// Stations, business types, slots and bookings of the appointment service.

#include <ctime>

#include "BackendFixture.h"

namespace vokari_backend::testing {
namespace {

const char* const kDistrictKeys[] = {"AV_LIST", "BQ_LIST", "CD_LIST", "DK_LIST", "EW_LIST",
                                     "FN_LIST", "KS_LIST", "HTS_LIST", "IR_LIST", "JV_LIST"};

std::string localDay(std::chrono::system_clock::time_point t, int daysLater) {
  std::time_t seconds = std::chrono::system_clock::to_time_t(t);
  std::tm day{};
  localtime_r(&seconds, &day);
  day.tm_mday += daysLater;
  day.tm_hour = 12;
  day.tm_isdst = -1;
  std::mktime(&day);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &day);
  return text;
}

std::string card(int n) { return "1101011990030" + std::to_string(1000 + n) + "X"; }

class AppointmentTest : public BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    registerPerson(person);
    Json stations = appointment("findStation", withAccount({{"TIME", "2000-03-01 10:03:44"}}));
    station = stations["AV_LIST"][0];
    Json types = appointment("findType", withAccount({{"STATION", station["schedule_type_id"]},
                                                      {"TIME", "2014-03-01 10:03:44"}}));
    business = types["USER_LIST"][0];
    otherBusiness = types["USER_LIST"][1];
  }

  Json withAccount(Json body) {
    body.update(credentials(person));
    return body;
  }

  Json days() {
    return appointment("findTime", withAccount({{"POLICE_STATION", station["schedule_type_id"]}}))
        ["DATE"];
  }

  Json commit(const Json& type, const Json& day, const Json& slot, const std::string& cardNumber) {
    return appointment(
        "commitSchedule",
        withAccount({{"schedule_type_id", type["id"]},
                     {"schedule_type_name", type["name"]},
                     {"schedule_date", day["DAY"].get<std::string>() + " " +
                                           slot["dic_list_desc"].get<std::string>()},
                     {"schedule_date_dual", slot["dic_list_id"]},
                     {"schedule_address_id", station["schedule_type_id"]},
                     {"schedule_address_name", station["schedule_type"]},
                     {"schedule_other_phone", "13600136000"},
                     {"name", person.name},
                     {"schedule_name", "李四"},
                     {"schedule_card_number", cardNumber}}));
  }

  Person person;
  Json station, business, otherBusiness;
};

TEST_F(AppointmentTest, EveryCallButLoginAnswersSixForAWrongPassword) {
  for (const char* action : {"findInformation", "saveInfomation", "findStation", "findType",
                             "findTime", "commitSchedule", "cannelSchedule",
                             "selectScheduleInfo"}) {
    EXPECT_EQ(appointment(action, {{"LOGIN_NAME", person.phone}, {"PASSWORD", "wrong"}})["STATES"],
              "6")
        << action;
    EXPECT_EQ(appointment(action, Json::object())["STATES"], "6") << action << " without account";
  }
  EXPECT_EQ(appointment("login", {{"LOGIN_NAME", person.phone}, {"PASSWORD", "wrong"}})["STATES"],
            "2");
}

TEST_F(AppointmentTest, StationsTypesAndSlotsCoverTheTenDistrictsAndTheNextSevenDays) {
  Json stations = appointment("findStation", withAccount({{"TIME", "2000-03-01 10:03:44"}}));
  EXPECT_EQ(stations["STATES"], "1");
  for (const char* key : kDistrictKeys) {
    ASSERT_TRUE(stations[key].is_array()) << key;
    EXPECT_GE(stations[key].size(), 2u) << key;
    EXPECT_LE(stations[key].size(), 4u) << key;
    for (const Json& s : stations[key]) {
      Json types = appointment("findType", withAccount({{"STATION", s["schedule_type_id"]},
                                                        {"TIME", "2014-03-01 10:03:44"}}));
      EXPECT_GE(types["USER_LIST"].size(), 5u) << s;
      EXPECT_LE(types["USER_LIST"].size(), 8u) << s;
    }
  }
  Json offered = days();
  ASSERT_EQ(offered.size(), 7u);
  const char* hours[] = {"09:00-10:00", "10:00-11:00", "11:00-12:00", "14:00-15:00",
                         "15:00-16:00", "16:00-17:00", "17:00-18:00"};
  for (int d = 0; d < 7; ++d) {
    EXPECT_EQ(offered[d]["DAY"], localDay(now(), d + 1));
    ASSERT_EQ(offered[d]["TIME"].size(), 7u);
    for (int s = 0; s < 7; ++s) {
      EXPECT_EQ(offered[d]["TIME"][s]["dic_list_id"], std::to_string(s + 1));
      EXPECT_EQ(offered[d]["TIME"][s]["dic_list_desc"], hours[s]);
    }
  }
  EXPECT_EQ(appointment("findTime", withAccount({{"POLICE_STATION", "nowhere"}}))["STATES"], "0");
}

TEST_F(AppointmentTest, FullSlotsRepeatsAndOpenBusinessesAreRefused) {
  Json offered = days();
  Json day = offered[0], slot;
  for (const Json& s : day["TIME"]) {
    if (std::stoi(s["yyl"].get<std::string>()) >= 2) slot = s;
  }
  ASSERT_FALSE(slot.is_null()) << "no slot with two places on " << day;
  int places = std::stoi(slot["yyl"].get<std::string>());

  Json first = commit(business, day, slot, card(0));
  ASSERT_EQ(first["STATES"], "1");
  EXPECT_FALSE(first["YYNUM"].get<std::string>().empty());
  EXPECT_EQ(commit(otherBusiness, day, slot, card(0))["STATES"], "3") << "same day and slot";
  EXPECT_EQ(commit(business, offered[1], offered[1]["TIME"][0], card(0))["STATES"], "7")
      << "same business still open";
  for (int n = 1; n < places; ++n) EXPECT_EQ(commit(business, day, slot, card(n))["STATES"], "1");
  EXPECT_EQ(commit(business, day, slot, card(places))["STATES"], "2") << "slot full";

  Json noRoom = days()[0]["TIME"][std::stoi(slot["dic_list_id"].get<std::string>()) - 1];
  EXPECT_EQ(noRoom["yyl"], "0");
}

TEST_F(AppointmentTest, BookingsAreListedCancelledOnceAndGoStaleWhenTheirDayPasses) {
  Json offered = days();
  Json day, slot;
  for (const Json& d : offered) {
    for (const Json& s : d["TIME"]) {
      if (slot.is_null() && s["yyl"] != "0") day = d, slot = s;
    }
  }
  ASSERT_FALSE(slot.is_null());
  std::string number = commit(business, day, slot, card(7))["YYNUM"];

  Json list = appointment("selectScheduleInfo", credentials(person));
  ASSERT_EQ(list["USER_LIST"].size(), 1u);
  Json booked = list["USER_LIST"][0];
  EXPECT_EQ(booked["schedule_id"], number);
  EXPECT_EQ(booked["schedule_name"], "李四");
  EXPECT_EQ(booked["schedule_card_number"], card(7));
  EXPECT_EQ(booked["schedule_type_name"], business["name"]);
  EXPECT_EQ(booked["schedule_address_name"], station["schedule_type"]);
  EXPECT_EQ(booked["schedule_date_dual"], slot["dic_list_id"]);
  EXPECT_EQ(booked["schedule_date"], day["DAY"]);  // the day alone: the slot goes apart
  EXPECT_EQ(booked["statu"], "1");

  EXPECT_EQ(appointment("cannelSchedule", withAccount({{"ID", number}}))["STATES"], "1");
  EXPECT_EQ(appointment("cannelSchedule", withAccount({{"ID", number}}))["STATES"], "0");
  EXPECT_EQ(appointment("selectScheduleInfo", credentials(person))["USER_LIST"][0]["statu"], "3");

  std::string again = commit(business, day, slot, card(7))["YYNUM"];
  advance(std::chrono::hours(24 * 9));
  Json stale = appointment("selectScheduleInfo", credentials(person))["USER_LIST"][0];
  EXPECT_EQ(stale["schedule_id"], again);
  EXPECT_EQ(stale["statu"], "4");
  EXPECT_EQ(appointment("cannelSchedule", withAccount({{"ID", again}}))["STATES"], "0");
  EXPECT_EQ(listing(Listing::Bookings).size(), 2u);
}

TEST_F(AppointmentTest, StaffStatesAndTheBlacklistChangeWhatTheServiceAnswers) {
  Json offered = days();
  Json day, slot;
  for (const Json& s : offered[2]["TIME"]) {
    if (slot.is_null() && std::stoi(s["yyl"].get<std::string>()) >= 1) day = offered[2], slot = s;
  }
  ASSERT_FALSE(slot.is_null());
  std::string number = commit(business, day, slot, card(3))["YYNUM"];
  ASSERT_FALSE(number.empty());

  // Handled: the same business may be booked again; shown as handled.
  ASSERT_TRUE(setBookingState(dataDir, number, "2").ok());
  EXPECT_EQ(appointment("selectScheduleInfo", credentials(person))["USER_LIST"][0]["statu"], "2");
  EXPECT_EQ(appointment("cannelSchedule", withAccount({{"ID", number}}))["STATES"], "0");
  ASSERT_TRUE(setBookingState(dataDir, number, "4").ok());
  EXPECT_EQ(appointment("selectScheduleInfo", credentials(person))["USER_LIST"][0]["statu"], "4");
  EXPECT_FALSE(setBookingState(dataDir, number, "5").ok());
  EXPECT_FALSE(setBookingState(dataDir, "nosuchbooking", "2").ok());

  // The booked person's phone on the blacklist refuses every booking for it, before the
  // other checks.
  ASSERT_TRUE(addToBlacklist(dataDir, "13600136000").ok());
  ASSERT_TRUE(addToBlacklist(dataDir, "13600136000").ok());
  EXPECT_EQ(commit(business, day, slot, card(4))["STATES"], "4");
  EXPECT_EQ(listing(Listing::Bookings).size(), 1u);
}

}  // namespace
}  // namespace vokari_backend::testing
