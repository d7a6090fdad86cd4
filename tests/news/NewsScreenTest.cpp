// The news screen as a resident uses it: opening, the overlay, leaving, the cards and their taps.

#include "NewsFixture.h"
#include "core/Extern.h"
#include "news/NewsViewController.h"

#include <array>

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
  // The card list as a renderer finds it in the view model (element 0).
  std::shared_ptr<ui::CardRows> rows() {
    auto elements = toolkit.navigator.top()->model().elements;
    auto* list = elements.empty() ? nullptr : std::get_if<ui::CardListModel>(&elements[0]);
    return list ? list->rows.lock() : nullptr;
  }
  std::optional<ui::CardModel> card(int row) {
    const ui::CardModel* c = rows() ? rows()->card(row) : nullptr;
    return c ? std::optional<ui::CardModel>(*c) : std::nullopt;
  }
  bool tap(int row, double x, double y) {
    return toolkit.navigator.top()->perform(ui::Action::tap(0, row, x, y));
  }
  static std::vector<int> tags(const ui::CardModel& c) {
    std::vector<int> out;
    for (const auto& part : c.parts) out.push_back(part.tag);
    return out;
  }

  TempDir caches;
  PictureLoader loader{caches.path()};
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
  EXPECT_EQ(screen->rows().count(), 2);
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
  EXPECT_EQ(rows()->count(), 0);  // an empty store: an empty list
  advance(1.49);
  EXPECT_TRUE(toolkit.hud.visible());
  advance(0.02);
  EXPECT_FALSE(toolkit.hud.visible());
}

TEST_F(NewsScreenTest, NewsArrivingOnAFullDiskAreNotStoredAtAllAndTheResidentIsTold) {
  store({"2026-03-01 08:00:00"});
  std::vector<nlohmann::json> many;
  for (int i = 0; i < 3000; ++i)
    many.push_back(element("2026-03-02 08:" + std::to_string(10000 + i), std::string(300, 'n')));
  auto counted =
      SqliteDatabase::open(DBBase::sharedDBBase().dbPath).value->query("PRAGMA page_count");
  DBBase::limitPagesForTesting(std::stoi(*textOf(counted->front(), "page_count")) + 30);
  open();
  answerNews(success(many));
  DBBase::limitPagesForTesting(0);
  EXPECT_EQ(hudText(), "存储空间不足，请清理后再试");
  EXPECT_EQ(rows()->count(), 1) << "nothing of the batch";
  // Once there is room, the next fetch asks from the same time and stores every item.
  ASSERT_TRUE(driver.back().ok);
  open();
  EXPECT_EQ(lastBody("getNewsForIos")["TIME"], "2026-03-01 08:00:00");
  answerNews(success(many));
  EXPECT_FALSE(toolkit.hud.visible());
  EXPECT_EQ(NewsManager::newestTime(), "2026-03-02 08:12999");
  std::size_t stored = 0;
  DBBase::sharedDBBase().readNews({"time"}, [&](const SqliteStatement&) { return ++stored > 0; });
  EXPECT_EQ(stored, 3001u);
}

TEST_F(NewsScreenTest, AFailedFetchWithANetworkShowsTheListAndNoMessage) {
  store({"2026-03-01 08:00:00"});
  open();
  answerNews(FakeReply::json(R"({"STATES":"FAIL"})"));
  EXPECT_FALSE(toolkit.hud.visible());
  ASSERT_EQ(toolkit.hud.history().size(), 1u);  // only "加载中..."
  EXPECT_EQ(rows()->count(), 1);
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
    std::vector<int> shown = tags(cell.card);
    shown.erase(shown.begin());  // the main story
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
  std::optional<ui::CardModel> c = card(0);
  ASSERT_TRUE(c);
  ASSERT_EQ(tags(*c), (std::vector<int>{0, 1, 3}));
  const ui::Rect& one = c->parts[1].tapArea;
  const ui::Rect& three = c->parts[2].tapArea;
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
           {160, three.y + 20, 3, "https://police.example/three"},
           {160, 340, -1, nullptr},  // below the last story
       }) {
    EXPECT_EQ(c->partAt(t.x, t.y), t.story) << t.x << "," << t.y;
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
  EXPECT_EQ(platform.urlOpener.opened, (std::vector<std::string>{"https://police.example/three",
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
                                         {"https://a.example/x", "https://a.example/x"},
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
  ASSERT_EQ(tags(cell.card), std::vector<int>{0});
  EXPECT_EQ(cell.card.parts[0].title, "");
  EXPECT_EQ(cell.card.parts[0].picture.source, "");
  EXPECT_EQ(cell.card.height, 210);
  EXPECT_EQ(loader.downloadsInFlight(), 0u);  // the old picture is not wanted any more
}

// Stored items "t00".."tNN" (newest first in that order of rows), each with its own pictures.
class NewsListTest : public NewsScreenTest {
 protected:
  void storeItems(int count) {
    for (int i = 0; i < count; ++i) {
      std::string n = (i < 10 ? "0" : "") + std::to_string(i);
      ASSERT_TRUE(DBBase::sharedDBBase().AddOneNews({{"time", "2026-01-01 00:00:" + n},
                                                     {"title", "item " + n},
                                                     {"newsUrl", "news.example/" + n},
                                                     {"imgUrl", "http://pic/" + n + ".png"}}));
    }
  }
  std::shared_ptr<NewsViewController> openList() {
    auto screen = open();
    answerNews(success({}));
    return screen;
  }
  // Every picture request held is answered with bytes that name its address.
  void answerPictures() {
    for (std::size_t id : http.pending()) http.respond(id, pictureOf(http.requests()[id].url));
    settle();
  }
  static FakeReply pictureOf(const std::string& url, bool jpeg = false) {
    FakeReply reply;
    reply.headers = {{"Content-Type", jpeg ? "image/jpeg" : "image/png"}};
    reply.body =
        (jpeg ? std::string("\xff\xd8\xff\xe0", 4) : std::string("\x89PNG\r\n\x1a\n", 8)) + url;
    return reply;
  }
  static bool ends(const PictureBytes& bytes, const std::string& url) {
    return bytes && bytes->size() >= url.size() &&
           bytes->compare(bytes->size() - url.size(), url.size(), url) == 0;
  }
};

TEST_F(NewsListTest, ACardScrolledBackShowsItsOwnTextsAndPictureNeverThePreviousItems) {
  storeItems(40);
  auto screen = openList();
  // The newest is stored last: row r shows item 39 - r.
  auto itemOf = [](int row) {
    int i = 39 - row;
    return std::string(i < 10 ? "0" : "") + std::to_string(i);
  };
  driver.screenLines();  // rows 1-5 drawn, 6-10 ahead
  EXPECT_EQ(screen->rows().cards(), 10u);
  EXPECT_EQ(http.pending().size(), 10u) << "pictures only for the screen and the next";
  for (int first : {10, 20, 30}) {  // away before any picture arrived: the cards are reused
    ASSERT_TRUE(driver.scroll(first).ok);
    driver.screenLines();
    EXPECT_LE(screen->rows().cards(), 10u + ui::CardRows::kSpare);
  }
  for (const auto& r : http.requests()) {
    if (r.url.find("http://pic/" + itemOf(0)) == 0) {
      EXPECT_TRUE(r.cancelled) << "scrolled away";
    }
  }
  answerPictures();  // what still arrives lands in the card of its own row only
  ASSERT_TRUE(driver.scroll(0).ok);
  std::vector<std::string> lines = driver.screenLines();
  EXPECT_EQ(lines[1], "— 2026-01-01 00:00:" + itemOf(0) + " —");
  EXPECT_EQ(lines[2], "  1.0 item " + itemOf(0) + "  picture …");  // asked for again
  answerPictures();
  for (int row = 0; row < 10; ++row) {
    std::optional<ui::CardModel> c = card(row);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->parts[0].title, "item " + itemOf(row));
    EXPECT_TRUE(ends(c->parts[0].picture.bytes, "http://pic/" + itemOf(row) + ".png")) << row;
  }
  EXPECT_EQ(driver.screenLines()[2], "  1.0 item " + itemOf(0) + "  picture ✓");
}

TEST_F(NewsListTest, TheFourPicturesOfACardAreEachBesideTheirOwnStoryAndAJpegIsShown) {
  nlohmann::json item = element("2026-03-02 08:00:00", "main", "one");
  item["title2"] = "two";
  item["title3"] = "three";
  for (const char* key : {"img_url", "img_url1", "img_url2", "img_url3"})
    item[key] = std::string("http://pic/") + key;
  open();
  answerNews(success({item}));
  driver.screenLines();
  // Answered last story first, the main picture as a JPEG.
  std::vector<std::size_t> held = http.pending();
  ASSERT_EQ(held.size(), 4u);
  for (auto id = held.rbegin(); id != held.rend(); ++id) {
    const std::string& url = http.requests()[*id].url;
    http.respond(*id, pictureOf(url, url == "http://pic/img_url"));
  }
  settle();
  std::optional<ui::CardModel> c = card(0);
  ASSERT_TRUE(c);
  const char* keys[] = {"img_url", "img_url1", "img_url2", "img_url3"};
  const char* titles[] = {"main", "one", "two", "three"};
  ASSERT_EQ(tags(*c), (std::vector<int>{0, 1, 2, 3}));
  for (int k = 0; k < 4; ++k) {
    const ui::CardPartModel& part = c->parts[k];
    EXPECT_EQ(part.title, titles[k]);
    EXPECT_TRUE(ends(part.picture.bytes, std::string("http://pic/") + keys[k])) << k;
    // Beside (or under) its own title: the picture spans the title's vertical middle.
    double middle = part.titleRect.y + part.titleRect.height / 2;
    EXPECT_LE(part.pictureRect.y, middle) << k;
    EXPECT_GE(part.pictureRect.y + part.pictureRect.height, middle) << k;
  }
  std::vector<std::string> lines = driver.screenLines();
  EXPECT_EQ(lines[2], "  1.0 main  picture ✓");
  EXPECT_EQ(lines[5], "  1.3 three  picture ✓");
}

TEST_F(NewsListTest, AFailedPictureShowsAsFailedAndIsAskedForAgainWhenItsCardReturns) {
  storeItems(20);
  openList();
  driver.screenLines();
  for (std::size_t id : http.pending()) http.respond(id, FakeReply::json("{}", 404));
  settle();
  EXPECT_EQ(driver.screenLines()[2], "  1.0 item 19  picture ✗");
  std::size_t asked = http.requests().size();
  ASSERT_TRUE(driver.scroll(10).ok);
  driver.screenLines();
  EXPECT_EQ(http.requests().size(), asked + 10) << "rows 11-20: the screen and the next";
  ASSERT_TRUE(driver.scroll(0).ok);
  EXPECT_EQ(driver.screenLines()[2], "  1.0 item 19  picture …");
  answerPictures();
  EXPECT_EQ(driver.screenLines()[2], "  1.0 item 19  picture ✓");
}

TEST_F(NewsListTest, RowsFarDownAreReadPageByPageInTheStoredOrder) {
  for (int i = 0; i < 130; ++i) {
    char time[32];
    std::snprintf(time, sizeof time, "2026-01-01 00:%02d:%02d", i / 60, i % 60);
    ASSERT_TRUE(DBBase::sharedDBBase().AddOneNews({{"time", time}, {"title", time}}));
  }
  auto screen = openList();
  // Opening learns the first page only; the rest is learnt as it is reached, never counted.
  EXPECT_EQ(driver.screenLines()[11], "… 1–5 of 50+ (more, scroll N)");
  for (int first : {125, 55, 100, 0, 49, 50}) {  // jumps past pages not read yet, and back
    ASSERT_TRUE(driver.scroll(first).ok);
    int i = 129 - first;
    char time[32];
    std::snprintf(time, sizeof time, "2026-01-01 00:%02d:%02d", i / 60, i % 60);
    EXPECT_EQ(driver.screenLines()[2],
              "  " + std::to_string(first + 1) + ".0 " + time + "  no picture")
        << first;
  }
  EXPECT_LE(screen->pages().pagesRead(), 8u);
  EXPECT_FALSE(driver.scroll(130).ok);
  EXPECT_EQ(screen->rows().count(), 130);
  EXPECT_FALSE(screen->rows().more());
}

TEST_F(NewsListTest, TheWindowMovesAndEveryCardIsPressedByTheRowItIsPrintedWith) {
  storeItems(12);
  openList();
  EXPECT_EQ(driver.screenLines()[11], "… 1–5 of 12 (more, scroll N)");
  ASSERT_TRUE(driver.more().ok);
  ASSERT_TRUE(driver.more().ok);
  std::vector<std::string> lines = driver.screenLines();
  EXPECT_EQ(lines[1], "— 2026-01-01 00:00:01 —");
  EXPECT_EQ(lines[2], "  11.0 item 01  picture …");
  EXPECT_EQ(lines[5], "… 11–12 of 12 (more, scroll N)");
  EXPECT_FALSE(driver.more().ok);
  EXPECT_FALSE(driver.scroll(12).ok);
  platform.urlOpener.opened.clear();
  ASSERT_TRUE(driver.press("12.0").ok);
  ASSERT_TRUE(driver.press("item 01").ok);  // a title, among the rows shown
  EXPECT_FALSE(driver.press("item 05").ok);
  EXPECT_EQ(platform.urlOpener.opened,
            (std::vector<std::string>{"http://news.example/00", "http://news.example/01"}));
  EXPECT_FALSE(driver.press("13.0").ok);
}

}  // namespace
}  // namespace vokari::testing

namespace vokari::testing {
namespace {

TEST_F(NewsListTest, AScreenKeepsTheListItReceivedWhileNewsArriveUnderItUntilItsNextReply) {
  auto stamp = [](int i) {
    char time[32];
    std::snprintf(time, sizeof time, "2026-01-01 %02d:%02d:%02d", i / 3600, i / 60 % 60, i % 60);
    return std::string(time);
  };
  for (int i = 100; i < 230; ++i)
    ASSERT_TRUE(DBBase::sharedDBBase().AddOneNews({{"time", stamp(i)}, {"title", stamp(i)}}));
  auto screen = openList();
  auto rowAt = [&](int first) {
    EXPECT_TRUE(driver.scroll(first).ok) << first;
    return driver.screenLines()[2];
  };
  std::vector<std::string> before;
  for (int first : {45, 0, 99, 125}) before.push_back(rowAt(first));
  // Another screen's fetch stores items newer and older than all of these.
  for (int i : {5000, 5001, 1, 2, 150 + 10000})
    ASSERT_TRUE(
        DBBase::sharedDBBase().AddOneNews({{"time", stamp(i)}, {"title", "new " + stamp(i)}}));
  std::vector<std::string> after;
  for (int first : {45, 0, 99, 125}) after.push_back(rowAt(first));
  EXPECT_EQ(after, before);
  EXPECT_FALSE(driver.scroll(130).ok) << "the list received had 130 rows";
  // Its own next reply brings the new list.
  screen->updateNews();
  answerNews(success({}));
  EXPECT_EQ(rowAt(0), "  1.0 new " + stamp(150 + 10000) + "  no picture");
  EXPECT_TRUE(driver.scroll(134).ok);
}

}  // namespace
}  // namespace vokari::testing
