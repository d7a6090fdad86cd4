// The police news road through the terminal client, with an item published beside it.

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vokari::e2e
