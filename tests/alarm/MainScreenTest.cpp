#include "AlarmFixture.h"

namespace vokari::testing {
namespace {

const char* const kDenied =
    "请在\"设置-隐私-定位服务-Vokari\"下开启Vokari定位服务,否则影响辅助定位功能！";

class MainScreenTest : public AlarmTest {
 protected:
  std::vector<std::string> openMessages() const {
    std::vector<std::string> open;
    for (const auto& record : toolkit.alerts.history()) {
      if (!record.closedAt) open.push_back(record.model.message);
    }
    return open;
  }
  std::size_t shown() const { return toolkit.alerts.history().size(); }
  // What the application object does on its way back to the foreground, then on activation.
  void willEnterForeground() {
    main->setIsShowAlert(!main->isShowAlert());
    main->dismissAlerts();
  }
  void didBecomeActive() { main->checkNetAndLocation(); }
};

TEST_F(MainScreenTest, ShowsTheSixEntriesInOrder) {
  showMain();
  EXPECT_EQ(driver.screenLines(),
            (std::vector<std::string>{"== LanzoVokari ==", "<E键报警>", "<警讯播报>", "<一键服务>",
                                      "<有奖举报>", "<户政服务>", "<设置>"}));
}

TEST_F(MainScreenTest, DeniedLocationIsWarnedBeforeTheMissingNetwork) {
  platform.location.setAuthorization(LocationAuthorization::Denied);
  platform.reachability.setReachable(false);
  showMain();  // loading runs the check
  ASSERT_EQ(shown(), 1u);
  const auto& warning = toolkit.alerts.history()[0].model;
  EXPECT_EQ(warning.title, "提示");
  EXPECT_EQ(warning.message, kDenied);
  EXPECT_EQ(warning.buttons, std::vector<std::string>{"好"});
  EXPECT_TRUE(main->isShowAlert());

  EXPECT_FALSE(main->checkNetAndLocation());  // a warning is up: nothing more is shown
  EXPECT_EQ(shown(), 1u);
  EXPECT_TRUE(driver.alert("好").ok);
  EXPECT_TRUE(main->isShowAlert());  // closing it changes nothing else

  platform.location.setAuthorization(LocationAuthorization::Authorized);
  willEnterForeground();
  didBecomeActive();
  ASSERT_EQ(shown(), 2u);
  const auto& net = toolkit.alerts.history()[1].model;
  EXPECT_EQ(net.title, "");
  EXPECT_EQ(net.message, "网络不给力");
  EXPECT_EQ(net.buttons, std::vector<std::string>{"好"});

  platform.reachability.setReachable(true);
  willEnterForeground();  // closes the network warning and lets the next check run
  EXPECT_TRUE(openMessages().empty());
  EXPECT_EQ(toolkit.alerts.history()[1].pressed, 0);  // as if "好" was pressed
  EXPECT_TRUE(main->checkNetAndLocation());
  EXPECT_FALSE(main->isShowAlert());
}

TEST_F(MainScreenTest, ReturningToTheForegroundWithoutAWarningSuppressesTheNextCheck) {
  showMain();
  EXPECT_FALSE(main->isShowAlert());
  platform.reachability.setReachable(false);
  willEnterForeground();
  EXPECT_TRUE(main->isShowAlert());
  didBecomeActive();
  EXPECT_EQ(shown(), 0u);
  willEnterForeground();
  didBecomeActive();
  EXPECT_EQ(openMessages(), std::vector<std::string>{"网络不给力"});
}

TEST_F(MainScreenTest, EveryEntryButHouseholdServicesClearsTheWarningFlag) {
  showMain();
  for (const char* entry : {"警讯播报", "有奖举报", "设置"}) {
    main->setIsShowAlert(true);
    ASSERT_TRUE(driver.press(entry).ok);
    EXPECT_FALSE(main->isShowAlert()) << entry;
    EXPECT_EQ(toolkit.navigator.top(), main.get()) << entry;  // the factory had no screen
  }
  main->setIsShowAlert(true);
  ASSERT_TRUE(driver.press("户政服务").ok);
  EXPECT_TRUE(main->isShowAlert());
  EXPECT_EQ(screens.asked,
            (std::vector<std::string>{"news", "reportPrizes", "settings", "queryReservation"}));

  ASSERT_TRUE(driver.press("一键服务").ok);
  EXPECT_FALSE(main->isShowAlert());
  EXPECT_EQ(toolkit.navigator.top()->title, "一键服务");
  ASSERT_TRUE(driver.back().ok);

  screens.next = std::make_shared<ui::Screen>("news");
  ASSERT_TRUE(driver.press("警讯播报").ok);
  EXPECT_EQ(toolkit.navigator.top()->title, "news");
}

TEST_F(MainScreenTest, TracksThePositionOnlyWhileServicesAreEnabled) {
  platform.location.setServicesEnabled(false);
  showMain();
  platform.location.report(1.5, 2.5);
  EXPECT_EQ(main->latitude, 0);

  platform.location.setServicesEnabled(true);
  main->push(std::make_shared<ui::Screen>("above"));
  main->pop();  // appearing again starts the updates
  EXPECT_EQ(main->latitude, 1.5);
  EXPECT_EQ(main->longitude, 2.5);
  platform.location.report(-3, 4);
  EXPECT_EQ(main->latitude, -3);
  platform.location.fail();
  EXPECT_EQ(main->latitude, 0);
  EXPECT_EQ(main->longitude, 0);
}

}  // namespace
}  // namespace vokari::testing
