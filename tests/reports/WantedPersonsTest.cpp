// The wanted-person list: the data file cases, the rows, the detail panel and its animation.

#include <fstream>

#include "core/JsonText.h"
#include "reports/NamesViewController.h"
#include "reports/WantedPersonsCell.h"
#include "reports/wantedPersonPrase.h"
#include "support/ScreenTest.h"

namespace vokari::testing {
namespace {

struct WantedPersons : ScreenTest {
  TempDir dir;
  std::string path = dir.path() + "/names.json";
  wantedPersonPrase& reader = wantedPersonPrase::sharedwantedPersonPraseManager();
  std::string shipped = reader.path;

  void SetUp() override { reader.path = path; }
  void TearDown() override { reader.path = shipped; }
  void write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  NamesViewController& open() {
    toolkit.navigator.setRoot(std::make_shared<NamesViewController>());
    settle();
    return dynamic_cast<NamesViewController&>(*toolkit.navigator.top());
  }
};

const char* const kTwo = R"({"wantedPersonArray":[
  {"wantedPerson":{"name":"司徒\\U3000空\\U3000","gender":"男","idcard":"990101199001011230",
                   "area":"Lanzo市","adress":"Lanzo市虚构路1号","type":"盗窃"}},
  {"wantedPerson":{"name":"\u3000云中鹤","idcard":"990101199001011249","area":"A",
                   "adress":"B","type":"诈骗"}}]})";

TEST_F(WantedPersons, TheFileIsReadAnewAndAnythingUnreadableIsAnEmptyList) {
  EXPECT_TRUE(reader.prase().empty()) << "missing file";
  for (const char* text : {"", "not json", "[1,2]", "{\"wantedPersonArray\":{}}", "{\"other\":[]}",
                           "{\"wantedPersonArray\":[1,"}) {
    write(text);
    EXPECT_TRUE(reader.prase().is_array()) << text;
    EXPECT_TRUE(reader.prase().empty()) << text;
  }
  write(kTwo);
  EXPECT_EQ(reader.prase().size(), 2u);
  write(R"({"wantedPersonArray":[{"wantedPerson":{"name":"甲"}}]})");
  EXPECT_EQ(reader.prase().size(), 1u) << "nothing cached";
}

TEST_F(WantedPersons, RowsShowNameIdAndTypeWithTheMarkupRemoved) {
  write(kTwo);
  NamesViewController& list = open();
  EXPECT_EQ(list.title, "悬赏名单");
  EXPECT_EQ(list.header.text, "姓名 | 身份证 | 案件类别");
  ASSERT_EQ(list.table.sections.size(), 1u);
  const auto& rows = list.table.sections[0].rows;
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].text, "司徒空 | 990101199001011230 | 盗窃");
  EXPECT_EQ(rows[1].text, "\u3000云中鹤 | 990101199001011249 | 诈骗")
      << "the list removes only the markup";
  EXPECT_TRUE(list.overlayView.hidden && list.detailTitle.hidden && list.detailTable.hidden);
}

TEST_F(WantedPersons, TheDetailPanelGrowsInShowsSixRowsAndLeavesOnATouchOfTheLayer) {
  write(kTwo);
  NamesViewController& list = open();
  list.table.onSelect(0, 1);
  const WantedPersonDetailView& detail = list.detail();
  EXPECT_EQ(detail.phase(), WantedPersonDetailView::Phase::Appearing);
  EXPECT_DOUBLE_EQ(detail.scale(), 0.1);
  EXPECT_EQ(list.detailTitle.text, "在逃云中鹤资料");
  EXPECT_EQ(detail.dataArray,
            (std::vector<std::string>{"姓名: 云中鹤", "性别: ", "身份证号: 990101199001011249",
                                      "户籍地区划: A", "户籍地详址: B", "案件类别: 诈骗"}));
  EXPECT_FALSE(list.overlayView.hidden);
  list.table.onSelect(0, 0);
  EXPECT_EQ(list.detailTitle.text, "在逃云中鹤资料") << "the layer covers the list";
  advance(0.2);
  EXPECT_NEAR(detail.scale(), 0.55, 1e-9);
  advance(0.19);
  EXPECT_EQ(detail.phase(), WantedPersonDetailView::Phase::Appearing);
  advance(0.01);
  EXPECT_EQ(detail.phase(), WantedPersonDetailView::Phase::Shown);
  ASSERT_TRUE(driver.press("关闭").ok);
  EXPECT_EQ(detail.phase(), WantedPersonDetailView::Phase::Disappearing);
  advance(0.4);
  EXPECT_EQ(detail.phase(), WantedPersonDetailView::Phase::Hidden);
  EXPECT_TRUE(list.overlayView.hidden);
  ASSERT_TRUE(driver.press("司徒空").ok) << "a row, by the start of its text";
  EXPECT_EQ(list.detailTitle.text, "在逃司徒空资料");
  EXPECT_EQ(detail.dataArray[1], "性别: 男");
}

TEST_F(WantedPersons, TheShippedListIsFictionalAndCoversTheSpecialCases) {
  reader.path = shipped;
  auto persons = reader.prase();
  ASSERT_GE(persons.size(), 15u);
  int withMarkup = 0, withoutGender = 0;
  for (const auto& element : persons) {
    const auto& person = element.at("wantedPerson");
    withMarkup += textMember(person, "name").find("\\U3000") != std::string::npos;
    withoutGender += !person.contains("gender");
    // The identity numbers must fail the real check digit, so none can be a real person's.
    std::string id = textMember(person, "idcard");
    ASSERT_EQ(id.size(), 18u);
    static const int weights[] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
    int sum = 0;
    for (int i = 0; i < 17; ++i) sum += (id[static_cast<std::size_t>(i)] - '0') * weights[i];
    EXPECT_NE(id[17], "10X98765432"[sum % 11]) << id;
    for (const char* key : {"name", "idcard", "area", "adress", "type"}) {
      EXPECT_FALSE(textMember(person, key).empty()) << key;
    }
  }
  EXPECT_EQ(withMarkup, 1);
  EXPECT_EQ(withoutGender, 1);
}

}  // namespace
}  // namespace vokari::testing
