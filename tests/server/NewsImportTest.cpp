// Importing news in bulk, one item a line in the reply's own shape, and the reply of a list too
// long to hold whole, which goes out in pieces.

#include <cstdio>
#include <fstream>

#include "BackendFixture.h"

namespace vokari_backend::testing {
namespace {

// The i-th second of 2020 as a news time.
std::string timeOf(int i) {
  char text[32];
  std::snprintf(text, sizeof text, "2020-01-%02d %02d:%02d:%02d", 1 + i / 86400, i / 3600 % 24,
                i / 60 % 60, i % 60);
  return text;
}

std::vector<std::string> generated(int count) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) {
    lines.push_back(Json{{"time", timeOf(i)},
                         {"area", std::to_string(2 + i % 10)},
                         {"title", "通报 " + std::to_string(i)}}
                        .dump());
  }
  return lines;
}

std::string pathOf(const std::string& url) {
  return url.substr(url.find('/', 7));
}

Json whole(const Reply& reply) {
  Json parsed = Json::parse(reply.body, nullptr, false);
  EXPECT_TRUE(parsed.is_object()) << reply.body.size() << " bytes, not a JSON object";
  return parsed;
}

TEST_F(BackendTest, ImportedItemsAreServedAsTheyWereWritten) {
  std::string path = dataDir + "-import.jsonl";
  std::ofstream(path) << R"({"time":"2031-05-01 09:00:00","area":"3","title":"主条","img_url":"",)"
                         R"("new_url":"http://page.example/0","title1":"","img_url1":"",)"
                         R"("new_url1":"","title2":"次条","img_url2":"http://pic.example/2.jpg",)"
                         R"("new_url2":"","title3":"","img_url3":"","new_url3":""})"
                      << "\n\r\n"
                      << R"({"time":"2031-05-01 08:00:00","area":11,"title":"早"})"
                      << "\n"
                      << R"({"time":"2031-05-01 07:00:00","area":2,"title":"更早"})";
  auto imported = importNewsFile(dataDir, path);
  std::remove(path.c_str());
  ASSERT_TRUE(imported.ok()) << imported.status.message();
  EXPECT_EQ(*imported.value, 3u) << "the last line needs no line break";

  Json list = general("getNewsForIos", {{"TIME", "2031-01-01 00:00:00"}})["NEWS_LIST"];
  ASSERT_EQ(list.size(), 3u);
  const Json& item = list[0];
  EXPECT_EQ(item["time"], "2031-05-01 09:00:00");
  EXPECT_EQ(item["area"], "3");
  EXPECT_EQ(item["new_url"], "http://page.example/0");
  EXPECT_NE(item["img_url"], "") << "a missing picture is served by the service";
  EXPECT_EQ(item["title1"], "") << "a gap stays a gap";
  EXPECT_EQ(item["title2"], "次条");
  EXPECT_EQ(item["img_url2"], "http://pic.example/2.jpg");
  EXPECT_EQ(get(ports.general, pathOf(item["img_url"])).status, 200);
  EXPECT_EQ(item["title3"], "");
  EXPECT_EQ(list[1]["area"], "11");
  EXPECT_EQ(list[1]["title"], "早");
  EXPECT_EQ(list[2]["area"], "2");
}

TEST_F(BackendTest, ABadLineImportsNothingAndIsNamed) {
  ASSERT_TRUE(addNews(dataDir, {2, {"已有"}, "2031-01-01 00:00:00"}).ok());
  const std::string good = R"({"time":"2031-02-01 00:00:00","area":"2","title":"好"})";
  struct Case {
    std::string line;
    std::string why;
  } cases[] = {
      {"not json", "JSON"},
      {R"(["a list"])", "JSON"},
      {R"({"time":"2031-03-01 00:00:00","area":"12","title":"x"})", "area"},
      {R"({"time":"2031-03-01 00:00:00","area":4294967298,"title":"x"})", "area"},
      {R"({"time":"2031-03-01 00:00:00","area":"two","title":"x"})", "area"},
      {R"({"area":"2","title":"x"})", "time"},
      {R"({"time":"2031-03-01","area":"2","title":"x"})", "time"},
      {R"({"time":"2031-03-01 00:00:00","area":"2","title":7})", "title"},
      {R"({"time":"2031-03-01 00:00:00","area":"2","title":"","title1":"x"})", "title"},
      {R"({"time":"2031-03-01 00:00:00","area":"2","title":"x","img_url1":"http://p/1"})",
       "no title"},
      {R"({"time":"2031-03-01 00:00:00","area":"2","title":"x","title4":"y"})", "\"title4\""},
      {R"({"time":"2031-03-01 00:00:00","area":"2","title":"x","tilte1":"y"})", "\"tilte1\""},
      {R"({"time":"2031-01-01 00:00:00","area":"2","title":"x"})", "exists"},  // in the folder
      {good, "exists"},                                                        // on line 1
  };
  for (const Case& c : cases) {
    auto imported = importNews(dataDir, {good, "", c.line, good});
    ASSERT_FALSE(imported.ok()) << c.line;
    EXPECT_NE(imported.status.message().find("line 3: "), std::string::npos)
        << imported.status.message();
    EXPECT_NE(imported.status.message().find(c.why), std::string::npos)
        << imported.status.message();
  }
  Json list = general("getNewsForIos", {{"TIME", "2031-01-01 00:00:00"}})["NEWS_LIST"];
  EXPECT_TRUE(list.empty()) << "the good lines went with the bad: " << list.dump();
  EXPECT_FALSE(importNewsFile(dataDir, dataDir + "/no such file").ok());
}

// Replies of every length around the end of a piece, up to a long one, are whole and in order.
TEST_F(BackendTest, ALongNewsListComesWholeNewestFirst) {
  std::vector<std::string> seeded;
  Json before = general("getNewsForIos", {{"TIME", ""}});
  for (const Json& item : before["NEWS_LIST"]) seeded.push_back(item["time"]);
  constexpr int kCount = 20000;
  auto imported = importNews(dataDir, generated(kCount));
  ASSERT_TRUE(imported.ok()) << imported.status.message();

  auto newerThan = [&](int first) {  // items after the first-th generated one
    long long newer = kCount - 1 - first;
    for (const std::string& time : seeded) newer += time > timeOf(first);
    return newer;
  };
  for (int newer : {kCount, 255, 256, 257, 511, 512, 513}) {
    int first = kCount - 1 - newer;
    std::string after = newer == kCount ? "" : timeOf(first);
    Json reply = whole(
        post(ports.general, "/serverAgent!getNewsForIos.action", Json{{"TIME", after}}.dump()));
    ASSERT_EQ(reply["STATES"], "SUCCESS");
    const Json& list = reply["NEWS_LIST"];
    ASSERT_EQ(list.size(), newer == kCount ? kCount + seeded.size() : newerThan(first)) << after;
    for (size_t i = 1; i < list.size(); ++i) {
      ASSERT_GT(list[i - 1]["time"], list[i]["time"]) << "item " << i << " after " << after;
    }
  }
  // One area, across pages: every tenth item.
  Json area3 = general("getNewsForIos", {{"TIME", "2019-12-31 00:00:00"}, {"CODE", "3"}});
  size_t seededArea3 = 0;
  for (const Json& item : area3["NEWS_LIST"]) seededArea3 += item["time"] > timeOf(kCount);
  EXPECT_EQ(area3["NEWS_LIST"].size() - seededArea3, kCount / 10u);
  auto fetches = inspect(dataDir, Listing::NewsFetches);
  ASSERT_TRUE(fetches.ok());
  EXPECT_EQ(fetches.value->back()["items"], std::to_string(area3["NEWS_LIST"].size()));
}

}  // namespace
}  // namespace vokari_backend::testing
