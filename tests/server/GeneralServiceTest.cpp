// News, alarm positions, push tokens and feedback on the general service.

#include <set>

#include "BackendFixture.h"

namespace vokari_backend::testing {
namespace {

const std::string kBeta = "\xCE\xB2";

std::string sosText(const std::string& time, const std::string& alarmId, const std::string& ll) {
  return time + kBeta + "0" + kBeta + "0" + kBeta + "1" + kBeta + alarmId + kBeta + "1" + kBeta +
         "13800138000" + kBeta + "ll=" + ll;
}

std::string pathOf(const std::string& url) { return url.substr(url.find('/', 7)); }

TEST_F(BackendTest, SeededNewsAreWholeItemsWithPicturesAndPagesServedHere) {
  Json reply = general("getNewsForIos", {{"TIME", ""}});
  EXPECT_EQ(reply["STATES"], "SUCCESS");
  const Json& items = reply["NEWS_LIST"];
  ASSERT_GE(items.size(), 15u);
  std::set<std::string> areas;
  for (const Json& item : items) {
    areas.insert(item["area"].get<std::string>());
    EXPECT_EQ(item["time"].get<std::string>().size(), 19u);
    EXPECT_FALSE(item["title"].get<std::string>().empty());
    for (const char* key : {"title", "title1", "title2", "title3", "img_url", "img_url1",
                            "img_url2", "img_url3", "new_url", "new_url1", "new_url2",
                            "new_url3"}) {
      EXPECT_TRUE(item[key].is_string()) << key;
    }
  }
  EXPECT_EQ(areas.size(), 10u);

  const Json& item = items[1];
  EXPECT_EQ(item["img_url"].get<std::string>().rfind("http://127.0.0.1:", 0), 0u);
  Reply picture = get(ports.general, pathOf(item["img_url"]));
  EXPECT_EQ(picture.status, 200);
  EXPECT_EQ(picture.body.substr(0, 8), "\x89PNG\r\n\x1a\n");
  Reply page = get(ports.general, pathOf(item["new_url"]));
  EXPECT_NE(page.body.find(item["title"].get<std::string>()), std::string::npos);
  EXPECT_EQ(get(ports.general, "/news/9999/0.png").status, 404);
}

TEST_F(BackendTest, NewsComeAfterTheGivenTimeForTheGivenAreasOnly) {
  ASSERT_TRUE(addNews(dataDir, {3, {"三区新闻"}, "2024-06-01 08:00:00"}).ok());
  ASSERT_TRUE(addNews(dataDir, {5, {"五区新闻", "五区次条"}, "2024-06-02 08:00:00"}).ok());
  EXPECT_FALSE(addNews(dataDir, {5, {"重复"}, "2024-06-02 08:00:00"}).ok()) << "time taken";
  EXPECT_FALSE(addNews(dataDir, {12, {"无此区"}, ""}).ok());

  Json both = general("getNewsForIos", {{"TIME", "2024-05-31 00:00:00"}, {"CODE", "3,5"}});
  ASSERT_EQ(both["NEWS_LIST"].size(), 2u);
  EXPECT_EQ(both["NEWS_LIST"][0]["time"], "2024-06-02 08:00:00");
  EXPECT_EQ(both["NEWS_LIST"][0]["title1"], "五区次条");
  EXPECT_EQ(both["NEWS_LIST"][0]["title2"], "");
  EXPECT_EQ(both["NEWS_LIST"][0]["img_url2"], "");

  Json newer = general("getNewsForIos", {{"TIME", "2024-06-01 08:00:00"}, {"CODE", "2,3,4,5"}});
  ASSERT_EQ(newer["NEWS_LIST"].size(), 1u);
  EXPECT_EQ(newer["NEWS_LIST"][0]["area"], "5");

  Json area3 = general("getNewsForIos", {{"TIME", "2024-05-31 00:00:00"}, {"CODE", "3"}});
  ASSERT_EQ(area3["NEWS_LIST"].size(), 1u);
  EXPECT_EQ(area3["NEWS_LIST"][0]["title"], "三区新闻");

  Json seededArea2 = general("getNewsForIos", {{"TIME", ""}, {"CODE", "2"}});
  EXPECT_FALSE(seededArea2["NEWS_LIST"].empty());
  for (const Json& item : seededArea2["NEWS_LIST"]) EXPECT_EQ(item["area"], "2");
  EXPECT_TRUE(general("getNewsForIos", {{"TIME", ""}, {"CODE", ""}})["NEWS_LIST"].empty());
}

TEST_F(BackendTest, SosTextsAreRecordedExactlyUnderTheirAlarm) {
  const std::string path = "/serverAgent!sosForIOS.action";
  const std::string urlHeader =
      "http://127.0.0.1:" + std::to_string(ports.general) + path + ": sendLocationBaidu";
  auto send = [&](const std::string& sos) {
    return post(ports.general, path, Json{{"SOS", sos}}.dump(), {urlHeader});
  };
  const std::string alarm = "13800138000202405011000001";
  Reply first = send(sosText("2024-05-01 10:00:00", alarm, "-3.250000|12.500000"));
  EXPECT_EQ(first.status, 200);
  EXPECT_EQ(Json::parse(first.body)["STATES"], "SUCCESS");
  send(sosText("2024-05-01 10:01:00", "13800138000202405011000999", "0.000000|-45.000001"));
  send(sosText("2024-05-01 10:01:00", alarm, "-122.419416|-37.774929"));
  Reply broken = send(sosText("2024-05-01 10:02:00", alarm, "-3.25"));
  EXPECT_EQ(Json::parse(broken.body)["STATES"], "FAIL");

  auto alarms = listing(Listing::Alarms);
  ASSERT_EQ(alarms.size(), 3u);
  EXPECT_EQ(alarms[0]["alarm_id"], alarm);
  EXPECT_EQ(alarms[0]["longitude"], "-3.250000");
  EXPECT_EQ(alarms[0]["latitude"], "12.500000");
  EXPECT_EQ(alarms[0]["time"], "2024-05-01 10:00:00");
  EXPECT_EQ(alarms[1]["alarm_id"], alarm);
  EXPECT_EQ(alarms[1]["longitude"], "-122.419416");
  EXPECT_EQ(alarms[1]["latitude"], "-37.774929");
  EXPECT_EQ(alarms[2]["latitude"], "-45.000001");
  EXPECT_EQ(alarms[2]["phone"], "13800138000");

  // A position sent earlier but received later is listed in its place in time.
  send(sosText("2024-05-01 09:59:30", alarm, "1.000000|2.000000"));
  alarms = listing(Listing::Alarms);
  ASSERT_EQ(alarms.size(), 4u);
  EXPECT_EQ(alarms[0]["time"], "2024-05-01 09:59:30");
  EXPECT_EQ(alarms[1]["time"], "2024-05-01 10:00:00");
  EXPECT_EQ(alarms[2]["time"], "2024-05-01 10:01:00");
  EXPECT_EQ(alarms[3]["alarm_id"], "13800138000202405011000999");
}

TEST_F(BackendTest, TokensAndFeedbackAreRecorded) {
  const std::string token = "a1b2c3d4 e5f60718";
  EXPECT_EQ(general("getToken", {{"TOKEN", token}, {"NUM", "0"}})["STATES"], "SUCCESS");
  EXPECT_EQ(general("getToken", {{"TOKEN", token}, {"NUM", "3"}})["STATES"], "SUCCESS");
  EXPECT_EQ(general("getToken", {{"TOKEN", token}})["STATES"], "FAIL");
  auto tokens = listing(Listing::Tokens);
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_EQ(tokens[0]["token"], token);
  EXPECT_EQ(tokens[0]["badge"], "3");

  Json feedback = {{"TYPE", "其他"},          {"MESSAGE", "\n"},          {"PHONE_TYPE", "x86_64"},
                   {"SDK_VERSION", "6.1"},    {"APK_VERSION", "1.0"},     {"MOBILE_IMEI", ""},
                   {"APK_AGREEMENT", "一般"}, {"PHONE_NUMBER", "13800138000"}};
  EXPECT_EQ(general("getClientInformation", feedback)["STATES"], "SUCCESS");
  feedback.erase("PHONE_NUMBER");  // no account stored
  feedback["MESSAGE"] = "很好用";
  EXPECT_EQ(general("getClientInformation", feedback)["STATES"], "SUCCESS");
  auto records = listing(Listing::Feedback);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]["agreement"], "一般");
  EXPECT_EQ(records[0]["phone"], "13800138000");
  EXPECT_EQ(records[1]["message"], "很好用");
  EXPECT_EQ(records[0].line().find('\n'), std::string::npos);
}

}  // namespace
}  // namespace vokari_backend::testing
