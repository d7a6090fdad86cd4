#include <gtest/gtest.h>

#include <cctype>

#include "alarm/DirectoryData.h"
#include "alarm/EKeyServiceViewController.h"
#include "support/TestPlatform.h"
#include "ui/Driver.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

using Names = std::vector<std::string>;

bool onlyDigits(std::string_view s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}
bool onlyLower(std::string_view s) {
  return !s.empty() && s.find_first_not_of("abcdefghijklmnopqrstuvwxyz") == std::string_view::npos;
}

// Typos in the fixed table are the likeliest fault: a dash in a number breaks the keyword's
// shape, an upper-case or toned letter makes the entry unfindable.
TEST(DirectoryData, SeventySixWellFormedEntriesInFourTabs) {
  auto tabs = directoryTabs();
  ASSERT_EQ(tabs.size(), 4u);
  Names titles;
  std::vector<std::size_t> sizes;
  for (const auto& tab : tabs) {
    titles.emplace_back(tab.title);
    sizes.push_back(tab.entries.size());
    for (const auto& e : tab.entries) {
      EXPECT_TRUE(onlyDigits(e.number)) << e.name;
      EXPECT_TRUE(onlyLower(e.pinyin)) << e.name;
      EXPECT_TRUE(onlyLower(e.initials)) << e.name;
      EXPECT_EQ(e.initials.front(), e.pinyin.front()) << e.name;
      EXPECT_LT(e.initials.size(), e.pinyin.size()) << e.name;
      EXPECT_EQ(keywordOf(e), std::string(e.name) + "-" + std::string(e.number) + "-" +
                                  std::string(e.pinyin) + "-" + std::string(e.initials));
    }
  }
  EXPECT_EQ(titles, (Names{"公安部门", "交警", "联动部门", "公共服务"}));
  EXPECT_EQ(sizes, (std::vector<std::size_t>{16, 19, 32, 9}));
  // The carriers' and directory numbers of the public tab carry the city's area code.
  const auto& pub = tabs[3].entries;
  EXPECT_EQ(pub[0].number, std::string(kLanzoAreaCode) + "114");
  EXPECT_EQ(pub[2].number, std::string(kLanzoAreaCode) + "10086");
  EXPECT_EQ(keywordOf(tabs[2].entries[0]), "政府热线-12345-zhengfurexian-zfrx");
}

struct EKeyServiceTest : ::testing::Test {
  testing::TestPlatform platform;
  ui::Screens screens;
  ui::Toolkit toolkit{platform.loop, screens};
  ui::Driver driver{toolkit.ui};
  std::shared_ptr<EKeyServiceViewController> screen = std::make_shared<EKeyServiceViewController>();

  void SetUp() override { toolkit.navigator.setRoot(screen); }

  // What the screen shows now.
  ui::TableModel table() const {
    for (const auto& e : screen->model().elements) {
      if (auto* t = std::get_if<ui::TableModel>(&e)) return *t;
    }
    return {};
  }
  Names shownNames() const {
    Names names;
    for (const auto& section : table().sections) {
      for (const auto& row : section.rows) names.push_back(row.text);
    }
    return names;
  }
  Names checkedTabs() const {
    Names names;
    for (const auto& e : screen->model().elements) {
      if (auto* c = std::get_if<ui::CheckBoxModel>(&e); c && c->checked) names.push_back(c->title);
    }
    return names;
  }
  Names tabNames(int tab) const {
    Names names;
    for (const auto& e : directoryTabs()[tab - 1].entries) names.emplace_back(e.name);
    return names;
  }
  void search(const std::string& text) { ASSERT_TRUE(driver.type("请输入关键字", text).ok); }
};

TEST_F(EKeyServiceTest, TabsShowTheirOwnEntriesAndMarkOnlyTheSelectedButton) {
  EXPECT_EQ(screen->title, "一键服务");
  EXPECT_EQ(screen->currentTap, 1);
  EXPECT_EQ(checkedTabs(), Names{"公安部门"});
  EXPECT_EQ(shownNames(), tabNames(1));
  EXPECT_EQ(table().sections[0].rows[0].detail, "019986510114");

  ASSERT_TRUE(driver.press("联动部门").ok);
  EXPECT_EQ(screen->currentTap, 3);
  EXPECT_EQ(checkedTabs(), Names{"联动部门"});
  EXPECT_EQ(shownNames(), tabNames(3));
  screen->selectTab(1002);
  EXPECT_EQ(screen->currentTap, 2);
  EXPECT_EQ(shownNames().size(), 19u);
  screen->selectTab(1005);  // no such button
  EXPECT_EQ(screen->currentTap, 2);
}

TEST_F(EKeyServiceTest, KeywordSearchRunsAcrossAllTabsInOrderIgnoringCase) {
  ASSERT_TRUE(driver.press("公共服务").ok);
  search("rexian");
  EXPECT_TRUE(screen->searching());
  EXPECT_EQ(shownNames(), (Names{"防诈骗热线", "政府热线", "法律咨询热线"}));

  search("12345");
  EXPECT_EQ(shownNames(), (Names{"政府热线", "药品监督", "卫生和人口计划生育", "腾讯客服"}));

  // Every traffic-police entry reads "jiaojing" (initials jj); nothing else does.
  Names traffic;
  for (const auto& name : tabNames(2)) {
    if (name.ends_with("交警")) traffic.push_back(name);
  }
  ASSERT_EQ(traffic.size(), 17u);
  search("jj");
  EXPECT_EQ(shownNames(), traffic);
  search("JJ");
  EXPECT_EQ(shownNames(), traffic);

  // Names, numbers and full pinyin are searched as well as initials.
  search("Arveno");
  EXPECT_EQ(shownNames(), (Names{"Arveno区交警", "Arveno区三防"}));
  search("劳动");
  EXPECT_EQ(shownNames(), Names{"劳动和社会保障"});
  search("falv");
  EXPECT_EQ(shownNames(), Names{"法律咨询热线"});
  search("dizhen");
  EXPECT_EQ(shownNames(), Names{"地震局"});
}

TEST_F(EKeyServiceTest, BlankSearchShowsNothingAndClearingOrEndingShowsTheTabAgain) {
  ASSERT_TRUE(driver.press("交警").ok);
  search("   ");
  EXPECT_TRUE(screen->searching());
  EXPECT_TRUE(shownNames().empty());
  search("");
  EXPECT_FALSE(screen->searching());
  EXPECT_EQ(shownNames(), tabNames(2));

  search("rexian");
  ASSERT_TRUE(driver.cancel("请输入关键字").ok);
  EXPECT_FALSE(screen->searching());
  EXPECT_EQ(shownNames(), tabNames(2));
  EXPECT_TRUE(driver.shows("[请输入关键字]"));  // cancelling also clears the field

  search("rexian");
  ASSERT_TRUE(driver.endEditing("请输入关键字").ok);
  EXPECT_FALSE(screen->searching());
  EXPECT_EQ(shownNames(), tabNames(2));

  search("rexian");
  ASSERT_TRUE(driver.press("公共服务").ok);  // a tab asks for that tab's list
  EXPECT_EQ(shownNames(), tabNames(4));
}

TEST_F(EKeyServiceTest, SelectingARowAsksToDialItsNumber) {
  ASSERT_TRUE(driver.press("公安局查号台").ok);
  search("12345");
  ASSERT_TRUE(driver.press("腾讯客服").ok);
  ASSERT_TRUE(driver.press("公共服务").ok);
  ASSERT_TRUE(driver.press("中国移动").ok);
  EXPECT_EQ(platform.urlOpener.opened,
            (Names{"telprompt://019986510114", "telprompt://4008812345", "telprompt://019910086"}));
}

}  // namespace
}  // namespace vokari
