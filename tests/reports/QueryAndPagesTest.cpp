// The report query, the reward page's entries and the web page screen.

#include "ReportFixture.h"
#include "reports/LinkViewController.h"
#include "reports/ReportPrizesViewController.h"
#include "reports/ReportQueryViewController.h"

namespace vokari::testing {
namespace {

struct Pages : ReportScreenTest {
  void SetUp() override {
    toolkit.navigator.setRoot(std::make_shared<ReportPrizesViewController>());
    settle();
  }
  void openQuery() {
    ASSERT_TRUE(driver.press("查询").ok);
    settle();
    ASSERT_EQ(topTitle(), "查询");
  }
  void query(const std::string& id, const std::string& password) {
    ASSERT_TRUE(driver.type("请输入查询ID", id).ok);
    ASSERT_TRUE(driver.type("请输入密码", password).ok);
    ASSERT_TRUE(driver.press("提交").ok);
    settle();
  }
};

TEST_F(Pages, TheRewardPageListsItsEntriesInOrderAndOpensEach) {
  auto lines = driver.screenLines();
  std::string all;
  for (const auto& line : lines) all += line + "\n";
  std::vector<std::string> order = {"查询",     "输入查询ID和密码即可进行查询",
                                    "举报",     "揭发丑恶只需几步即可",
                                    "指南",     "举报指南",
                                    "奖励公告", "典型案例",
                                    "悬赏名单"};
  std::size_t at = 0;
  for (const auto& text : order) {
    at = all.find(text, at);
    ASSERT_NE(at, std::string::npos) << text << " in\n" << all;
  }
  auto* page = dynamic_cast<ReportPrizesViewController*>(toolkit.navigator.top());
  for (const auto& section : page->table.sections) {
    for (const auto& row : section.rows) EXPECT_TRUE(row.disclosure) << row.text;
  }
  const std::vector<std::pair<std::string, std::string>> entries = {
      {"查询", "查询"},         {"举报", "举报"},         {"举报指南", "举报指南"},
      {"奖励公告", "奖励公告"}, {"典型案例", "典型案例"}, {"悬赏名单", "悬赏名单"}};
  for (const auto& [entry, title] : entries) {
    ASSERT_TRUE(driver.press(entry).ok) << entry;
    settle();
    EXPECT_EQ(topTitle(), title);
    ASSERT_TRUE(driver.back().ok);
    settle();
    EXPECT_EQ(topTitle(), "有奖举报");
  }
  std::vector<std::string> urls;
  for (const auto& request : http.requests()) urls.push_back(request.url);
  EXPECT_EQ(urls, (std::vector<std::string>{"http://127.0.0.1:38888/CrimeReports/Guide.aspx",
                                            "http://127.0.0.1:38888/CrimeReports/Notice.aspx",
                                            "http://127.0.0.1:38888/CrimeReports/Case.aspx"}));
  for (const auto& request : http.requests())
    EXPECT_TRUE(request.cancelled) << "left while loading";
}

TEST_F(Pages, AQueryShowsTheStateBetweenTheMarkers) {
  openQuery();
  query("Q1", "");
  EXPECT_EQ(alertMessage(), "查询ID和密码不能为空！");
  ASSERT_TRUE(driver.alert("好").ok);
  query(" ", "x");
  EXPECT_EQ(alertMessage(), "查询ID和密码不能为空！");
  ASSERT_TRUE(driver.alert("好").ok);
  EXPECT_TRUE(http.requests().empty());

  const std::vector<std::pair<std::string, std::string>> cases = {
      {"result:files:0", "正在受理中..."},
      {"result:已受理，正在核实files:2", "已受理，正在核实"},
      {"result:查询ID或密码错误files:0", "查询ID或密码错误"},
      {"files:1 result:x", "查询结果无法识别，请稍后再试"},
      {"no markers", "查询结果无法识别，请稍后再试"},
  };
  for (const auto& [reply, shown] : cases) {
    query("Q&1", "65<4");
    EXPECT_FALSE(toolkit.hud.visible()) << "no overlay while a query runs";
    EXPECT_EQ(waiting(), "Search");
    EXPECT_NE(http.requests().back().body.find(
                  "<Search xmlns=\"http://tempuri.org/\"><code>Q&amp;1</code>"
                  "<password>65&lt;4</password></Search>"),
              std::string::npos);
    answer(reply);
    ASSERT_TRUE(toolkit.alerts.top()) << reply;
    EXPECT_EQ(toolkit.alerts.top()->title, "查询结果");
    EXPECT_EQ(alertMessage(), shown);
    ASSERT_TRUE(driver.alert("好").ok);
  }
  query("Q1", "1");
  answerRaw(FakeReply::failure(1));
  EXPECT_EQ(lastHud(), "连接失败");
  EXPECT_EQ(lastHudDuration(), 0.8);
  query("Q1", "1");
  answerRaw({200, {}, "<html>not the service</html>", 0});
  EXPECT_EQ(alertMessage(), "查询结果无法识别，请稍后再试");
  ASSERT_TRUE(driver.alert("好").ok);
  // Left while its reply is already queued: nothing shows over the reward page.
  query("Q1", "1");
  ASSERT_TRUE(http.respond(http.pending().at(0), soapResult("Search", "result:x files:")));
  ASSERT_TRUE(driver.back().ok);
  settle();
  EXPECT_EQ(topTitle(), "有奖举报");
  EXPECT_FALSE(toolkit.alerts.top());
}

TEST_F(Pages, ShowPasswordFlipsTheHiddenText) {
  openQuery();
  auto* screen = dynamic_cast<ReportQueryViewController*>(toolkit.navigator.top());
  EXPECT_TRUE(screen->passwordField.secure);
  EXPECT_FALSE(screen->showPasswordBox.checked);
  ASSERT_TRUE(driver.press("显示密码").ok);
  EXPECT_FALSE(screen->passwordField.secure);
  EXPECT_TRUE(screen->showPasswordBox.checked);
  ASSERT_TRUE(driver.press("显示密码").ok);
  EXPECT_TRUE(screen->passwordField.secure);
  EXPECT_TRUE(driver.shows("温馨提示:请输入正确的查询ID和密码"));
}

TEST_F(Pages, AWebPageShowsItsTextOrALoadErrorForOneSecond) {
  http.answer("Guide.aspx",
              {200,
               {{"Content-Type", "text/html; charset=utf-8"}},
               "<!DOCTYPE html><html><head><title>T</title><style>p{}</style>"
               "<script>var x = '<p>no</p>';</script></head><body><h1>举报指南</h1>"
               "<p>第一段  文字&amp;说明</p><ul><li>一</li><li>二</li></ul></body></html>",
               0});
  http.answer("Notice.aspx", FakeReply::failure(1));
  ASSERT_TRUE(driver.press("举报指南").ok);
  settle();
  auto* page = dynamic_cast<LinkViewController*>(toolkit.navigator.top());
  ASSERT_TRUE(page);
  EXPECT_EQ(page->title, "举报指南");
  EXPECT_EQ(page->page.text, "举报指南\n第一段 文字&说明\n一\n二");
  EXPECT_FALSE(toolkit.hud.visible());
  ASSERT_TRUE(driver.back().ok);
  ASSERT_TRUE(driver.press("奖励公告").ok);
  settle();
  EXPECT_EQ(lastHud(), "加载出错");
  EXPECT_EQ(lastHudDuration(), 1.0);
  EXPECT_EQ(topTitle(), "奖励公告") << "the screen stays";
  advance(1.0);
  EXPECT_FALSE(toolkit.hud.visible());
}

TEST(ReadableText, HostilePagesReadSafely) {
  // An external entity in a page must not be fetched or expanded.
  auto lines = LinkViewController::readableText(
      "<!DOCTYPE html [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><p>&x;a</p><p>b<br>c</p>");
  for (const auto& line : lines) EXPECT_EQ(line.find("root:"), std::string::npos);
  EXPECT_EQ(lines.back(), "c");
  EXPECT_TRUE(LinkViewController::readableText("").empty());
  auto latin = LinkViewController::readableText(
      "<html><head><meta charset=\"iso-8859-1\"></head><body><p>caf\xe9</p></body></html>",
      nullptr);
  ASSERT_EQ(latin.size(), 1u);
  EXPECT_EQ(latin[0], "caf\xc3\xa9") << "the page's own charset when the reply names none";
}

}  // namespace
}  // namespace vokari::testing
