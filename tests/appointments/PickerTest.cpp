// The station and business-type pickers.

#include "AppointmentFixture.h"
#include "appointments/PointAndBusiSelectViewController.h"
#include "appointments/PointSelectViewController.h"

namespace vokari::testing {
namespace {

class PickerTest : public AppointmentTest {
 protected:
  void SetUp() override { signIn(); }

  std::shared_ptr<PointSelectViewController> openStations() {
    return open<PointSelectViewController>([this](const json& s) { picked.push_back(s); });
  }
  std::shared_ptr<PointAndBusiSelectViewController> openTypes() {
    return open<PointAndBusiSelectViewController>(json("AV01"),
                                                  [this](const json& b) { picked.push_back(b); });
  }
  static std::vector<std::string> headings(const ui::Table& table) {
    std::vector<std::string> out;
    for (const auto& s : table.sections) out.push_back(s.heading);
    return out;
  }
  static std::vector<std::string> rows(const ui::Table& table) {
    std::vector<std::string> out;
    for (const auto& s : table.sections)
      for (const auto& r : s.rows) out.push_back(r.text);
    return out;
  }

  std::vector<json> picked;
};

TEST_F(PickerTest, StationsShowTheirGroupsAndAMissingListLeavesItsGroupEmptyAndUnheaded) {
  auto picker = openStations();
  EXPECT_EQ(hudText(), "正在获取受理点...");
  EXPECT_EQ(lastBody("findStation")["TIME"], "2000-03-01 10:03:44");
  reply("findStation", stations().dump());  // no JV_LIST, and most other groups missing
  EXPECT_EQ(hudKind(), ui::HudKind::Hidden);
  ASSERT_EQ(picker->table.sections.size(), 10u);
  EXPECT_EQ(headings(picker->table), (std::vector<std::string>{"Arveno分局", "", "Cindral分局", "",
                                                               "", "", "", "", "Istrel分局", ""}));
  EXPECT_TRUE(picker->table.sections[9].rows.empty());
  EXPECT_EQ(rows(picker->table),
            (std::vector<std::string>{"Arveno区城关派出所", "Arveno区新华派出所",
                                      "Cindral区东湖派出所", "Istrel区新华派出所"}));
}

TEST_F(PickerTest, SearchKeepsGroupOrderAndOnlyTheHeadingsOfGroupsWithMatches) {
  auto picker = openStations();
  reply("findStation", stations().dump());
  ASSERT_TRUE(driver.type("请输入关键字", "新华").ok);
  EXPECT_EQ(headings(picker->table),
            (std::vector<std::string>{"Arveno分局", "", "", "", "", "", "", "", "Istrel分局", ""}));
  EXPECT_EQ(rows(picker->table),
            (std::vector<std::string>{"Arveno区新华派出所", "Istrel区新华派出所"}));
  ASSERT_TRUE(driver.type("请输入关键字", "cindral").ok);  // case ignored
  EXPECT_EQ(rows(picker->table), (std::vector<std::string>{"Cindral区东湖派出所"}));
  ASSERT_TRUE(driver.type("请输入关键字", "nowhere").ok);
  EXPECT_TRUE(rows(picker->table).empty());
  EXPECT_EQ(headings(picker->table), std::vector<std::string>(10, ""));
  for (const char* blank : {"", "   "}) {
    ASSERT_TRUE(driver.type("请输入关键字", blank).ok);
    EXPECT_EQ(rows(picker->table).size(), 4u) << "[" << blank << "]";
  }
  ASSERT_TRUE(driver.type("请输入关键字", "东湖").ok);
  ASSERT_TRUE(driver.cancel("请输入关键字").ok);
  EXPECT_EQ(rows(picker->table).size(), 4u);
}

TEST_F(PickerTest, AFailedStationQueryStillShowsThePickerAndPickingReturnsTheStation) {
  auto picker = openStations();
  reply("findStation", R"({"STATES":"0","AV_LIST":[{"schedule_type":"x"}]})");
  EXPECT_EQ(hudText(), "获取受理点失败");
  EXPECT_EQ(topTitle(), "受理点选择");
  EXPECT_TRUE(rows(picker->table).empty());

  auto again = openStations();
  reply("findStation", stations().dump());
  ASSERT_TRUE(driver.press("Cindral区东湖派出所").ok);
  ASSERT_EQ(picked.size(), 1u);
  EXPECT_EQ(picked[0]["schedule_type_id"], "CD01");
  EXPECT_EQ(topTitle(), "MAIN");
}

TEST_F(PickerTest, BusinessTypesAreOrderedByPinyinAndSearchSortsTheMatchesAgain) {
  auto picker = openTypes();
  EXPECT_EQ(hudText(), "正在获取业务类型...");
  EXPECT_EQ(lastBody("findType"), (json{{"STATION", "AV01"},
                                        {"TIME", "2014-03-01 10:03:44"},
                                        {"LOGIN_NAME", kPhone},
                                        {"PASSWORD", "secret1"}}));
  reply("findType", types().dump());
  // CSDJ, HKQC, HKQR, SFZSL: equal first letters keep comparing letter by letter.
  EXPECT_EQ(rows(picker->table),
            (std::vector<std::string>{"出生登记", "户口迁出", "户口迁入", "身份证申领"}));
  ASSERT_TRUE(driver.type("请输入关键字", "户口").ok);
  EXPECT_EQ(rows(picker->table), (std::vector<std::string>{"户口迁出", "户口迁入"}));
  ASSERT_TRUE(driver.press("户口迁入").ok);
  ASSERT_EQ(picked.size(), 1u);
  EXPECT_EQ(picked[0], (json{{"id", "101"}, {"name", "户口迁入"}}));
}

TEST_F(PickerTest, NoBusinessTypesOrAFailureLeaveTheListEmpty) {
  auto picker = openTypes();
  reply("findType", R"({"STATES":"1","USER_LIST":[]})");
  EXPECT_EQ(hudText(), "没有业务类型");
  EXPECT_TRUE(rows(picker->table).empty());
  auto failed = openTypes();
  reply("findType", R"({"STATES":"3","USER_LIST":[{"id":"1","name":"x"}]})");
  EXPECT_EQ(hudText(), "获取业务类型失败");
  EXPECT_TRUE(rows(failed->table).empty());
}

TEST_F(PickerTest, SortKeysOfEntriesWithEqualKeysKeepTheReceivedOrder) {
  auto entries = PointAndBusiSelectViewController::sortedEntries(
      {{{"name", "户口"}}, {{"name", "B2"}}, {{"name", "华开"}}, {{"name", ""}}});
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].pinYin, "");
  EXPECT_EQ(entries[1].pinYin, "B2");
  EXPECT_EQ(entries[2].text, "户口");
  EXPECT_EQ(entries[3].text, "华开");
  EXPECT_EQ(entries[3].index, 2u);
}

}  // namespace
}  // namespace vokari::testing
