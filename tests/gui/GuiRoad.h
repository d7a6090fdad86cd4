#pragma once
// The graphical client started fresh or signed in for a road, with helpers that act on what it
// drew as a person would: clicks and typed keys on the items QML made, never calls into the core.
// With VOKARI_SCREENSHOT_DIR set (make screenshots) each screen a road checks is saved as a PNG
// there once it has settled: its reply arrived, its pictures drawn. VOKARI_WINDOW_WIDTH sets the
// window's width in points for such a run.

#include <gtest/gtest.h>

#include <QtQuickTest/quicktest.h>
#include <QColor>
#include <QImage>
#include <QRegularExpression>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "GuiClient.h"
#include "QtHarness.h"

namespace vokari::gui {

namespace fs = std::filesystem;
using namespace testing;

inline const char* const kEntries[] = {"E键报警",  "警讯播报", "一键服务",
                                       "有奖举报", "户政服务", "设置"};

inline std::string tempFolder() {
  char pattern[] = "/tmp/vokari-gui-XXXXXX";
  return mkdtemp(pattern) ? pattern : "";
}

class GuiRoad : public ::testing::Test {
 protected:
  void SetUp() override { ensureQtApp(); }
  void TearDown() override {
    client_.reset();
    if (!dataDir_.empty()) fs::remove_all(dataDir_);
  }

  void start(const std::string& dataDir) {
    client::Options options;
    options.dataDir = dataDir;
    options.position = {36.061089, 103.834304};
    auto made = GuiClient::create(options);
    ASSERT_TRUE(made.ok()) << made.status.message();
    client_ = std::move(made.value);
    client_->bridge().browser = [this](const QUrl& url) {
      browsed_.push_back(url.toString());
      return true;
    };
    // Stands in for the file dialog: records what it would offer; the test answers as it would.
    fileDialog_ = client_->bridge().showPicker;
    client_->bridge().showPicker = [this](const QStringList& filters) {
      pickerFilters_.push_back(filters);
    };
    ASSERT_TRUE(waitFor([&] { return client_->firstFrameMs().has_value(); }));
    if (const char* width = std::getenv("VOKARI_WINDOW_WIDTH")) {
      window().resize(std::atoi(width), window().height());
      ASSERT_TRUE(waitFor([&] { return item("elementList").width() == window().width(); }));
    }
  }
  void startFresh() { start(dataDir_ = tempFolder()); }
  // The roads after registration start on the main screen of an account registered once per run
  // through the same forms, each from its own copy of the data.
  void startSignedIn() {
    static struct Registered {
      std::string folder;
      ~Registered() { fs::remove_all(folder); }
    } once;
    std::string& registered = once.folder;
    if (registered.empty()) {
      std::string folder = tempFolder();
      start(folder);
      registerThroughTheForms(/*shots=*/false);
      client_.reset();
      if (!HasFailure()) registered = folder;
    }
    ASSERT_FALSE(registered.empty()) << "registration failed";
    dataDir_ = tempFolder();
    fs::copy(registered, dataDir_,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    start(dataDir_);
    ASSERT_TRUE(titled("LanzoVokari"));
  }

  QQuickWindow& window() { return *client_->window(); }
  QQuickItem& item(const QString& name) {
    QQuickItem* found = nullptr;
    waitFor([&] { return (found = scrollTo(window(), name)) != nullptr; }, 10);
    if (!found) throw std::runtime_error("no item " + name.toStdString());
    return *found;
  }
  void press(const QString& name) { click(window(), item(name)); }
  // Presses and waits for the screen it opens.
  bool open(const QString& name, const QString& title) {
    press(name);
    return titled(title);
  }
  void type(const QString& field, const QString& text) {
    QQuickItem* input = nullptr;
    waitFor([&] { return (input = findInput(window(), field)) != nullptr; }, 10);
    if (!input) throw std::runtime_error("no input " + field.toStdString());
    typeInto(window(), *input, text);
  }
  // Waits until the text is drawn: replies arrive from the built-in services in real time.
  bool shows(const QString& text, double seconds = 15) {
    return waitFor([&] { return showsText(window(), text); }, seconds);
  }
  bool appears(const QString& name, double seconds = 5) {
    return waitFor([&] { return findItem(window(), name) != nullptr; }, seconds);
  }
  bool titled(const QString& title, double seconds = 15) {
    return waitFor(
        [&] {
          QQuickItem* t = findItem(window(), "navTitle");
          return t && t->property("text").toString() == title;
        },
        seconds);
  }
  // The settled frame (no passing notice over it) is checked and, when screenshots are asked
  // for, saved under the name.
  void expectDrawn(const char* name, bool shots = true) {
    waitFor([&] { return !findItem(window(), "hud"); }, 5);
    QQuickTest::qWaitForPolish(&window(), 2000);  // rows scrolled into view are laid out
    QCoreApplication::processEvents();
    QImage frame = grabFrame(window());
    EXPECT_FALSE(isBlank(frame)) << "blank frame at " << name;
    expectCardsDrawn(frame, name);
    const char* dir = std::getenv("VOKARI_SCREENSHOT_DIR");
    if (dir && shots) {
      EXPECT_TRUE(frame.save(QString(dir) + "/" + name + ".png")) << name;
    }
  }
  // Every card with a part on screen is drawn: one left unfilled shows only the background.
  void expectCardsDrawn(const QImage& frame, const char* name) {
    QQuickItem* list = findItem(window(), "elementList");
    if (!list) return;
    const QRectF view(list->mapToScene(QPointF(0, 0)), list->size());
    const qreal ratio = frame.devicePixelRatio();
    for (QQuickItem* card : allItems(window())) {
      if (!card->objectName().startsWith("card:") || !list->isAncestorOf(card)) continue;
      const QRectF box = QRectF(card->mapToScene(QPointF(0, 0)), card->size()).intersected(view);
      if (box.height() < 24) continue;  // a sliver at the edge may be margin only
      const QRect pixels(QPointF(box.topLeft() * ratio).toPoint(),
                         QPointF(box.bottomRight() * ratio).toPoint());
      EXPECT_FALSE(isBlank(frame.copy(pixels)))
          << card->objectName().toStdString() << " at " << name;
    }
  }
  // Presses the visible table row whose text starts so; answers whether there was one.
  bool pressRow(const QString& start) {
    for (QQuickItem* it : allItems(window())) {
      if (it->objectName().startsWith("row:" + start) && it->isVisible()) {
        click(window(), *it);
        return true;
      }
    }
    return false;
  }
  bool imageReady(const QString& name) {
    QQuickItem* image = findItem(window(), name);
    return image && image->property("status").toInt() == 1;  // Image.Ready
  }

  void registerThroughTheForms(bool shots);

  std::string dataDir_;
  std::unique_ptr<GuiClient> client_;
  std::vector<QString> browsed_;
  std::vector<QStringList> pickerFilters_;
  std::function<void(const QStringList&)> fileDialog_;  // the real one, for QML's dialog
};

inline void GuiRoad::registerThroughTheForms(bool shots) {
  // Nobody is signed in: the login screen.
  ASSERT_TRUE(titled("登录"));
  EXPECT_TRUE(showsText(window(), "请输入手机号"));
  expectDrawn("01-login", shots);

  press("navRight");  // 注册
  ASSERT_TRUE(titled("注册"));
  type("请输入手机号", "13800000011");
  type("请输入密码", "secret11");
  EXPECT_TRUE(showsText(window(), "13800000011"));
  EXPECT_FALSE(showsText(window(), "secret11")) << "a secure input shows dots";
  expectDrawn("02-register", shots);
  press("button:下一步");

  // The services' text message appears as a banner; its code goes into the next screen.
  ASSERT_TRUE(appears("smsBanner", 15));
  QString message = item("smsText").property("text").toString();
  QRegularExpressionMatch code = QRegularExpression("(\\d{4,8})").match(message);
  ASSERT_TRUE(code.hasMatch()) << message.toStdString();
  ASSERT_TRUE(titled("完成注册"));
  expectDrawn("03-code-banner", shots);
  // The banner covers neither the back control nor the code input.
  const qreal bannerBottom = item("smsBanner").mapToScene({0, item("smsBanner").height()}).y();
  EXPECT_LE(bannerBottom, item("navBack").mapToScene({0, 0}).y());
  QQuickItem* codeInput = findInput(window(), "请输入短信验证码");
  ASSERT_NE(codeInput, nullptr);
  EXPECT_LE(bannerBottom, codeInput->mapToScene({0, 0}).y());
  press("smsBanner");
  EXPECT_EQ(findItem(window(), "smsBanner"), nullptr) << "a tap puts the banner away";

  type("请输入短信验证码", code.captured(1));
  type("姓名", "张三");
  type("身份证", "11010519491231002X");
  ASSERT_TRUE(open("button:完成", "安装协议"));
  expectDrawn("04-agreement", shots);
  ASSERT_TRUE(open("button:同意", "LanzoVokari"));
}

}  // namespace vokari::gui
