// Publishing news as the police would: items in the same second, and a card with a gap between
// its stories whose own pictures and pages the service hands on.

#include "BackendFixture.h"

namespace vokari_backend::testing {
namespace {

TEST_F(BackendTest, ItemsOfOneSecondGetTimesOfTheirOwnAndAGapIsKept) {
  Clock fixed = [] { return std::chrono::system_clock::time_point(std::chrono::hours(500000)); };
  auto first = addNews(dataDir, {4, {"第一条"}, ""}, fixed);
  auto second = addNews(dataDir, {4, {"第二条"}, ""}, fixed);
  ASSERT_TRUE(first.ok() && second.ok()) << first.status.message() << second.status.message();
  EXPECT_NE(*first.value, *second.value);

  NewsDraft gap{4, {"主条", "一", "", "三"}, "2099-01-01 08:00:00"};
  NewsLinks links{{"", "", "", "http://pic.example/3.jpg"}, {"http://page.example/0"}};
  ASSERT_TRUE(addNews(dataDir, gap, {}, links).ok());
  Json list = general("getNewsForIos", {{"TIME", "2098-01-01 00:00:00"}, {"CODE", "4"}});
  ASSERT_EQ(list["NEWS_LIST"].size(), 1u);
  const Json& item = list["NEWS_LIST"][0];
  EXPECT_EQ(item["title1"], "一");
  EXPECT_EQ(item["title2"], "");
  EXPECT_EQ(item["img_url2"], "");
  EXPECT_EQ(item["title3"], "三");
  EXPECT_EQ(item["img_url3"], "http://pic.example/3.jpg");
  EXPECT_EQ(item["new_url"], "http://page.example/0");
  EXPECT_NE(item["new_url3"], "");  // served by the service itself

  EXPECT_FALSE(addNews(dataDir, {4, {"主条", "", ""}, ""}).ok()) << "the last story needs a title";
}

}  // namespace
}  // namespace vokari_backend::testing
