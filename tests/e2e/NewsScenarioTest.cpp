// The police news road through the terminal client, with an item published beside it.

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <fstream>

#include <nlohmann/json.hpp>

#include "Harness.h"
#include "server/Backend.h"
#include "server/Database.h"
#include "server/Store.h"
#include "support/TestPlatform.h"

namespace vokari::e2e {
namespace {

using vokari::testing::TempDir;

TEST(NewsScenario, APublishedItemComesOnTopOfTheStoredNewsOnTheNextOpening) {
  TempDir dir;
  std::string data = dir.path() + "/data";
  VokariRun published;
  VokariRun run = runVokariSteps(data,
                                 {{scenario("register.vks") + scenario("news_open.vks"),
                                   [&] {
                                     published = runBackend({"news",       "add",
                                                             "--data-dir", data + "/backend",
                                                             "--area",     "2",
                                                             "--title",    "新发布的警讯",
                                                             "--title",    "请市民留意陌生来电",
                                                             "--title",    "",
                                                             "--title",    "第三条：失物招领",
                                                             "--page",     "",
                                                             "--page",     "",
                                                             "--page",     "",
                                                             "--page",     "police.example/three",
                                                             "--time",     "2099-01-01 08:00:00"});
                                   }},
                                  {scenario("news_reopen.vks"), nullptr},
                                  {scenario("news_offline.vks"), nullptr}},
                                 {"--fake-clock"});
  ASSERT_EQ(published.status, 0) << published.output;
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.printed("hud: busy 加载中...")) << run.output;
  EXPECT_TRUE(run.printed("hud: error 网络不给力")) << run.output;
  // The story's page, as the service addressed it (already "http://", so unchanged).
  std::size_t open = run.output.find("open: http://127.0.0.1:");
  ASSERT_NE(open, std::string::npos) << run.output;
  std::string opened = run.output.substr(open, run.output.find('\n', open) - open);
  EXPECT_EQ(opened.substr(opened.size() - 7), "/1.html") << opened;
  // Story 3 of the card with a gap opens its own page; the sixth row, its own item's.
  EXPECT_TRUE(run.printed("open: http://police.example/three")) << run.output;
  EXPECT_NE(run.output.find("/news/5/0.html\n"), std::string::npos) << run.output;

  auto fetches = vokari_backend::inspect(data + "/backend", vokari_backend::Listing::NewsFetches);
  ASSERT_TRUE(fetches.ok()) << fetches.status.message();
  // The offline opening never reaches the service: with the network off, requests fail on the
  // phone.
  ASSERT_EQ(fetches.value->size(), 2u) << run.output;
  const auto& first = (*fetches.value)[0];
  const auto& second = (*fetches.value)[1];
  EXPECT_EQ(first["after"], "");
  EXPECT_EQ(first["areas"], "2,3,4,5,6,7,8,9,10,11");
  // The next openings ask from the newest time the client had stored.
  vokari_backend::Database db(vokari_backend::databasePath(data + "/backend"), false);
  auto seeded = db.row("SELECT max(time) AS newest FROM news WHERE time < '2099'");
  ASSERT_TRUE(seeded);
  EXPECT_EQ(second["after"], (*seeded)["newest"]);
  EXPECT_EQ(second["items"], "1");
}

// The status of a GET of the address; 0 when nothing answered.
long statusOf(const std::string& url) {
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(
      curl, CURLOPT_WRITEFUNCTION, +[](char*, size_t size, size_t count, void*) {
        return size * count;  // the body is not looked at
      });
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 10L);
  long status = 0;
  if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(curl);
  return status;
}

std::string backlogTitle(int i) {
  return "积压警讯第" + std::to_string(i) + "条";
}

TEST(NewsScenario, ABacklogIsStoredWholeAnOpenScreenKeepsItsRowsAndStoriesOpenAfterARestart) {
  TempDir dir;
  const std::string data = dir.path() + "/data";
  const std::string clientDb = data + "/client/Documents/13800000011/13800000011.db";
  recordFreePorts(data);
  // A resident who has not opened the news for months: 45,000 items, a reply of over 16 MiB.
  constexpr int kBacklog = 45000;
  const std::string backlog = dir.path() + "/backlog.jsonl";
  {
    std::ofstream out(backlog);
    char time[32];
    for (int i = 0; i < kBacklog; ++i) {
      std::snprintf(time, sizeof time, "2099-01-01 %02d:%02d:%02d", i / 3600, i / 60 % 60, i % 60);
      out << nlohmann::json{{"time", time},
                            {"area", "2"},
                            {"title", backlogTitle(i)},
                            {"title1", "请市民互相转告"},
                            {"title2", "注意防范"}}
                 .dump()
          << "\n";
    }
  }
  VokariRun imported, published;
  // Row 46 of the list is item 45000 - 46; its window must stay while newer news are stored.
  const std::string row46 = "46.0 " + backlogTitle(kBacklog - 46);
  VokariRun run = runVokariSteps(
      data,
      {{scenario("register.vks"),
        [&] {
          imported = runBackend({"news", "import", "--data-dir", data + "/backend", backlog});
        }},
       {"press 警讯播报\nsettle\nexpect 1.0 " + backlogTitle(kBacklog - 1) +
            "\nscroll 46\nexpect " + row46 + "\n",
        [&] {
          published = runBackend({"news", "add", "--data-dir", data + "/backend", "--area", "2",
                                  "--title", "新到的警讯", "--time", "2099-12-31 08:00:00"});
        }},
       // A notification opens a second news screen, which fetches and stores the new item.
       {"push 有新的警讯\nalert 好\nwait 2\nsettle\nexpect 1.0 新到的警讯\nback\nexpect " + row46 +
            "\nscroll 1\nexpect 1.0 " + backlogTitle(kBacklog - 1) + "\nback\n",
        nullptr}},
      {"--fake-clock"});
  ASSERT_EQ(imported.status, 0) << imported.output;
  ASSERT_EQ(published.status, 0) << published.output;
  ASSERT_EQ(run.status, 0) << run.output;

  vokari_backend::Database client(clientDb, false);
  auto stored = client.row("SELECT count(*) AS n FROM vok_news_report WHERE time >= '2099'");
  ASSERT_TRUE(stored);
  EXPECT_EQ((*stored)["n"], std::to_string(kBacklog + 1));
  auto story = client.row(
      "SELECT newsUrl AS page, imgUrl AS picture FROM vok_news_report "
      "WHERE time < '2099' ORDER BY time DESC LIMIT 1");
  ASSERT_TRUE(story);

  // After a restart the built-in services answer at the addresses the stored stories carry.
  long page = 0, picture = 0;
  VokariRun again = runVokariSteps(data,
                                   {{"expect LanzoVokari\n",
                                     [&] {
                                       page = statusOf((*story)["page"]);
                                       picture = statusOf((*story)["picture"]);
                                     }}},
                                   {"--fake-clock"});
  ASSERT_EQ(again.status, 0) << again.output;
  EXPECT_EQ(page, 200) << (*story)["page"];
  EXPECT_EQ(picture, 200) << (*story)["picture"];
}

}  // namespace
}  // namespace vokari::e2e
