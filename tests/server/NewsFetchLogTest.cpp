// The news service's pictures under file names a client must encode, and its record of what each
// fetch asked for.

#include "BackendFixture.h"

namespace vokari_backend::testing {
namespace {

std::string pathOf(const std::string& url) {
  return url.substr(url.find('/', 7));
}

// The address as a client sends it: every byte outside the URL characters percent-encoded.
std::string encoded(const std::string& path) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (c > 0x20 && c < 0x7F && c != '%') {
      out += static_cast<char>(c);
    } else {
      out += {'%', kHex[c >> 4], kHex[c & 15]};
    }
  }
  return out;
}

TEST_F(BackendTest, FurtherStoriesHavePicturesNamedInChineseWithABlank) {
  ASSERT_TRUE(addNews(dataDir, {4, {"主条", "次条"}, "2030-01-01 08:00:00"}).ok());
  Json reply = general("getNewsForIos", {{"TIME", "2029-12-31 00:00:00"}});
  ASSERT_EQ(reply["NEWS_LIST"].size(), 1u);
  const Json& item = reply["NEWS_LIST"][0];
  std::string main = item["img_url"];
  std::string further = item["img_url1"];
  EXPECT_EQ(main.substr(main.size() - 6), "/0.png");
  EXPECT_EQ(further.substr(further.size() - 20), "/1/现场 照片.png");
  Reply picture = get(ports.general, encoded(pathOf(further)));
  EXPECT_EQ(picture.status, 200);
  EXPECT_EQ(picture.body.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(get(ports.general, encoded(pathOf(main))).status, 200);
  EXPECT_EQ(get(ports.general, pathOf(item["new_url1"])).status, 200);
}

TEST_F(BackendTest, EveryNewsFetchIsRecordedWithItsTimeAndAreas) {
  general("getNewsForIos", {{"TIME", ""}, {"CODE", "2,3"}});
  general("getNewsForIos", {{"TIME", "2099-01-01 00:00:00"}});
  auto fetches = inspect(dataDir, Listing::NewsFetches);
  ASSERT_TRUE(fetches.ok()) << fetches.status.message();
  ASSERT_EQ(fetches.value->size(), 2u);
  EXPECT_EQ((*fetches.value)[0]["after"], "");
  EXPECT_EQ((*fetches.value)[0]["areas"], "2,3");
  EXPECT_NE((*fetches.value)[0]["items"], "0");
  EXPECT_EQ((*fetches.value)[1]["after"], "2099-01-01 00:00:00");
  EXPECT_EQ((*fetches.value)[1]["areas"], "(none)");
  EXPECT_EQ((*fetches.value)[1]["items"], "0");
  EXPECT_EQ(listingNamed("fetches"), Listing::NewsFetches);
}

}  // namespace
}  // namespace vokari_backend::testing
