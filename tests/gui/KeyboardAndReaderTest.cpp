// The graphical client without a mouse and without sight: what a screen reader meets on each
// screen (through Qt's accessibility interfaces, switched on inside the process), and a road
// taken with the keyboard alone.

#include <QAccessible>
#include <QTest>

#include "GuiRoad.h"

namespace vokari::gui {
namespace {

bool shownOnScreen(QQuickItem* item) {
  for (QQuickItem* at = item; at; at = at->parentItem()) {
    if (!at->isVisible() || at->opacity() == 0) return false;
  }
  return true;
}

bool hasHiddenAncestor(QQuickItem* item) {
  for (QQuickItem* at = item; at; at = at->parentItem()) {
    if (!at->isVisible()) return true;
  }
  return false;
}

bool isEditor(QQuickItem* item) {
  return item->inherits("QQuickTextInput") || item->inherits("QQuickTextEdit");
}

bool isControl(QQuickItem* item) {
  return isEditor(item) || item->activeFocusOnTab() || item->inherits("QQuickAbstractButton");
}

bool insideControl(QQuickItem* item) {
  for (QQuickItem* at = item; at; at = at->parentItem()) {
    if (isControl(at)) return true;
  }
  return false;
}

// Everything a screen reader can reach from the window.
void reach(QAccessibleInterface* node, QSet<QObject*>& out, int depth = 0) {
  if (!node || depth > 60) return;
  if (QObject* object = node->object()) out.insert(object);
  for (int i = 0; i < node->childCount(); ++i) reach(node->child(i), out, depth + 1);
}

class Accessible : public GuiRoad {
 protected:
  void TearDown() override {
    GuiRoad::TearDown();
    QAccessible::setActive(false);
  }
  // A screen reader arrives once the window is up, as it does on a desktop: every item learns
  // then that it is read, and must keep the role and name it gave itself.
  void readerArrives() {
    QAccessible::setActive(false);
    QAccessible::setActive(true);
    QCoreApplication::processEvents();
  }
  // The role and name a reader is told for the item.
  std::pair<QAccessible::Role, QString> told(const QString& name) {
    QQuickItem* at = findItem(window(), name);
    QAccessibleInterface* node = at ? QAccessible::queryAccessibleInterface(at) : nullptr;
    if (!node) return {QAccessible::NoRole, ""};
    return {node->role(), node->text(QAccessible::Name)};
  }

  // Every control shown (a button of any look, an input, a picker's wheel) is reached from the
  // window, has a role and a name, and takes the focus; nothing else takes clicks; no editor is
  // made and hidden. Answers what is wrong, one line each.
  std::string faults() {
    QQuickTest::qWaitForPolish(&window(), 2000);
    QCoreApplication::processEvents();
    QSet<QObject*> reached;
    reach(QAccessible::queryAccessibleInterface(&window()), reached);
    QStringList found;
    for (QQuickItem* item : allItems(window())) {
      const QString name = item->objectName();
      if (isEditor(item) && hasHiddenAncestor(item)) found << "hidden editor " + name;
      if (!shownOnScreen(item)) continue;
      if (item->inherits("QQuickMouseArea") && item->isEnabled() && name != "shield" &&
          !insideControl(item)) {
        found << "a click area that is no control, in " + item->parentItem()->objectName();
      }
      if (!isControl(item) || !item->isEnabled()) continue;
      QAccessibleInterface* node = QAccessible::queryAccessibleInterface(item);
      QString what = QString(item->metaObject()->className()) + " " + name;
      if (!node || !reached.contains(item)) {
        found << "unreachable " + what;
        continue;
      }
      if (node->role() == QAccessible::NoRole || node->role() == QAccessible::Client) {
        found << "no role for " + what;
      }
      // A secure input has no name for a reader (Qt's rule); its description says what it is.
      const bool secure = node->state().passwordEdit;
      if (node->text(secure ? QAccessible::Description : QAccessible::Name).trimmed().isEmpty()) {
        found << "no name for " + what;
      }
      if (!node->state().focusable) found << "not focusable: " + what;
    }
    return found.join("\n").toStdString();
  }

  QQuickItem* focused() { return window().activeFocusItem(); }
  QString focusedName() {
    QQuickItem* at = focused();
    while (at && at->objectName().isEmpty()) at = at->parentItem();
    return at ? at->objectName() : QString();
  }
  void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(&window(), k, mods);
    QCoreApplication::processEvents();
  }
  // Tab until the control with the name has the focus; false after a round without it.
  bool tabTo(const QString& name, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    for (int i = 0; i < 40; ++i) {
      if (focusedName() == name) return true;
      key(Qt::Key_Tab, mods);
    }
    return focusedName() == name;
  }
  void typeKeys(const char* text) {
    for (const char* c = text; *c; ++c) QTest::keyClick(&window(), *c);
    QCoreApplication::processEvents();
  }
  bool focusIn(const QString& input) {
    QQuickItem* field = findInput(window(), input);
    return field && focused() && field->isAncestorOf(focused());
  }
};

TEST_F(Accessible, EveryScreenTellsAReaderEachControl) {
  startSignedIn();
  readerArrives();
  EXPECT_EQ(faults(), "") << "main screen";
  ASSERT_TRUE(open("tile:警讯播报", "警讯播报"));
  ASSERT_TRUE(appears("storyControl0", 15));
  EXPECT_EQ(faults(), "") << "news";
  ASSERT_TRUE(open("navBack", "LanzoVokari"));

  ASSERT_TRUE(open("tile:有奖举报", "有奖举报"));
  ASSERT_TRUE(open("row:举报", "举报"));
  EXPECT_EQ(faults(), "") << "report form";
  press("button:+");
  ASSERT_TRUE(appears("alertButton:取消"));
  EXPECT_EQ(faults(), "") << "the attachment sheet";
  key(Qt::Key_Escape);
  EXPECT_FALSE(appears("alertButton:取消", 0.2)) << "Escape is the sheet's 取消";
  ASSERT_TRUE(open("navBack", "有奖举报"));
  ASSERT_TRUE(open("navBack", "LanzoVokari"));

  ASSERT_TRUE(open("tile:户政服务", "户政业务"));
  ASSERT_TRUE(open("button:我要预约", "户政业务"));
  EXPECT_EQ(faults(), "") << "booking form";
  ASSERT_TRUE(pressRow("受理点:"));
  ASSERT_TRUE(titled("受理点选择"));
  ASSERT_TRUE(open("row:Cindral区望湖派出所", "户政业务"));
  ASSERT_TRUE(pressRow("业务类型:"));
  ASSERT_TRUE(open("row:户口迁入", "户政业务"));
  ASSERT_TRUE(pressRow("时间段:"));
  ASSERT_TRUE(appears("picker:1", 15));
  EXPECT_EQ(faults(), "") << "slot picker";
  key(Qt::Key_Escape);
  EXPECT_TRUE(waitFor([&] { return !findItem(window(), "picker:1"); }, 2))
      << "Escape is the picker's 取消";

  // Signed out: the login screen, and a notice read out as it appears.
  client_.reset();
  startFresh();
  readerArrives();
  ASSERT_TRUE(titled("登录"));
  EXPECT_EQ(faults(), "") << "login";
  // Each control as what it is, not all as buttons; a secure input says what it is for.
  using Told = std::pair<QAccessible::Role, QString>;
  EXPECT_EQ(told("check:显示密码"), Told(QAccessible::CheckBox, "显示密码"));
  QQuickItem* password = findInput(window(), "请输入密码");
  ASSERT_NE(password, nullptr);
  QAccessibleInterface* secure =
      QAccessible::queryAccessibleInterface(password->property("editor").value<QQuickItem*>());
  ASSERT_NE(secure, nullptr);
  EXPECT_EQ(secure->text(QAccessible::Description), "请输入密码");
  press("button:登录");
  ASSERT_TRUE(shows("请输入以1开头的11位手机号码！", 2));
  QAccessibleInterface* notice = nullptr;
  for (QQuickItem* item : allItems(window())) {
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(item);
    if (node && shownOnScreen(item) && node->role() == QAccessible::AlertMessage) notice = node;
  }
  ASSERT_NE(notice, nullptr) << "the notice is no alert";
  EXPECT_EQ(notice->text(QAccessible::Name), "请输入以1开头的11位手机号码！");
}

TEST_F(Accessible, SignOutInAndReadTheNewsWithTheKeyboardAlone) {
  startSignedIn();
  // The main screen starts with the focus on nothing: a stray Return or Space presses no alarm.
  key(Qt::Key_Return);
  key(Qt::Key_Space);
  EXPECT_FALSE(appears("callPanel", 0.3)) << "a stray key raised the alarm";

  ASSERT_TRUE(tabTo("tile:设置"));
  key(Qt::Key_Return);
  ASSERT_TRUE(titled("设置"));
  ASSERT_TRUE(tabTo("row:个人中心"));
  key(Qt::Key_Space);
  ASSERT_TRUE(titled("个人中心"));

  // The sign-out sheet: the focus starts on 取消, Return never presses 退出登陆.
  ASSERT_TRUE(tabTo("row:退出当前用户"));
  key(Qt::Key_Return);
  ASSERT_TRUE(appears("alertButton:退出登陆"));
  EXPECT_TRUE(waitFor([&] { return focusedName() == "alertButton:取消"; }, 2))
      << focusedName().toStdString();
  ASSERT_TRUE(tabTo("alertButton:退出登陆"));
  key(Qt::Key_Return);
  EXPECT_TRUE(appears("alertButton:退出登陆", 0.3)) << "Return pressed the destructive button";
  ASSERT_TRUE(tabTo("alertButton:取消", Qt::ShiftModifier)) << "Tab goes round the sheet";
  ASSERT_TRUE(tabTo("alertButton:退出登陆"));
  key(Qt::Key_Space);

  // The login screen: the phone input takes the focus a second after it loads, not before.
  ASSERT_TRUE(titled("登录"));
  EXPECT_FALSE(focusIn("请输入手机号"));
  ASSERT_TRUE(waitFor([&] { return focusIn("请输入手机号"); }, 3));
  typeKeys("13800000011");
  key(Qt::Key_Tab);
  ASSERT_TRUE(focusIn("请输入密码"));
  typeKeys("secret11");
  key(Qt::Key_Return);
  ASSERT_TRUE(tabTo("button:登录"));
  key(Qt::Key_Return);
  ASSERT_TRUE(titled("LanzoVokari"));

  // The news, and back with Escape.
  ASSERT_TRUE(tabTo("tile:警讯播报"));
  key(Qt::Key_Enter);
  ASSERT_TRUE(titled("警讯播报"));
  key(Qt::Key_Escape);
  ASSERT_TRUE(titled("LanzoVokari"));
}

}  // namespace
}  // namespace vokari::gui
