// The news screen as a resident uses it: opening, the overlay, leaving, the cards and their taps.

#include "NewsFixture.h"
#include "core/Extern.h"
#include "news/NewsViewController.h"

#include <array>
#include <deque>

namespace vokari::testing {
namespace {

class NewsScreenTest : public NewsTest {
 protected:
  void SetUp() override {
    NewsTest::SetUp();
    screens.makeLogin = [] { return std::make_shared<StandIn>("LOGIN"); };
    toolkit.navigator.setRoot(std::make_shared<StandIn>("MAIN"));
  }
  std::shared_ptr<NewsViewController> open() {
    auto screen = std::make_shared<NewsViewController>(&loader);
    toolkit.navigator.top()->push(screen);
    settle();
    return screen;
  }
  const ui::NewsCardModel* card(int index) {
    int seen = 0;
    for (const auto& e : toolkit.navigator.top()->model().elements) {
      if (auto* c = std::get_if<ui::NewsCardModel>(&e); c && seen++ == index) {
        cards_.push_back(*c);
        return &cards_.back();
      }
    }
    return nullptr;
  }
  bool tap(int cardIndex, double x, double y) {
    auto elements = toolkit.navigator.top()->model().elements;
    int seen = 0;
    for (int i = 0; i < static_cast<int>(elements.size()); ++i) {
      if (std::holds_alternative<ui::NewsCardModel>(elements[i]) && seen++ == cardIndex)
        return toolkit.navigator.top()->perform(ui::Action::tap(i, x, y));
    }
    return false;
  }

  TempDir caches;
  PictureLoader loader{caches.path()};
  std::deque<ui::NewsCardModel> cards_;
};

TEST_F(NewsScreenTest, OpeningShowsLoadingThenTheStoredListAndTheLinkPanel) {
  store({"2026-03-01 08:00:00"});
  auto screen = open();
  EXPECT_EQ(topTitle(), "警讯播报");
  EXPECT_EQ(hudText(), "加载中...");
  EXPECT_EQ(count("getNewsForIos"), 1u);
  EXPECT_EQ(lastBody("getNewsForIos")["TIME"], "2026-03-01 08:00:00");
  answerNews(success({element("2026-03-02 08:00:00", "新案件", "后续")}));
  EXPECT_FALSE(toolkit.hud.visible());
  EXPECT_EQ(times(screen->dataArray()),
            (std::vector<std::string>{"2026-03-02 08:00:00", "2026-03-01 08:00:00"}));
  std::vector<std::string> lines = driver.screenLines();
  std::vector<std::string> expected = {
      "<返回> == 警讯播报 ==",   "— 2026-03-02 08:00:00 —",
      "  1.0 新案件  picture …", "  1.1 后续  no picture",
      "— 2026-03-01 08:00:00 —", "  2.0 old 2026-03-01 08:00:00  no picture",
      "  Lanzo公安微博  >",      "  Lanzo公安官网  >"};
  EXPECT_EQ(lines, expected);
  ASSERT_TRUE(driver.press("Lanzo公安官网").ok);
  ASSERT_TRUE(driver.press("Lanzo公安微博").ok);
  EXPECT_EQ(platform.urlOpener.opened,
            (std::vector<std::string>{LinkView::kSiteUrl, LinkView::kWeiboUrl}));
}

TEST_F(NewsScreenTest, WithoutANetworkTheStoredListComesWithANoticeForOneAndAHalfSeconds) {
  platform.reachability.setReachable(false);
  open();
  answerNews(FakeReply::failure(kHttpConnectionFailure));
  EXPECT_EQ(hudText(), "网络不给力");
  EXPECT_EQ(lastHudDuration(), 1.5);
  EXPECT_EQ(card(0), nullptr);  // an empty store: an empty list
  advance(1.49);
  EXPECT_TRUE(toolkit.hud.visible());
  advance(0.02);
  EXPECT_FALSE(toolkit.hud.visible());
}

TEST_F(NewsScreenTest, AFailedFetchWithANetworkShowsTheListAndNoMessage) {
  store({"2026-03-01 08:00:00"});
  open();
  answerNews(FakeReply::json(R"({"STATES":"FAIL"})"));
  EXPECT_FALSE(toolkit.hud.visible());
  ASSERT_EQ(toolkit.hud.history().size(), 1u);  // only "加载中..."
  ASSERT_NE(card(0), nullptr);
}

TEST_F(NewsScreenTest, LeavingBeforeTheReplyShowsNothingLaterAndTheNextOpeningFetchesAgain) {
  auto screen = open();
  ASSERT_TRUE(driver.back().ok);
  EXPECT_FALSE(toolkit.hud.visible());
  EXPECT_EQ(screen->manager()->delegate, nullptr);
  std::size_t shown = toolkit.hud.history().size();
  screen.reset();  // gone with its manager: the fetch is cancelled
  settle();
  EXPECT_TRUE(http.requests().at(0).cancelled);
  EXPECT_EQ(toolkit.hud.history().size(), shown);

  store({"2026-03-04 08:00:00"});
  open();
  EXPECT_EQ(count("getNewsForIos"), 2u);
  EXPECT_EQ(lastBody("getNewsForIos")["TIME"], "2026-03-04 08:00:00");
}

TEST_F(NewsScreenTest, CardHeightsFollowTheStoriesThatHaveTitles) {
  struct Case {
    std::array<const char*, 3> titles;
    double height;
    std::vector<int> shown;
  };
  for (const Case& c : std::vector<Case>{{{"", "", ""}, 210, {}},
                                         {{"a", "", ""}, 271, {1}},
                                         {{"a", "b", ""}, 332, {1, 2}},
                                         {{"a", "b", "c"}, 393, {1, 2, 3}},
                                         {{"a", "", "c"}, 332, {1, 3}},
                                         {{"", "b", ""}, 271, {2}}}) {
    NewsItem item;
    item.time = "t";
    item.title1 = c.titles[0];
    item.title2 = c.titles[1];
    item.title3 = c.titles[2];
    NewsCell cell(loader);
    cell.setData(item);
    EXPECT_EQ(NewsCell::heightFor(item), c.height);
    EXPECT_EQ(cell.card.height, c.height);
    std::vector<int> shown;
    for (const auto& s : cell.card.stories) shown.push_back(s.number);
    EXPECT_EQ(shown, c.shown);
  }
}

TEST_F(NewsScreenTest, ATapOpensThePictureThenTheStoryBandsAndNothingElsewhere) {
  nlohmann::json item = element("2026-03-02 08:00:00", "main", "one");
  item["title3"] = "three";  // no story 2
  item["new_url"] = "http://police.example/main";
  item["new_url1"] = "police.example/one";
  item["new_url2"] = "police.example/two";
  item["new_url3"] = "https://police.example/three";
  open();
  answerNews(success({item}));
  const ui::NewsCardModel* c = card(0);
  ASSERT_NE(c, nullptr);
  ASSERT_EQ(c->stories.size(), 2u);
  const ui::Rect& one = c->stories[0].band;
  const ui::Rect& three = c->stories[1].band;
  EXPECT_EQ(one.y, 218);
  EXPECT_EQ(three.y, 279);
  struct Case {
    double x, y;
    int story;
    const char* opened;  // none: nothing opens
  };
  for (const Case& t : std::vector<Case>{
           {160, 100, 0, "http://police.example/main"},
           {10, 25, 0, "http://police.example/main"},
           {5, 100, -1, nullptr},   // beside the picture
           {160, 12, -1, nullptr},  // the time
           {1, one.y, 1, "http://police.example/one"},
           {319, one.y + one.height - 0.5, 1, "http://police.example/one"},
           {160, one.y + one.height + 1, -1, nullptr},  // between the bands
           {160, three.y + 20, 3, "http://https://police.example/three"},
           {160, 340, -1, nullptr},  // below the last story
       }) {
    EXPECT_EQ(c->storyAt(t.x, t.y), t.story) << t.x << "," << t.y;
    platform.urlOpener.opened.clear();
    EXPECT_TRUE(tap(0, t.x, t.y));
    std::vector<std::string> expected;
    if (t.opened) expected.push_back(t.opened);
    EXPECT_EQ(platform.urlOpener.opened, expected) << t.x << "," << t.y;
  }
  platform.urlOpener.opened.clear();
  ASSERT_TRUE(driver.press("1.3").ok);
  ASSERT_TRUE(driver.press("one").ok);
  EXPECT_FALSE(driver.press("1.2").ok);
  EXPECT_EQ(platform.urlOpener.opened,
            (std::vector<std::string>{"http://https://police.example/three",
                                      "http://police.example/one"}));
}

TEST_F(NewsScreenTest, PageAddressesAreNormalisedBeforeOpening) {
  struct Case {
    const char* page;
    std::optional<std::string> opened;
  };
  for (const Case& c : std::vector<Case>{{"", std::nullopt},
                                         {"  \t ", std::nullopt},
                                         {"http://a.example/x", "http://a.example/x"},
                                         {"a.example/x", "http://a.example/x"},
                                         {"https://a.example/x", "http://https://a.example/x"},
                                         {"   a.example/x", "http://a.example/x"},
                                         {"HTTP://a.example", "http://HTTP://a.example"}}) {
    EXPECT_EQ(Extern::httpUrl(c.page), c.opened) << c.page;
    NewsItem item;
    item.time = "t";
    item.newsUrl = c.page;
    NewsCell cell(loader);
    cell.setData(item);
    platform.urlOpener.opened.clear();
    cell.onTap(160, 100);
    EXPECT_EQ(platform.urlOpener.opened.size(), c.opened ? 1u : 0u) << c.page;
    if (c.opened && !platform.urlOpener.opened.empty()) {
      EXPECT_EQ(platform.urlOpener.opened[0], *c.opened);
    }
  }
}

TEST_F(NewsScreenTest, AReusedCardShowsNothingOfItsPreviousItem) {
  NewsItem full;
  full.time = "t1";
  full.title = "a";
  full.title1 = "b";
  full.title2 = "c";
  full.imgUrl = "http://pic.example/a.png";
  NewsItem bare;
  bare.time = "t2";
  NewsCell cell(loader);
  cell.setData(full);
  EXPECT_EQ(loader.downloadsInFlight(), 1u);
  cell.setData(bare);
  EXPECT_EQ(cell.card.title, "");
  EXPECT_TRUE(cell.card.stories.empty());
  EXPECT_EQ(cell.card.picture.source, "");
  EXPECT_EQ(cell.card.height, 210);
  EXPECT_EQ(loader.downloadsInFlight(), 0u);  // the old picture is not wanted any more
}

}  // namespace
}  // namespace vokari::testing
