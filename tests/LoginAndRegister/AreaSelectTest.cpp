#include "LoginAndRegister/AreaSelectViewController.h"

#include <gtest/gtest.h>

#include "storage/AccountManager.h"
#include "support/ScreenTest.h"

namespace vokari {
namespace {

struct AreaSelectTest : testing::ScreenTest {
  void open(const std::string& areas) {
    ASSERT_TRUE(AccountManager::sharedAccountManage().signIn(
        "13800000001", {{"phone_number", "13800000001"}, {"newsbookarea", areas}}));
    auto root = std::make_shared<testing::StandIn>("settings");
    toolkit.navigator.setRoot(root);
    root->push(std::make_shared<AreaSelectViewController>());
  }
  std::vector<std::string> ticked() {
    std::vector<std::string> names;
    auto* picker = dynamic_cast<AreaSelectViewController*>(toolkit.navigator.top());
    for (const auto& row : picker->table.sections[0].rows) {
      if (row.checked) names.push_back(row.text);
    }
    return names;
  }
  std::string stored() {
    auto value = AccountManager::sharedAccountManage().getUserItemForKey("newsbookarea");
    return value ? textOf(*value).value_or("") : "";
  }
};

TEST_F(AreaSelectTest, AddedAreaIsStoredAfterTheEarlierOnesOnBack) {
  open("3,2");
  EXPECT_EQ(ticked(), (std::vector<std::string>{"Arveno区", "Belquor区"}));
  ASSERT_TRUE(driver.press("Dovask区").ok);
  ASSERT_TRUE(driver.back().ok);
  EXPECT_EQ(stored(), "3,2,5");
  EXPECT_EQ(topTitle(), "settings");
}

TEST_F(AreaSelectTest, TheLastAreaCannotBeRemoved) {
  open("2,3");
  ASSERT_TRUE(driver.press("Arveno区").ok);
  ASSERT_TRUE(driver.press("Belquor区").ok);
  EXPECT_EQ(alertMessage(), "至少要订阅一个区域");
  ASSERT_TRUE(driver.alert("好").ok);
  EXPECT_EQ(ticked(), (std::vector<std::string>{"Belquor区"}));
  ASSERT_TRUE(driver.back().ok);
  EXPECT_EQ(stored(), "3");
}

}  // namespace
}  // namespace vokari
