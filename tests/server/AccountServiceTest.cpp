// Registration, login, password reset and phone change, as the phone drives them.

#include "BackendFixture.h"

namespace vokari_backend::testing {
namespace {

std::string otherCode(const std::string& code) {
  return code == "000000" ? "111111" : "000000";
}

TEST_F(BackendTest, RegistrationRoadTakesTheTextedCodeAndLoginChecksThePassword) {
  Person p;
  ASSERT_EQ(account("getCode", {{"PHONE_NUMBER", p.phone}})["STATES"], "1");
  std::string code = lastCodeFor(p.phone);
  ASSERT_EQ(code.size(), 6u);
  auto outbox = listing(Listing::Sms);
  ASSERT_EQ(outbox.size(), 1u);
  EXPECT_EQ(outbox[0]["phone"], p.phone);
  EXPECT_EQ(outbox[0]["code"], code);
  EXPECT_NE(outbox[0]["text"].find(code), std::string::npos);

  EXPECT_EQ(account("register", registration(p, otherCode(code)))["STATES"], "0");
  EXPECT_EQ(account("register", registration(p, code))["STATES"], "1");
  EXPECT_EQ(account("register", registration(p, code))["STATES"], "2") << "existing number";

  EXPECT_EQ(appointment("login", credentials(p))["STATES"], "1");
  EXPECT_EQ(appointment("login", {{"LOGIN_NAME", p.phone}, {"PASSWORD", "wrong"}})["STATES"], "2");
  EXPECT_EQ(
      appointment("login", {{"LOGIN_NAME", "13900000000"}, {"PASSWORD", p.password}})["STATES"],
      "2");

  Json info = appointment("findInformation", credentials(p));
  EXPECT_EQ(info["STATES"], "1");
  EXPECT_EQ(info["USER_LIST"], Json::array({{{"schedule_name", p.name},
                                             {"schedule_card_number", p.card},
                                             {"schedule_sex", "1"},
                                             {"schedule_phone", p.phone}}}));
}

TEST_F(BackendTest, CodesAreGoodForFiveMinutesAndOnlyTheLatestCounts) {
  Person p;
  account("getCode", {{"PHONE_NUMBER", p.phone}});
  advance(std::chrono::minutes(5) + std::chrono::seconds(1));
  EXPECT_EQ(account("register", registration(p, lastCodeFor(p.phone)))["STATES"], "0");

  account("getCode", {{"PHONE_NUMBER", p.phone}});
  std::string first = lastCodeFor(p.phone);
  advance(std::chrono::minutes(1));
  account("getCode", {{"PHONE_NUMBER", p.phone}});
  std::string latest = lastCodeFor(p.phone);
  if (first != latest) {
    EXPECT_EQ(account("register", registration(p, first))["STATES"], "0");
  }
  advance(std::chrono::minutes(4));
  EXPECT_EQ(account("register", registration(p, latest))["STATES"], "1");
  EXPECT_EQ(account("getCode", {{"PHONE_NUMBER", "1380013800"}})["STATES"], "0") << "10 digits";
  EXPECT_EQ(account("getCode", {{"PHONE_NUMBER", "1380013800:"}})["STATES"], "0") << "not a digit";
}

TEST_F(BackendTest, GuessingACodeVoidsItAndCodesComeOneAMinuteTenADay) {
  Person p;
  registerPerson(p);
  const Json askReset = {{"LOGIN_NAME", p.phone}, {"PASSWORD", "0"}};
  ASSERT_EQ(account("modifyPasswordCode", askReset)["STATES"], "1") << "the last code was used";
  EXPECT_EQ(account("modifyPasswordCode", askReset)["STATES"], "0") << "one pending a minute";
  advance(std::chrono::seconds(60));
  ASSERT_EQ(account("modifyPasswordCode", askReset)["STATES"], "1");
  std::string code = lastCodeFor(p.phone);
  Json reset = {{"LOGIN_NAME", p.phone}, {"PASSWORD", "taken"}, {"CODE", otherCode(code)}};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(account("modifyPassword", reset)["STATES"], "0");
  reset["CODE"] = code;
  EXPECT_EQ(account("modifyPassword", reset)["STATES"], "0") << "void after five misses";
  EXPECT_EQ(appointment("login", credentials(p))["STATES"], "1") << "password unchanged";
  EXPECT_EQ(account("modifyPasswordCode", askReset)["STATES"], "0") << "a voided code waits too";

  // Four misses leave the code good; the same holds for a number not yet registered.
  Person q;
  q.phone = "13900139000";
  ASSERT_EQ(account("getCode", {{"PHONE_NUMBER", q.phone}})["STATES"], "1");
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(account("register", registration(q, otherCode(lastCodeFor(q.phone))))["STATES"], "0");
  EXPECT_EQ(account("register", registration(q, lastCodeFor(q.phone)))["STATES"], "1");

  // Ten codes a day per number: seven more after the three above, then none for a day.
  for (int i = 0; i < 7; ++i) {
    advance(std::chrono::seconds(60));
    EXPECT_EQ(account("modifyPasswordCode", askReset)["STATES"], "1") << i;
  }
  advance(std::chrono::minutes(10));
  EXPECT_EQ(account("modifyPasswordCode", askReset)["STATES"], "0");
  EXPECT_EQ(listing(Listing::Sms).size(), 11u) << "ten for one number, one for the other";
  advance(std::chrono::hours(24));
  EXPECT_EQ(account("modifyPasswordCode", askReset)["STATES"], "1");
}

TEST_F(BackendTest, PasswordResetNeedsAKnownNumberAndItsCode) {
  Person p;
  EXPECT_EQ(account("modifyPasswordCode", {{"LOGIN_NAME", p.phone}, {"PASSWORD", "0"}})["STATES"],
            "2");
  registerPerson(p);
  ASSERT_EQ(account("modifyPasswordCode", {{"LOGIN_NAME", p.phone}, {"PASSWORD", "0"}})["STATES"],
            "1");
  std::string code = lastCodeFor(p.phone);
  Json reset = {{"LOGIN_NAME", p.phone}, {"PASSWORD", "newsecret"}, {"CODE", otherCode(code)}};
  EXPECT_EQ(account("modifyPassword", reset)["STATES"], "0");
  reset["CODE"] = code;
  EXPECT_EQ(account("modifyPassword", reset)["STATES"], "1");
  EXPECT_EQ(account("modifyPassword", reset)["STATES"], "0") << "a code works once";

  EXPECT_EQ(appointment("login", credentials(p))["STATES"], "2");
  EXPECT_EQ(appointment("login", {{"LOGIN_NAME", p.phone}, {"PASSWORD", "newsecret"}})["STATES"],
            "1");
}

TEST_F(BackendTest, SavedIdentityNumberIsWhatFindInformationGivesBack) {
  Person p;
  registerPerson(p);
  Json save = credentials(p);
  save["SF_CODE"] = "11010119900307124";  // 17 characters
  EXPECT_EQ(appointment("saveInfomation", save)["STATES"], "0");
  save["SF_CODE"] = "110101199003071240";
  EXPECT_EQ(appointment("saveInfomation", save)["STATES"], "1");
  Json person = appointment("findInformation", credentials(p))["USER_LIST"][0];
  EXPECT_EQ(person["schedule_card_number"], "110101199003071240");
  EXPECT_EQ(person["schedule_sex"], "0");
}

TEST_F(BackendTest, PhoneChangeChecksPasswordAndCodeThenMovesTheAccount) {
  Person p;
  registerPerson(p);
  const std::string newPhone = "13700137000";
  ASSERT_EQ(account("getCode", {{"PHONE_NUMBER", newPhone}})["STATES"], "1");
  Json change = {{"OLD_PHONE_NUMBER", p.phone},
                 {"NEW_PHONE_NUMBER", newPhone},
                 {"PASSWORD", "wrong"},
                 {"CODE", lastCodeFor(newPhone)}};
  EXPECT_EQ(general("changePhonenumber", change)["STATES"], "0");
  change["PASSWORD"] = p.password;
  EXPECT_EQ(general("changePhonenumber", change)["STATES"], "1");

  EXPECT_EQ(appointment("login", credentials(p))["STATES"], "2");
  Person moved = p;
  moved.phone = newPhone;
  EXPECT_EQ(appointment("login", credentials(moved))["STATES"], "1");
  EXPECT_EQ(appointment("findInformation", credentials(moved))["USER_LIST"][0]["schedule_phone"],
            newPhone);
}

TEST_F(BackendTest, OneConnectionCarriesManyRequests) {
  post(ports.appointment, "/wsyy/sysManager/rkyyApp/rkyyApp!login.action", "{}");
  for (int i = 0; i < 20; ++i) {
    Reply reply = post(ports.appointment, "/wsyy/sysManager/rkyyApp/rkyyApp!login.action", "{}");
    EXPECT_EQ(reply.newConnections, 0) << "request " << i << " opened a new connection";
  }
}

}  // namespace
}  // namespace vokari_backend::testing
