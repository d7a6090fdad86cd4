#include <gtest/gtest.h>

#include "ui/Driver.h"
#include "ui/Ui.h"

namespace vokari::ui {
namespace {

// A screen that logs its lifecycle and offers one of each widget.
class Probe : public Screen {
 public:
  Probe(std::string name, std::vector<std::string>& log) : Screen(name), log_(log) {
    phone.placeholder = "请输入手机号";
    password.placeholder = "请输入密码";
    password.secure = true;
    next.title = "下一步";
    next.onPress = [this] { log_.push_back(title + ":next"); };
    box.title = "满意";
    box.onPress = [this] { box.checked = !box.checked; };
    table.sections = {
        {"  个人信息", {{"手机号", "13800000000"}, {"姓名", "张三", false, false, true}}}};
    table.onSelect = [this](int s, int r) {
      log_.push_back(title + ":row" + std::to_string(s) + std::to_string(r));
    };
    table.onEditRow = [this](int s, int r, const std::string& text) {
      table.sections[s].rows[r].detail = text;
    };
    add(phone);
    add(password);
    add(next);
    add(box);
    add(table);
  }
  void viewDidLoad() override { log_.push_back(title + ":load"); }
  void viewWillAppear() override { log_.push_back(title + ":appear"); }
  void viewWillDisappear() override { log_.push_back(title + ":disappear"); }
  ~Probe() override { log_.push_back(title + ":gone"); }

  TextField phone, password;
  Button next;
  CheckBox box;
  Table table;

 private:
  std::vector<std::string>& log_;
};

struct Fixture : ::testing::Test {
  std::vector<std::string> log;  // outlives the screens, which log their end
  ManualRunLoop loop;
  Screens screens;
  Toolkit toolkit{loop, screens};
  Driver driver{toolkit.ui};
  std::shared_ptr<Probe> make(const std::string& name) {
    return std::make_shared<Probe>(name, log);
  }
};

TEST_F(Fixture, NavigationCallsLifecycleHooksInOrderAndReleasesPoppedScreensLater) {
  auto a = make("A");
  toolkit.navigator.setRoot(a);
  a->push(make("B"));
  Screen* b = toolkit.navigator.top();
  b->present(make("C"));
  EXPECT_EQ(toolkit.navigator.stackCount(), 2u);
  toolkit.navigator.top()->dismiss();
  b->pop();
  EXPECT_EQ(log, (std::vector<std::string>{"A:load", "A:appear", "A:disappear", "B:load",
                                           "B:appear", "B:disappear", "C:load", "C:appear",
                                           "C:disappear", "B:appear", "B:disappear", "A:appear"}));
  log.clear();
  loop.runUntilIdle();  // popped screens go once the current task is over
  EXPECT_EQ(log, (std::vector<std::string>{"C:gone", "B:gone"}));
  EXPECT_EQ(toolkit.navigator.top(), a.get());
}

TEST_F(Fixture, DriverActsByVisibleTextAndDescribesTheScreen) {
  auto a = make("注册");
  toolkit.navigator.setRoot(a);
  EXPECT_TRUE(driver.type("请输入手机号", "13800000000").ok);
  EXPECT_TRUE(driver.type("#2", "secret").ok);
  EXPECT_TRUE(driver.type("姓名", "李四").ok);
  EXPECT_TRUE(driver.press("下一步").ok);
  EXPECT_TRUE(driver.press("满意").ok);
  EXPECT_TRUE(driver.press("手机号").ok);
  EXPECT_FALSE(driver.press("不存在").ok);
  EXPECT_EQ(a->phone.text, "13800000000");
  EXPECT_EQ(a->password.text, "secret");
  EXPECT_EQ(log.back(), "注册:row00");
  auto lines = driver.screenLines();
  EXPECT_EQ(lines, (std::vector<std::string>{"== 注册 ==", "[13800000000]", "[••••••]", "<下一步>",
                                             "[x] 满意", "#   个人信息", "  手机号  13800000000",
                                             "  姓名  李四"}));
  a->next.enabled = false;
  EXPECT_FALSE(driver.press("下一步").ok);
}

TEST_F(Fixture, AlertsAreModalAndTheirCallbacksRunAfterClosing) {
  auto a = make("A");
  toolkit.navigator.setRoot(a);
  int pressed = -1;
  toolkit.alerts.show({"警告", "没有设置手机号码！", {"取消"}}, [&](int b) {
    pressed = b;
    EXPECT_EQ(toolkit.alerts.top(), nullptr);
  });
  EXPECT_TRUE(driver.shows("没有设置手机号码"));
  EXPECT_FALSE(driver.press("下一步").ok);
  EXPECT_FALSE(driver.alert("好").ok);
  EXPECT_TRUE(driver.alert("取消").ok);
  EXPECT_EQ(pressed, 0);
  AlertId id = toolkit.alerts.show({"", "网络不给力", {"好"}});
  toolkit.alerts.dismiss(id);
  toolkit.alerts.dismiss(id);  // twice is harmless
  EXPECT_EQ(toolkit.alerts.openCount(), 0u);
}

// What the return and escape keys press: a named role, a lone harmless button, never a
// destructive one.
TEST(AlertRoles, ReturnAndEscapeNeverPressADestructiveButton) {
  struct Case {
    std::vector<std::string> buttons;
    int destructive, cancelNamed, preferredNamed;  // the roles a screen names
    int preferred, cancel;                         // what the keys press
  };
  const Case cases[] = {
      {{"好"}, -1, -1, -1, 0, 0},
      {{"退出登陆"}, 0, -1, -1, -1, -1},
      {{"否", "是"}, -1, -1, -1, -1, -1},
      {{"否", "是"}, 1, 0, -1, -1, 0},
      {{"退出登陆", "取消"}, 0, 1, 0, -1, 1},
      {{"男", "女", "取消"}, -1, 2, 1, 1, 2},
      {{"好"}, -1, 3, -1, 0, -1},
  };
  for (const Case& c : cases) {
    AlertModel alert;
    alert.buttons = c.buttons;
    alert.destructiveIndex = c.destructive;
    alert.cancelIndex = c.cancelNamed;
    alert.preferredIndex = c.preferredNamed;
    EXPECT_EQ(alert.preferred(), c.preferred) << c.buttons[0];
    EXPECT_EQ(alert.cancel(), c.cancel) << c.buttons[0];
  }
}

TEST_F(Fixture, NoticesDisappearAfterTheirDurationAndBlockingBusyRefusesInput) {
  toolkit.navigator.setRoot(make("A"));
  toolkit.hud.showBusy("正在发送", true);
  EXPECT_FALSE(driver.press("下一步").ok);
  loop.advance(2);
  toolkit.hud.showError("发送失败", 1.0);
  EXPECT_TRUE(driver.press("下一步").ok);
  loop.advance(0.99);
  EXPECT_TRUE(toolkit.hud.visible());
  loop.advance(0.01);
  EXPECT_FALSE(toolkit.hud.visible());
  ASSERT_EQ(toolkit.hud.history().size(), 2u);
  EXPECT_EQ(toolkit.hud.history()[0].hiddenAt, 2.0);
  EXPECT_EQ(toolkit.hud.history()[1].text, "发送失败");
  EXPECT_EQ(toolkit.hud.history()[1].hiddenAt, 3.0);
}

TEST_F(Fixture, BackControlFollowsTheStackAndCanBeDisabledOrReplaced) {
  auto root = make("A");
  toolkit.navigator.setRoot(root);
  EXPECT_FALSE(driver.back().ok);  // the root of the root stack has no back control
  root->push(make("B"));
  auto* b = toolkit.navigator.top();
  b->backEnabled = false;
  EXPECT_FALSE(driver.back().ok);
  EXPECT_EQ(driver.screenLines()[0], "<返回> (disabled) == B ==");
  b->backEnabled = true;
  EXPECT_TRUE(driver.back().ok);
  EXPECT_EQ(toolkit.navigator.top(), root.get());
  auto presented = make("C");
  presented->backOnRoot = true;
  root->present(presented);
  EXPECT_TRUE(driver.back().ok);  // closes the presented stack
  EXPECT_EQ(toolkit.navigator.stackCount(), 1u);
}

TEST_F(Fixture, ReplacingTheRootReleasesEveryOtherScreenAfterTheCurrentTask) {
  auto a = make("A");
  toolkit.navigator.setRoot(a);
  a->push(make("B"));
  a->present(make("C"));
  auto d = make("D");
  toolkit.navigator.setRoot(d);
  EXPECT_EQ(toolkit.navigator.stackCount(), 1u);
  EXPECT_EQ(toolkit.navigator.top(), d.get());
  log.clear();
  loop.runUntilIdle();
  EXPECT_EQ(log, (std::vector<std::string>{"B:gone", "C:gone"}));  // A is still held here
  EXPECT_EQ(a->navigator(), nullptr);
}

TEST_F(Fixture, PickersChooseByRowTextAndRefuseUnknownRows) {
  struct WithPicker : Screen {
    WithPicker() : Screen("日期") {
      picker.columns = {{"2026-12-09", "2026-12-10"}, {"1", "2"}};
      picker.selected = {0, 0};
      picker.onPick = [this](int c, int r) { picks.push_back({c, r}); };
      add(picker);
    }
    Picker picker;
    std::vector<std::pair<int, int>> picks;
  };
  auto screen = std::make_shared<WithPicker>();
  toolkit.navigator.setRoot(screen);
  EXPECT_TRUE(driver.pick(1, "2026-12-10").ok);
  EXPECT_TRUE(driver.pick(2, "2").ok);
  EXPECT_FALSE(driver.pick(2, "3").ok);
  EXPECT_FALSE(driver.pick(3, "1").ok);
  EXPECT_EQ(screen->picks, (std::vector<std::pair<int, int>>{{0, 1}, {1, 1}}));
  EXPECT_EQ(driver.screenLines()[1], "picker 1: 2026-12-09 (2026-12-10)");
}

}  // namespace
}  // namespace vokari::ui
