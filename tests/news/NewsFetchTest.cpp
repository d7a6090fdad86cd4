// Fetching, decoding and storing the news, and what the screen's delegate receives.

#include "NewsFixture.h"
#include "news/NewsReply.h"
#include "storage/NewsBatch.h"

namespace vokari::testing {
namespace {

// What a screen would read when told: the whole stored list.
struct Delivered : NewsManagerDelegate {
  NewsManager* manager = nullptr;
  std::vector<std::vector<NewsItem>> lists;
  void newsResponse() override { lists.push_back(manager->getShowNews()); }
};

TEST_F(NewsTest, TheBodyCarriesTheNewestStoredTimeAndTheSubscribedAreas) {
  NewsManager manager;
  manager.getNewsWithLastTime();
  settle();
  EXPECT_EQ(lastBody("getNewsForIos"), (nlohmann::json{{"TIME", ""}, {"CODE", kAllAreas}}));
  const RecordedRequest* request = http.last("getNewsForIos");
  EXPECT_EQ(request->method, "POST");
  EXPECT_EQ(request->timeOutSeconds, 30);
  EXPECT_FALSE(request->header("Content-Type"));

  store({"2026-03-01 08:00:00", "2026-03-02 09:30:00", "2026-02-28 23:59:59"});
  manager.getNewsWithLastTime();
  settle();
  EXPECT_EQ(lastBody("getNewsForIos"),
            (nlohmann::json{{"TIME", "2026-03-02 09:30:00"}, {"CODE", kAllAreas}}));
  EXPECT_EQ(manager.strLastTime, "2026-03-02 09:30:00");
}

TEST_F(NewsTest, AnAccountWithoutSubscribedAreasSendsOnlyTheTime) {
  signIn("13900000002", false);
  EXPECT_EQ(getNews::buildNewsJson(std::nullopt), R"({"TIME":""})");
  EXPECT_EQ(getNews::buildNewsJson("2026-01-01 00:00:00"), R"({"TIME":"2026-01-01 00:00:00"})");
}

TEST_F(NewsTest, OnlyASuccessReplyYieldsItemsAndEveryFieldIsTextOrEmpty) {
  struct Case {
    const char* reply;
    bool items;
  };
  for (const Case& c : std::vector<Case>{{"", false},
                                         {"  \n", false},
                                         {"not json", false},
                                         {"{}", false},
                                         {R"({"STATES":"FAIL","NEWS_LIST":[{"time":"x"}]})", false},
                                         {R"({"STATES":"success"})", false},
                                         {R"({"STATES":1})", false},
                                         {R"({"STATES":"SUCCESS"})", true},
                                         {R"({"STATES":"SUCCESS","NEWS_LIST":{}})", true}}) {
    auto items = getNews::praseReturnJsonString(std::string(c.reply));
    EXPECT_EQ(items.has_value(), c.items) << c.reply;
    if (items) {
      EXPECT_TRUE(items->empty()) << c.reply;
    }
  }
  EXPECT_FALSE(getNews::praseReturnJsonString(std::nullopt));
  auto items = getNews::praseReturnJsonString(std::string(
      R"({"STATES":"SUCCESS","NEWS_LIST":[{"time":"t1","title":"a","title2":null,"title3":7,)"
      R"("img_url":{"x":1},"new_url":"p","area":["2"]},5]})"));
  ASSERT_TRUE(items);
  ASSERT_EQ(items->size(), 2u);
  NewsItem expected;
  expected.time = "t1";
  expected.title = "a";
  expected.newsUrl = "p";
  EXPECT_EQ((*items)[0], expected);  // title1 missing, null, number, object, array: all ""
  EXPECT_EQ((*items)[1], NewsItem{});
}

TEST_F(NewsTest, RepliesAreStoredFirstTimeWinsAndTheWholeListIsDeliveredNewestFirst) {
  store({"2026-03-01 08:00:00"});
  NewsManager manager;
  Delivered delivered;
  manager.delegate = &delivered;
  delivered.manager = &manager;
  manager.getNewsWithLastTime();
  nlohmann::json again = element("2026-03-01 08:00:00", "changed");
  answerNews(success({element("2026-03-03 10:00:00", "first"), element("", "no time"),
                      element("2026-03-02 10:00:00", "b"), again,
                      element("2026-03-03 10:00:00", "second of that time")}));
  ASSERT_EQ(delivered.lists.size(), 1u);
  EXPECT_EQ(times(delivered.lists[0]),
            (std::vector<std::string>{"2026-03-03 10:00:00", "2026-03-02 10:00:00",
                                      "2026-03-01 08:00:00"}));
  EXPECT_EQ(delivered.lists[0][0].title, "first");
  EXPECT_EQ(delivered.lists[0][2].title, "old 2026-03-01 08:00:00");  // never updated
  EXPECT_EQ(DBBase::sharedDBBase().getAllNews().size(), 3u);
}

TEST_F(NewsTest, FailuresStoreNothingAndStillDeliverTheStoredList) {
  store({"2026-03-01 08:00:00"});
  for (const FakeReply& reply :
       {success({}), FakeReply::json(R"({"STATES":"ERROR"})"), FakeReply::json(""),
        FakeReply::failure(kHttpTimedOut), FakeReply::failure(kHttpConnectionFailure),
        FakeReply::json("<html>", 500)}) {
    NewsManager manager;
    Delivered delivered;
    manager.delegate = &delivered;
    delivered.manager = &manager;
    manager.getNewsWithLastTime();
    answerNews(reply);
    ASSERT_EQ(delivered.lists.size(), 1u) << reply.body;
    EXPECT_EQ(times(delivered.lists[0]), std::vector<std::string>{"2026-03-01 08:00:00"});
  }
}

TEST_F(NewsTest, PictureAddressesArriveUrlSafeAndPageAddressesUnchanged) {
  nlohmann::json item = element("2026-03-03 10:00:00", "t", "story");
  item["img_url"] = "http://h/news/1/现场 照片.png";
  item["img_url1"] = "http://h/a b\"c%20d%zz.png?x=1&y=[2]";
  item["new_url"] = "http://h/页面 1.html";
  item["new_url1"] = " h/p q";
  NewsManager manager;
  Delivered delivered;
  manager.delegate = &delivered;
  delivered.manager = &manager;
  manager.getNewsWithLastTime();
  answerNews(success({item}));
  ASSERT_EQ(delivered.lists.at(0).size(), 1u);
  const NewsItem& shown = delivered.lists[0][0];
  EXPECT_EQ(shown.imgUrl, "http://h/news/1/%E7%8E%B0%E5%9C%BA%20%E7%85%A7%E7%89%87.png");
  EXPECT_EQ(shown.imgUrl1, "http://h/a%20b%22c%20d%25zz.png?x=1&y=[2]");
  EXPECT_EQ(shown.newsUrl, "http://h/页面 1.html");
  EXPECT_EQ(shown.newsUrl1, " h/p q");
  // The store keeps what the service sent; only the list handed out is made safe.
  EXPECT_EQ(textOf(DBBase::sharedDBBase().getAllNews().at(0), "imgUrl"),
            "http://h/news/1/现场 照片.png");
  auto fromRow = NewsManager::DicToObject(DBBase::sharedDBBase().getAllNews().at(0));
  ASSERT_TRUE(fromRow);
  EXPECT_EQ(*fromRow, shown);
  EXPECT_FALSE(NewsManager::DicToObject(std::nullopt));
}

TEST_F(NewsTest, AReplyAfterTheDelegateLeftIsStoredButNotDelivered) {
  NewsManager manager;
  Delivered delivered;
  manager.delegate = &delivered;
  delivered.manager = &manager;
  manager.getNewsWithLastTime();
  manager.delegate = nullptr;
  answerNews(success({element("2026-03-03 10:00:00", "late")}));
  EXPECT_TRUE(delivered.lists.empty());
  EXPECT_EQ(storedTimes(), std::vector<std::string>{"2026-03-03 10:00:00"});
}

TEST_F(NewsTest, AManagerDestroyedDuringAFetchCancelsItAndItsReplyIsLost) {
  Delivered delivered;
  {
    NewsManager manager;
    manager.delegate = &delivered;
    delivered.manager = &manager;
    manager.getNewsWithLastTime();
    settle();
  }
  ASSERT_EQ(http.requests().size(), 1u);
  EXPECT_TRUE(http.requests()[0].cancelled);
  EXPECT_FALSE(http.respond(0, success({element("2026-03-03 10:00:00", "lost")})));
  settle();
  EXPECT_TRUE(delivered.lists.empty());
  EXPECT_TRUE(storedTimes().empty());
}

TEST_F(NewsTest, StoringAListMatchesStoringItemByItem) {
  std::vector<NewsItem> items;
  for (const char* time : {"b", "a", "", "b", "c", "a"}) {
    NewsItem item;
    item.time = time;
    item.title = std::string("title ") + time + std::to_string(items.size());
    items.push_back(item);
  }
  NewsManager manager;
  ASSERT_TRUE(manager.saveData(items));
  std::vector<Row> together = DBBase::sharedDBBase().getAllNews();
  ASSERT_TRUE(DBBase::sharedDBBase().deleteTable("vok_news_report"));
  // Refusals (an item without a time) are part of what the two ways must agree on.
  for (const auto& item : items)
    (void)DBBase::sharedDBBase().AddOneNews(NewsManager::ObjectToDic(item));
  std::vector<Row> oneByOne = DBBase::sharedDBBase().getAllNews();
  ASSERT_EQ(together.size(), 3u);
  ASSERT_EQ(oneByOne.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    together[i].erase("tableid");
    oneByOne[i].erase("tableid");
    EXPECT_EQ(together[i], oneByOne[i]);
  }
  EXPECT_EQ(textOf(together[2], "title"), "title a1");
}

TEST_F(NewsTest, EachFieldComesFromItsOwnKeyAndGoesToItsOwnColumnAndOnlyAnEmptyTimeIsRefused) {
  struct Case {
    const char* wireKey;
    const char* column;
    std::string NewsItem::*field;
  };
  const std::vector<Case> cases = {{"img_url", "imgUrl", &NewsItem::imgUrl},
                                   {"img_url1", "imgUrl1", &NewsItem::imgUrl1},
                                   {"img_url2", "imgUrl2", &NewsItem::imgUrl2},
                                   {"img_url3", "imgUrl3", &NewsItem::imgUrl3},
                                   {"new_url", "newsUrl", &NewsItem::newsUrl},
                                   {"new_url1", "newsUrl1", &NewsItem::newsUrl1},
                                   {"new_url2", "newsUrl2", &NewsItem::newsUrl2},
                                   {"new_url3", "newsUrl3", &NewsItem::newsUrl3},
                                   {"time", "time", &NewsItem::time},
                                   {"title", "title", &NewsItem::title},
                                   {"title1", "title1", &NewsItem::title1},
                                   {"title2", "title2", &NewsItem::title2},
                                   {"title3", "title3", &NewsItem::title3},
                                   {"area", "newsArea", &NewsItem::newsArea}};
  nlohmann::json element = nlohmann::json::object();
  for (const Case& c : cases) element[c.wireKey] = std::string("v-") + c.wireKey;
  nlohmann::json blankTime = element, emptyTime = element;
  blankTime["time"] = " \t";
  emptyTime["time"] = "";
  nlohmann::json reply{{"STATES", "SUCCESS"}, {"NEWS_LIST", {element, blankTime, emptyTime}}};
  auto items = getNews::praseReturnJsonString(reply.dump());
  ASSERT_TRUE(items && items->size() == 3u);
  Row row = NewsManager::ObjectToDic((*items)[0]);
  for (const Case& c : cases) {
    EXPECT_EQ((*items)[0].*c.field, std::string("v-") + c.wireKey) << c.wireKey;
    EXPECT_EQ(textOf(row, c.column), std::string("v-") + c.wireKey) << c.column;
  }
  NewsManager manager;
  ASSERT_TRUE(manager.saveData(*items));
  std::vector<NewsItem> shown = manager.getShowNews();
  ASSERT_EQ(times(shown), (std::vector<std::string>{"v-time", " \t"}));
  EXPECT_EQ(shown[0], (*items)[0]);
}

}  // namespace
}  // namespace vokari::testing

namespace vokari::testing {
namespace {

TEST_F(NewsTest, AReplyIsStoredOnlyWhenItEndsAsASuccessWhereverItsStatesStands) {
  const std::string a = element("2026-03-03 10:00:00", "a").dump();
  const std::string b = element("2026-03-04 10:00:00", "b").dump();
  struct Case {
    std::string reply;
    std::vector<std::string> stored;
  };
  for (const Case& c : std::vector<Case>{
           {R"({"NEWS_LIST":[)" + a + R"(],"STATES":"SUCCESS"})", {"2026-03-03 10:00:00"}},
           {R"({"NEWS_LIST":[)" + a + R"(],"STATES":"FAIL"})", {}},
           {R"({"STATES":"SUCCESS","NEWS_LIST":[)" + a + R"(],"STATES":"FAIL"})", {}},
           {R"({"STATES":"SUCCESS","NEWS_LIST":[)" + a + "]}garbage", {}},
           {R"({"STATES":"SUCCESS","NEWS_LIST":[)" + a + "]", {}},  // cut short
           {R"({"STATES":"SUCCESS","NEWS_LIST":[)" + a + R"(],"NEWS_LIST":[)" + b + "]}",
            {"2026-03-04 10:00:00"}},
           {R"({"STATES":"SUCCESS","NEWS_LIST":[)" + a + R"(],"NEWS_LIST":7})", {}},
           {"\xEF\xBB\xBF"
            R"({"STATES":"SUCCESS","NEWS_LIST":[)" +
                a + "]}",
            {"2026-03-03 10:00:00"}}}) {
    ASSERT_TRUE(DBBase::sharedDBBase().deleteTable("vok_news_report"));
    NewsManager manager;
    manager.getNewsWithLastTime();
    answerNews(FakeReply::json(c.reply));
    EXPECT_EQ(storedTimes(), c.stored) << c.reply;
  }
}

TEST_F(NewsTest, AReplyReadInPiecesOfAnySizeGivesWhatTheWholeGives) {
  std::vector<nlohmann::json> list;
  for (int i = 0; i < 40; ++i)
    list.push_back(
        element("2026-03-03 10:00:" + std::to_string(i), "标题 " + std::to_string(i), "第二"));
  list.push_back(5);
  const std::string reply =
      "\xEF\xBB\xBF" + nlohmann::json{{"NEWS_LIST", list}, {"STATES", "SUCCESS"}}.dump();
  const auto whole = getNews::praseReturnJsonString(reply);
  ASSERT_TRUE(whole && whole->size() == 41u);
  for (std::size_t piece : {1u, 2u, 3u, 7u, 4096u}) {
    EXPECT_EQ(readNewsReply(reply, piece), whole) << piece;
  }
  // A single value longer than any item has is not held: the reply is refused.
  NewsReplyReader reader(
      {.item = [](NewsItem&&) { return true; }, .listStarts = [] { return true; }});
  EXPECT_TRUE(reader.feed(R"({"STATES":"SUCCESS","NEWS_LIST":[{"title":")"));
  std::string quiet(256 << 10, 'x');
  bool read = true;
  for (int i = 0; i < 5 && read; ++i) read = reader.feed(quiet);
  EXPECT_FALSE(read);
  EXPECT_FALSE(reader.succeeded());
}

TEST_F(NewsTest, AStagedReplyLeavesTheDatabaseFreeAndAStoppedStoreKeepsNothing) {
  auto batch = NewsBatch::open(DBBase::sharedDBBase().dbPath, newsColumns());
  ASSERT_TRUE(batch.ok());
  NewsItem item;
  item.time = "2026-03-03 10:00:00";
  std::vector<Value> values;
  for (const NewsField& f : kNewsFields) values.emplace_back(item.*f.field);
  ASSERT_TRUE((*batch.value)->add(values));
  EXPECT_FALSE(
      NewsBatch::open(DBBase::sharedDBBase().dbPath, newsColumns()).value.value()->add({}));
  // Meanwhile the rest of the application writes and reads as always.
  store({"2026-03-01 08:00:00"});
  EXPECT_TRUE(AccountManager::sharedAccountManage().updateAccountInfo({{"nickname", "n"}}));
  auto stopped = (*batch.value)->commit([] { return true; });
  EXPECT_FALSE(stopped.ok());
  EXPECT_EQ(storedTimes(), std::vector<std::string>{"2026-03-01 08:00:00"});
  EXPECT_FALSE(NewsBatch::open("", newsColumns()).ok());
  EXPECT_FALSE(NewsBatch::open(DBBase::sharedDBBase().dbPath, {"title"}).ok());
}

}  // namespace
}  // namespace vokari::testing
