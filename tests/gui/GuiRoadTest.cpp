// The graphical client driven through its rendered controls, as a person would use it: clicks
// and typed keys on the items QML drew, never calls into the core. With VOKARI_SCREENSHOT_DIR
// set (make screenshots) every screen shown is also saved as a PNG there.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QRegularExpression>
#include <cstdlib>
#include <filesystem>

#include "GuiClient.h"
#include "QtHarness.h"

namespace vokari::gui {
namespace {

using namespace testing;

class GuiRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    ensureQtApp();
    char pattern[] = "/tmp/vokari-gui-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dataDir_ = pattern;
    client::Options options;
    options.dataDir = dataDir_;
    options.position = {36.061089, 103.834304};
    if (const char* dir = std::getenv("VOKARI_SCREENSHOT_DIR")) options.screenshotDir = dir;
    std::string error;
    client_ = std::make_unique<GuiClient>(options, error);
    ASSERT_EQ(error, "");
    client_->bridge().browser = [this](const QUrl& url) { browsed_.push_back(url.toString()); };
    // Stands in for the file dialog: records what it would offer; the test answers as it would.
    fileDialog_ = client_->bridge().showPicker;
    client_->bridge().showPicker = [this](const QStringList& filters) {
      pickerFilters_.push_back(filters);
    };
    ASSERT_TRUE(waitFor([&] { return client_->firstFrameMs().has_value(); }));
  }
  void TearDown() override {
    client_.reset();
    std::filesystem::remove_all(dataDir_);
  }

  QQuickWindow& window() { return *client_->window(); }
  QQuickItem& item(const QString& name) {
    QQuickItem* found = nullptr;
    waitFor([&] { return (found = scrollTo(window(), name)) != nullptr; }, 10);
    if (!found) throw std::runtime_error("no item " + name.toStdString());
    return *found;
  }
  void press(const QString& name) { click(window(), item(name)); }
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
  bool titled(const QString& title, double seconds = 15) {
    return waitFor(
        [&] {
          QQuickItem* t = findItem(window(), "navTitle");
          return t && t->property("text").toString() == title;
        },
        seconds);
  }
  // The frame is checked (and, when screenshots are asked for, saved) before the road goes on.
  void expectDrawn(const char* where) {
    if (Screenshots* shots = client_->screenshots()) {
      EXPECT_TRUE(waitFor([&] { return !shots->pending(); }, 5)) << "no frame drawn at " << where;
    }
    EXPECT_FALSE(isBlank(grabFrame(window()))) << "blank frame at " << where;
  }

  std::string dataDir_;
  std::unique_ptr<GuiClient> client_;
  std::vector<QString> browsed_;
  std::vector<QStringList> pickerFilters_;
  std::function<void(const QStringList&)> fileDialog_;  // the real one, for QML's dialog
};

TEST_F(GuiRoad, RegisterWithTheCodeFromTheBannerThenRaiseTheAlarm) {
  // Nobody is signed in: the login screen.
  ASSERT_TRUE(titled("登录"));
  EXPECT_TRUE(showsText(window(), "请输入手机号"));
  expectDrawn("login");

  press("navRight");  // 注册
  ASSERT_TRUE(titled("注册"));
  expectDrawn("register");
  type("请输入手机号", "13800000011");
  type("请输入密码", "secret11");
  EXPECT_TRUE(showsText(window(), "13800000011"));
  EXPECT_FALSE(showsText(window(), "secret11")) << "a secure input shows dots";
  press("button:下一步");

  // The services' text message appears as a banner; its code goes into the next screen.
  ASSERT_TRUE(waitFor([&] { return findItem(window(), "smsBanner") != nullptr; }, 15));
  QString message = item("smsText").property("text").toString();
  QRegularExpressionMatch code = QRegularExpression("(\\d{4,8})").match(message);
  ASSERT_TRUE(code.hasMatch()) << message.toStdString();
  ASSERT_TRUE(titled("完成注册"));
  expectDrawn("code screen with banner");
  press("smsBanner");
  EXPECT_EQ(findItem(window(), "smsBanner"), nullptr) << "a tap puts the banner away";

  type("请输入短信验证码", code.captured(1));
  type("姓名", "张三");
  type("身份证", "11010519491231002X");
  press("button:完成");

  ASSERT_TRUE(titled("安装协议"));
  expectDrawn("agreement");
  press("button:同意");

  // The main screen: six large tiles.
  ASSERT_TRUE(titled("LanzoVokari"));
  for (const char* entry : {"E键报警", "警讯播报", "一键服务", "有奖举报", "户政服务", "设置"}) {
    EXPECT_NE(findItem(window(), QString("tile:") + entry), nullptr) << entry;
  }
  QQuickItem& alarm = item("tile:E键报警");
  EXPECT_GT(alarm.width(), 120) << "tiles are large";
  expectDrawn("main screen");

  // The alarm dials 110: the desktop shows its calling panel instead.
  press("tile:E键报警");
  ASSERT_TRUE(waitFor([&] { return findItem(window(), "callPanel") != nullptr; }, 5));
  EXPECT_EQ(item("callNumber").property("text").toString(), "110");
  EXPECT_TRUE(showsText(window(), "无法拨打电话"));
  expectDrawn("calling panel");
  press("callClose");
  EXPECT_EQ(findItem(window(), "callPanel"), nullptr);
  EXPECT_TRUE(titled("LanzoVokari", 1));

  // The police news: cards drawn from the core's geometry, a picture that has arrived, and a
  // tap on a further story opening its page in the browser.
  press("tile:警讯播报");
  ASSERT_TRUE(titled("警讯播报"));
  EXPECT_TRUE(waitFor(
      [&] {
        QQuickItem* picture = findItem(window(), "mainPicture");
        return picture && picture->property("status").toInt() == 1;  // Image.Ready
      },
      15))
      << "no news picture arrived";
  // The screen's own shot came before its pictures; this one shows them drawn.
  if (Screenshots* shots = client_->screenshots()) shots->request("警讯播报-pictures");
  expectDrawn("news");
  press("story1");
  EXPECT_TRUE(waitFor([&] { return !browsed_.empty(); }, 5)) << "the story's page was not opened";
  press("navBack");
  ASSERT_TRUE(titled("LanzoVokari"));
  // Straight away, before another frame: every tile already has its own place, so a quick tap
  // after going back opens the tile under it (not the last one, lying on top of the others).
  QList<QPointF> places;
  for (const char* entry : {"E键报警", "警讯播报", "一键服务", "有奖举报", "户政服务", "设置"}) {
    QQuickItem* tile = findItem(window(), QString("tile:") + entry);
    ASSERT_NE(tile, nullptr) << entry;
    QPointF at = tile->mapToScene(QPointF(0, 0));
    EXPECT_FALSE(places.contains(at)) << entry << " lies on another tile";
    places.push_back(at);
  }

  // Two more entries, and back: a screen with check boxes, a search input and a table, then a
  // menu of disclosure rows.
  press("tile:一键服务");
  ASSERT_TRUE(titled("一键服务"));
  EXPECT_TRUE(shows("公安部门"));
  press("segment:交警");  // another tab of the directory
  EXPECT_TRUE(waitFor([&] {
    QQuickItem* tab = findItem(window(), "segment:交警");
    return tab && tab->property("color").value<QColor>() != QColor(Qt::transparent);
  }));
  expectDrawn("service directory");
  press("navBack");
  ASSERT_TRUE(titled("LanzoVokari"));
  press("tile:设置");
  ASSERT_TRUE(titled("设置"));
  expectDrawn("settings");
  press("navBack");
  ASSERT_TRUE(titled("LanzoVokari"));

  // The crime reports: a guide page shows its readable text, wrapped to the window.
  press("tile:有奖举报");
  ASSERT_TRUE(titled("有奖举报"));
  press("row:举报指南");
  ASSERT_TRUE(titled("举报指南"));
  ASSERT_TRUE(shows("提交后请记下查询ID和密码"));
  QQuickItem& page = item("label");
  EXPECT_LE(page.mapToScene(QPointF(page.width(), 0)).x(), window().width());
  EXPECT_GT(page.property("lineCount").toInt(), 3) << "three paragraphs, the long one wrapped";
  expectDrawn("guide page");
  press("navBack");
  ASSERT_TRUE(titled("有奖举报"));

  // The report form: "+" offers a sheet; the album opens the file dialog for pictures and
  // movies, and a chosen picture becomes a thumbnail on the form.
  press("row:举报");
  ASSERT_TRUE(titled("举报"));
  EXPECT_EQ(findItem(window(), "image"), nullptr) << "no thumbnail before a picture is added";
  press("button:+");
  ASSERT_TRUE(waitFor([&] { return findItem(window(), "alertButton:手机相册中选择"); }, 5));
  press("alertButton:手机相册中选择");
  ASSERT_TRUE(waitFor([&] { return !pickerFilters_.empty(); }, 5)) << "no file dialog asked for";
  ASSERT_EQ(pickerFilters_.size(), 1u);
  EXPECT_TRUE(pickerFilters_[0].join(";").contains("*.jpg"));
  EXPECT_TRUE(pickerFilters_[0].join(";").contains("*.mp4"));
  const QString notMedia = QString::fromStdString(dataDir_ + "/notes.txt");
  QImage photo(120, 90, QImage::Format_RGB32);
  photo.fill(QColor("#3a7bd5"));
  const QString jpeg = QString::fromStdString(dataDir_ + "/street.jpg");
  ASSERT_TRUE(photo.save(jpeg, "JPG"));
  EXPECT_TRUE(client_->bridge().answerPicker(QUrl::fromLocalFile(jpeg).toString()));
  EXPECT_TRUE(waitFor(
      [&] {
        QQuickItem* thumbnail = findItem(window(), "image");
        return thumbnail && thumbnail->property("status").toInt() == 1;  // Image.Ready
      },
      5))
      << "no thumbnail of the chosen picture";
  expectDrawn("report with a picture");

  // Now through the window's own file dialog: the file chosen there becomes a second thumbnail.
  auto thumbnails = [&] {
    int shown = 0;
    for (QQuickItem* it : allItems(window())) {
      if (it->objectName() != "image") continue;
      QQuickItem* element = it->parentItem()->parentItem();
      if (element->isVisible() && it->property("status").toInt() == 1) ++shown;
    }
    return shown;
  };
  EXPECT_EQ(thumbnails(), 1);
  auto realDialog = client_->bridge().showPicker;
  client_->bridge().showPicker = fileDialog_;
  QObject* dialog = window().findChild<QObject*>("mediaDialog");
  ASSERT_NE(dialog, nullptr);
  // The person's choice: the file the dialog opens on (selected in its list), then "Open".
  const QString second = QString::fromStdString(dataDir_ + "/plate.jpg");
  ASSERT_TRUE(photo.save(second, "JPG"));
  dialog->setProperty("selectedFile", QUrl::fromLocalFile(second));
  press("button:+");
  ASSERT_TRUE(waitFor([&] { return findItem(window(), "alertButton:手机相册中选择"); }, 5));
  press("alertButton:手机相册中选择");
  ASSERT_TRUE(waitFor([&] { return dialog->property("visible").toBool(); }, 5))
      << "the file dialog did not open";
  EXPECT_TRUE(dialog->property("nameFilters").toStringList().join(";").contains("*.jpeg"));
  QMetaObject::invokeMethod(dialog, "accept");
  EXPECT_FALSE(dialog->property("visible").toBool());
  EXPECT_TRUE(waitFor([&] { return thumbnails() == 2; }, 5)) << "the dialog's file was not added";

  // A file that is neither a picture nor a movie is refused, and the picker does not stay open.
  client_->bridge().showPicker = realDialog;
  press("button:+");
  ASSERT_TRUE(waitFor([&] { return findItem(window(), "alertButton:手机相册中选择"); }, 5));
  press("alertButton:手机相册中选择");
  ASSERT_TRUE(waitFor([&] { return pickerFilters_.size() == 2; }, 5));
  {
    FILE* f = fopen(notMedia.toStdString().c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("not a picture", f);
    fclose(f);
  }
  EXPECT_FALSE(client_->bridge().answerPicker(notMedia));
  EXPECT_FALSE(client_->app().picker().isOpen());
  EXPECT_TRUE(shows("所选文件不是可添加的图片或视频", 2));
  EXPECT_EQ(thumbnails(), 2);
}

}  // namespace
}  // namespace vokari::gui
