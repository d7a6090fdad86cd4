// The graphical client driven through its rendered controls, as a person would use it: clicks
// and typed keys on the items QML drew, never calls into the core. One road per feature, each
// from a fresh client, so that one failing road does not hide the others. With
// VOKARI_SCREENSHOT_DIR set (make screenshots) each screen is saved as a PNG there once it has
// settled: its reply arrived, its pictures drawn.

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
#include "media/TestVideo.h"
#include "transport/HttpEngine.h"

namespace vokari::gui {
namespace {

using namespace testing;
namespace fs = std::filesystem;

const char* const kEntries[] = {"E键报警", "警讯播报", "一键服务", "有奖举报", "户政服务", "设置"};

std::string tempFolder() {
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
    client_->bridge().browser = [this](const QUrl& url) { browsed_.push_back(url.toString()); };
    // Stands in for the file dialog: records what it would offer; the test answers as it would.
    fileDialog_ = client_->bridge().showPicker;
    client_->bridge().showPicker = [this](const QStringList& filters) {
      pickerFilters_.push_back(filters);
    };
    ASSERT_TRUE(waitFor([&] { return client_->firstFrameMs().has_value(); }));
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
    const char* dir = std::getenv("VOKARI_SCREENSHOT_DIR");
    if (dir && shots) {
      EXPECT_TRUE(frame.save(QString(dir) + "/" + name + ".png")) << name;
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

void GuiRoad::registerThroughTheForms(bool shots) {
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
  press("smsBanner");
  EXPECT_EQ(findItem(window(), "smsBanner"), nullptr) << "a tap puts the banner away";

  type("请输入短信验证码", code.captured(1));
  type("姓名", "张三");
  type("身份证", "11010519491231002X");
  ASSERT_TRUE(open("button:完成", "安装协议"));
  expectDrawn("04-agreement", shots);
  ASSERT_TRUE(open("button:同意", "LanzoVokari"));
}

TEST_F(GuiRoad, RegisterWithTheCodeFromTheBanner) {
  // A data folder that cannot be made: no client but a reason, and nothing left behind that
  // would stop the next client's requests.
  HttpEngine* network = &HttpEngine::current();
  client::Options unwritable;
  unwritable.dataDir = "/proc/vokari";
  auto refused = GuiClient::create(unwritable);
  EXPECT_FALSE(refused.ok());
  EXPECT_EQ(refused.status.message(), "cannot create the data folder /proc/vokari/client");
  startFresh();
  registerThroughTheForms(/*shots=*/true);
  // The main screen: six large tiles, two rows of three in their order.
  QList<QPointF> places;
  for (const char* entry : kEntries) places.push_back(item(QString("tile:") + entry).position());
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(places[i].y(), places[i / 3 * 3].y()) << kEntries[i] << " is in its row";
    EXPECT_TRUE(i % 3 == 0 || places[i].x() > places[i - 1].x()) << kEntries[i] << " follows";
  }
  EXPECT_GT(places[3].y(), places[0].y()) << "a second row";
  EXPECT_GT(item("tile:E键报警").width(), 100) << "tiles are large";
  expectDrawn("05-main");
  // Narrowed or widened, the grid keeps three to a row inside the window.
  for (QSize size : {QSize(320, 560), QSize(760, 900)}) {
    window().resize(size);
    ASSERT_TRUE(waitFor([&] { return item("elementList").width() == size.width(); }));
    QPointF last = item("tile:设置").mapToScene({item("tile:设置").width(), 0});
    EXPECT_LE(last.x(), size.width());
    EXPECT_EQ(last.y(), item("tile:有奖举报").mapToScene({0, 0}).y());
    expectDrawn(size.width() < 390 ? "05-main-narrow" : "05-main-wide");
  }
  client_.reset();
  EXPECT_EQ(&HttpEngine::current(), network) << "the client's network went with it";
}

TEST_F(GuiRoad, TheAlarmDialsThroughTheCallingPanel) {
  startSignedIn();
  // The alarm dials 110: the desktop shows its calling panel instead.
  press("tile:E键报警");
  ASSERT_TRUE(appears("callPanel"));
  EXPECT_EQ(item("callNumber").property("text").toString(), "110");
  EXPECT_TRUE(showsText(window(), "无法拨打电话"));
  expectDrawn("06-alarm-call");
  press("callClose");
  EXPECT_EQ(findItem(window(), "callPanel"), nullptr);
  EXPECT_TRUE(titled("LanzoVokari", 1));
}

TEST_F(GuiRoad, NewsShowsCardsWithPicturesAndOpensAStory) {
  startSignedIn();
  // Cards drawn from the core's geometry, a picture that has arrived, and a tap on a further
  // story opening its page in the browser.
  ASSERT_TRUE(open("tile:警讯播报", "警讯播报"));
  EXPECT_TRUE(waitFor([&] { return imageReady("mainPicture"); }, 15)) << "no news picture";
  expectDrawn("07-news");
  press("row:Lanzo公安官网");  // the link panel under the cards
  EXPECT_TRUE(waitFor([&] { return !browsed_.empty(); }, 5)) << "the site was not opened";
  expectDrawn("08-news-links");
  browsed_.clear();
  press("story1");
  EXPECT_TRUE(waitFor([&] { return !browsed_.empty(); }, 5)) << "the story's page was not opened";
  ASSERT_TRUE(open("navBack", "LanzoVokari"));
  // Straight away, before another frame: every tile already has its own place, so a quick tap
  // after going back opens the tile under it (not the last one, lying on top of the others).
  QList<QPointF> places;
  for (const char* entry : kEntries) {
    QQuickItem* tile = findItem(window(), QString("tile:") + entry);
    ASSERT_NE(tile, nullptr) << entry;
    QPointF at = tile->mapToScene(QPointF(0, 0));
    EXPECT_FALSE(places.contains(at)) << entry << " lies on another tile";
    places.push_back(at);
  }
}

TEST_F(GuiRoad, TheDirectoryHasTabsAndASearch) {
  startSignedIn();
  ASSERT_TRUE(open("tile:一键服务", "一键服务"));
  EXPECT_TRUE(shows("公安部门"));
  press("segment:交警");  // another tab of the directory
  EXPECT_TRUE(waitFor([&] {
    QQuickItem* tab = findItem(window(), "segment:交警");
    return tab && tab->property("color").value<QColor>() != QColor(Qt::transparent);
  }));
  expectDrawn("09-directory");
  type("请输入关键字", "cqjj");  // the initials of a name, as a pinyin keyboard types them
  EXPECT_TRUE(waitFor([&] { return !showsText(window(), "Arveno区交警"); }));
  EXPECT_TRUE(showsText(window(), "Cindral区交警"));
  expectDrawn("10-directory-search");
}

TEST_F(GuiRoad, SettingsOpenEachOfTheirPages) {
  startSignedIn();
  ASSERT_TRUE(open("tile:设置", "设置"));
  expectDrawn("11-settings");
  struct Page {
    const char* row;
    const char* title;
    const char* shows;
    const char* shot;
  };
  const Page pages[] = {{"个人中心", "个人中心", "张三", "12-personal-centre"},
                        {"13800000011", "手机号码", "13800000011", "13-alarm-number"},
                        {"订阅区域", "订阅区域选择", "Arveno区", "14-areas"},
                        {"意见反馈", "意见反馈", "满意", "15-feedback"},
                        {"关于", "关于Vokari", "主要功能", "16-about"}};
  for (const Page& page : pages) {
    ASSERT_TRUE(pressRow(page.row)) << page.row;
    ASSERT_TRUE(titled(page.title)) << page.row;
    EXPECT_TRUE(shows(page.shows)) << page.title;
    expectDrawn(page.shot);
    ASSERT_TRUE(open("navBack", "设置")) << page.title;
  }
}

TEST_F(GuiRoad, ReportPagesAndTheWantedList) {
  startSignedIn();
  ASSERT_TRUE(open("tile:有奖举报", "有奖举报"));
  expectDrawn("17-report-menu");
  // The guide page shows its readable text, wrapped to the window.
  ASSERT_TRUE(open("row:举报指南", "举报指南"));
  ASSERT_TRUE(shows("提交后请记下查询ID和密码"));
  QQuickItem& page = item("label");
  EXPECT_LE(page.mapToScene(QPointF(page.width(), 0)).x(), window().width());
  EXPECT_GT(page.property("lineCount").toInt(), 3) << "three paragraphs, the long one wrapped";
  expectDrawn("18-guide");
  ASSERT_TRUE(open("navBack", "有奖举报"));
  // The wanted persons, shipped with the program, and one person's details.
  ASSERT_TRUE(open("row:悬赏名单", "悬赏名单"));
  EXPECT_TRUE(shows("贾有为"));
  expectDrawn("19-wanted");
  ASSERT_TRUE(pressRow("贾有为"));
  EXPECT_TRUE(shows("在逃贾有为资料"));
  item("row:案件类别: 盗窃");  // scrolled into view
  expectDrawn("20-wanted-detail");
}

TEST_F(GuiRoad, AReportWithPicturesAndAMovieIsFiledAndFound) {
  startSignedIn();
  ASSERT_TRUE(open("tile:有奖举报", "有奖举报"));
  // The report form: "+" offers a sheet; the album opens the file dialog for pictures and
  // movies, and a chosen picture becomes a thumbnail on the form.
  ASSERT_TRUE(open("row:举报", "举报"));
  EXPECT_EQ(findItem(window(), "image"), nullptr) << "no thumbnail before a picture is added";
  type("姓名", "王五");
  type("身份证(领取奖励的重要凭证)", "11010119900307123X");
  type("电话号码", "13800000011");
  type("举报内容应包含时间、地点、人员、事由等详细经过", "夜里有人在楼下撬车");
  press("button:+");
  ASSERT_TRUE(appears("alertButton:手机相册中选择"));
  expectDrawn("21-report-sheet");
  press("alertButton:手机相册中选择");
  ASSERT_TRUE(waitFor([&] { return !pickerFilters_.empty(); }, 5)) << "no file dialog asked for";
  ASSERT_EQ(pickerFilters_.size(), 1u);
  EXPECT_TRUE(pickerFilters_[0].join(";").contains("*.jpg"));
  EXPECT_TRUE(pickerFilters_[0].join(";").contains("*.mp4"));
  // Cameras write upper-case names, and the dialog matches case-sensitively.
  EXPECT_TRUE(pickerFilters_[0].join(";").contains("*.HEIF *.avif"));
  EXPECT_TRUE(pickerFilters_[0].join(";").contains("*.MOV"));
  const QString notMedia = QString::fromStdString(dataDir_ + "/notes.txt");
  QImage photo(120, 90, QImage::Format_RGB32);
  photo.fill(QColor("#3a7bd5"));
  const QString jpeg = QString::fromStdString(dataDir_ + "/street.jpg");
  ASSERT_TRUE(photo.save(jpeg, "JPG"));
  EXPECT_TRUE(client_->bridge().answerPicker(QUrl::fromLocalFile(jpeg).toString()));
  EXPECT_TRUE(waitFor([&] { return imageReady("image"); }, 5)) << "no thumbnail of the picture";

  // Now through the window's own file dialog: the file chosen there becomes a second thumbnail.
  auto thumbnails = [&] {
    QList<QQuickItem*> shown;
    for (QQuickItem* it : allItems(window())) {
      if (it->objectName() != "image") continue;
      QQuickItem* element = it->parentItem()->parentItem();
      if (element->isVisible() && it->property("status").toInt() == 1) shown.push_back(it);
    }
    return shown;
  };
  EXPECT_EQ(thumbnails().size(), 1);
  auto realDialog = client_->bridge().showPicker;
  client_->bridge().showPicker = fileDialog_;
  QObject* dialog = window().findChild<QObject*>("mediaDialog");
  ASSERT_NE(dialog, nullptr);
  // The person's choice: the file the dialog opens on (selected in its list), then "Open".
  const QString movie = QString::fromStdString(dataDir_ + "/clip.mov");
  ASSERT_TRUE(vokari::testing::writeVideo(movie.toStdString(), 0, 5));
  dialog->setProperty("selectedFile", QUrl::fromLocalFile(movie));
  press("button:+");
  ASSERT_TRUE(appears("alertButton:手机相册中选择"));
  press("alertButton:手机相册中选择");
  ASSERT_TRUE(waitFor([&] { return dialog->property("visible").toBool(); }, 5))
      << "the file dialog did not open";
  EXPECT_TRUE(dialog->property("nameFilters").toStringList().join(";").contains("*.jpeg"));
  QMetaObject::invokeMethod(dialog, "accept");
  EXPECT_FALSE(dialog->property("visible").toBool());
  EXPECT_TRUE(waitFor([&] { return thumbnails().size() == 2; }, 5)) << "the movie was not added";

  // A file that is neither a picture nor a movie is refused, and the picker does not stay open.
  client_->bridge().showPicker = realDialog;
  press("button:+");
  ASSERT_TRUE(appears("alertButton:手机相册中选择"));
  press("alertButton:手机相册中选择");
  ASSERT_TRUE(waitFor([&] { return pickerFilters_.size() == 2; }, 5));
  std::ofstream(notMedia.toStdString()) << "not a picture";
  EXPECT_FALSE(client_->bridge().answerPicker(notMedia));
  EXPECT_FALSE(client_->app().picker().isOpen());
  EXPECT_TRUE(shows("所选文件不是可添加的图片或视频", 2));
  auto shown = thumbnails();
  ASSERT_EQ(shown.size(), 2);
  EXPECT_EQ(shown[0]->mapToScene({0, 0}).y(), shown[1]->mapToScene({0, 0}).y()) << "side by side";
  expectDrawn("22-report-form");
  // 提交 is the form's main action, drawn filled; "+" is the lesser one, outlined.
  auto face = [&](const QString& button) {
    QQuickItem& outer = item(button);
    for (QQuickItem* it : allItems(window())) {
      if (it->objectName() == "buttonFace" && outer.isAncestorOf(it)) {
        return it->property("color").value<QColor>();
      }
    }
    return QColor();
  };
  EXPECT_EQ(face("button:提交"), QColor("#1d5fbf"));
  EXPECT_EQ(face("button:+"), QColor("#ffffff"));

  // Filed: the alert tells the query ID and password, which find the report.
  press("button:提交");
  ASSERT_TRUE(appears("alertButton:好", 30));
  QString told = item("alertMessage").property("text").toString();
  QRegularExpressionMatch id = QRegularExpression("查询ID:(\\S+)\\s+密码:(\\S+)").match(told);
  ASSERT_TRUE(id.hasMatch()) << told.toStdString();
  expectDrawn("23-report-filed");
  press("alertButton:好");
  ASSERT_TRUE(open("navBack", "有奖举报"));
  ASSERT_TRUE(open("row:查询", "查询"));
  type("请输入查询ID", id.captured(1));
  type("请输入密码", id.captured(2));
  press("button:提交");
  ASSERT_TRUE(appears("alertButton:好", 15));
  EXPECT_TRUE(shows("查询结果"));
  expectDrawn("24-query-result");
}

TEST_F(GuiRoad, AnAppointmentIsBookedAndShown) {
  startSignedIn();
  ASSERT_TRUE(open("tile:户政服务", "户政业务"));
  EXPECT_TRUE(shows("对不起,您没有任何预约信息！"));
  expectDrawn("25-appointments");
  ASSERT_TRUE(open("button:我要预约", "户政业务"));
  EXPECT_TRUE(shows("请选择受理点"));
  expectDrawn("26-booking-form");
  ASSERT_TRUE(pressRow("受理点:"));
  ASSERT_TRUE(titled("受理点选择"));
  type("请输入关键字", "望湖");
  EXPECT_TRUE(shows("Farnis区望湖派出所"));
  expectDrawn("27-station-picker");
  ASSERT_TRUE(open("row:Cindral区望湖派出所", "户政业务"));
  ASSERT_TRUE(pressRow("业务类型:"));
  ASSERT_TRUE(titled("业务类型选择"));
  EXPECT_TRUE(shows("出生登记"));
  expectDrawn("28-business-picker");
  ASSERT_TRUE(open("row:户口迁入", "户政业务"));
  ASSERT_TRUE(pressRow("时间段:"));
  ASSERT_TRUE(appears("picker:1", 15));
  item("button:完成");  // scrolled into view
  expectDrawn("29-slot-picker");
  press("button:完成");
  EXPECT_TRUE(shows("张三"));
  expectDrawn("30-booking-filled");
  press("button:提交预约");
  ASSERT_TRUE(titled("预约查询"));
  EXPECT_TRUE(shows("已预约"));
  expectDrawn("31-booking-detail");
  // Back through the form to the list, which now holds the booking.
  ASSERT_TRUE(open("navBack", "户政业务"));
  press("navBack");
  EXPECT_TRUE(waitFor(
      [&] { return !findItem(window(), "button:提交预约") && showsText(window(), "张三"); }));
  expectDrawn("32-appointment-list");
}

}  // namespace
}  // namespace vokari::gui
