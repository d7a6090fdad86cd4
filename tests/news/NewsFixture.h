#pragma once
// A signed-in resident on the fake network and the recording toolkit, with helpers to answer
// the news request and to read what was stored.

#include <string>
#include <vector>

#include "news/NewsManager.h"
#include "storage/AccountManager.h"
#include "storage/DBBase.h"
#include "support/ScreenTest.h"

namespace vokari::testing {

inline const char* const kResident = "13800000001";
inline const char* const kAllAreas = "2,3,4,5,6,7,8,9,10,11";

class NewsTest : public ScreenTest {
 protected:
  void SetUp() override { signIn(kResident, true); }

  void signIn(const std::string& phone, bool withAreas) {
    Row account{{"phone_number", phone}, {"password", "secret1"}};
    if (withAreas) account["newsbookarea"] = kAllAreas;
    ASSERT_TRUE(AccountManager::sharedAccountManage().signIn(phone, account));
  }

  // One reply element with the back-end's keys; stories beyond the titles given stay empty.
  static nlohmann::json element(const std::string& time, const std::string& title,
                                const std::string& title1 = "") {
    return {{"time", time},     {"title", title},
            {"title1", title1}, {"title2", ""},
            {"title3", ""},     {"img_url", "http://pic/" + time.substr(0, 10) + ".png"},
            {"img_url1", ""},   {"img_url2", ""},
            {"img_url3", ""},   {"new_url", "news.example/" + title},
            {"new_url1", ""},   {"new_url2", ""},
            {"new_url3", ""},   {"area", "2"}};
  }
  static FakeReply success(const std::vector<nlohmann::json>& list) {
    nlohmann::json reply{{"STATES", "SUCCESS"}, {"NEWS_LIST", nlohmann::json::array()}};
    for (const auto& item : list) reply["NEWS_LIST"].push_back(item);
    return FakeReply::json(reply.dump());
  }
  // Answers the one held news request.
  void answerNews(const FakeReply& reply) {
    auto held = http.pending();
    ASSERT_EQ(held.size(), 1u);
    http.respond(held[0], reply);
    settle();
  }
  static std::vector<std::string> times(const std::vector<NewsItem>& items) {
    std::vector<std::string> out;
    for (const auto& item : items) out.push_back(item.time);
    return out;
  }
  std::vector<std::string> storedTimes() {
    std::vector<std::string> out;
    for (const auto& row : DBBase::sharedDBBase().getAllNews())
      out.push_back(textOf(row, "time").value_or(""));
    return out;
  }
  void store(const std::vector<std::string>& storedTimes) {
    for (const auto& time : storedTimes)
      ASSERT_TRUE(DBBase::sharedDBBase().AddOneNews({{"time", time}, {"title", "old " + time}}));
  }
};

}  // namespace vokari::testing
