// The graphical client driven through its rendered controls, as a person would use it. One road
// per feature, each from a fresh client, so that one failing road does not hide the others.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTest>
#include <QWheelEvent>

#include "GuiRoad.h"
#include "media/TestVideo.h"
#include "support/Loopback.h"
#include "transport/HttpEngine.h"

namespace vokari::gui {
namespace {
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

// The general service's recorded port is held by another program on the next start: the
// window says that stored news may not open, in the banner, under a title of its own.
TEST_F(GuiRoad, AMovedServicePortIsToldOnStart) {
  startFresh();
  client_.reset();
  std::ifstream record(dataDir_ + "/backend/ports");
  std::string line;
  std::getline(record, line);
  ASSERT_TRUE(line.starts_with("general=")) << line;
  {
    vokari::loopback::Listener busy(std::stoi(line.substr(8)));
    ASSERT_NE(busy.port(), 0);
    start(dataDir_);
  }
  ASSERT_TRUE(appears("smsBanner"));
  EXPECT_TRUE(showsText(window(), "提示"));
  QString notice = item("smsText").property("text").toString();
  EXPECT_TRUE(notice.contains("news stored earlier may not open")) << notice.toStdString();
  press("smsBanner");
  EXPECT_EQ(findItem(window(), "smsBanner"), nullptr);
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

  // A long number of the directory keeps every digit in a window at its narrowest.
  window().resize(320, 600);
  ASSERT_TRUE(open("tile:一键服务", "一键服务"));
  ASSERT_TRUE(pressRow("公安局查号台"));
  ASSERT_TRUE(appears("callPanel"));
  QQuickItem& number = item("callNumber");
  EXPECT_EQ(number.property("text").toString(), "019986510114");
  EXPECT_FALSE(number.property("truncated").toBool());
  EXPECT_LE(number.property("contentWidth").toReal(), number.width());
  EXPECT_GE(number.mapToScene({0, 0}).x(), 0);
  EXPECT_LE(number.mapToScene({number.width(), 0}).x(), 320);
  expectDrawn("06-directory-call-narrow");
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
  // With no browser to open it, the window says so.
  client_->bridge().browser = [](const QUrl&) { return false; };
  press("story1");
  EXPECT_TRUE(shows("无法打开网页", 2));
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
  // Return ends the editing of the text, as on the phone: no line break, the focus out of it.
  QQuickItem* content = findInput(window(), "举报内容应包含时间、地点、人员、事由等详细经过");
  ASSERT_NE(content, nullptr);
  QTest::keyClick(&window(), Qt::Key_Return);
  EXPECT_EQ(content->property("value").toMap()["text"].toString(), "夜里有人在楼下撬车");
  EXPECT_FALSE(content->property("editor").value<QQuickItem*>()->hasActiveFocus());
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
  expectDrawn("22-file-dialog");
  // In Chinese, and the size of the window rather than of a desktop's dialog.
  QStringList dialogTexts;  // of labels and buttons too, not only of text items
  std::function<void(QQuickItem*)> read = [&](QQuickItem* at) {
    if (!at->isVisible()) return;
    dialogTexts << at->property("text").toString();
    for (QQuickItem* child : at->childItems()) read(child);
  };
  read(window().contentItem());
  EXPECT_TRUE(dialogTexts.contains("文件类型"));
  EXPECT_TRUE(dialogTexts.contains("打开"));
  EXPECT_FALSE(dialogTexts.contains("Filter"));
  for (QObject* popup : window().findChildren<QObject*>(Qt::FindDirectChildrenOnly)) {
    if (popup->inherits("QQuickPopup")) {
      EXPECT_EQ(popup->property("width").toReal(), window().width());
    }
  }
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
  expectDrawn("29-slot-picker");
  // The slot picker is a sheet in view, over the form.
  QQuickItem& slotWheel = item("picker:1");
  EXPECT_LE(slotWheel.mapToScene({0, slotWheel.height()}).y(), window().height());
  EXPECT_LE(item("button:完成").mapToScene({0, item("button:完成").height()}).y(),
            window().height());
  // A wheel turns one row a notch, or a key a row, and only once it has the focus.
  auto row = [&] { return slotWheel.property("currentIndex").toInt(); };
  auto notch = [&](int delta) {
    QPointF at = slotWheel.mapToScene({slotWheel.width() / 2, slotWheel.height() / 2});
    QWheelEvent wheel(at, at, {}, {0, delta}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QCoreApplication::sendEvent(&window(), &wheel);
    QCoreApplication::processEvents();
  };
  ASSERT_GE(slotWheel.property("count").toInt(), 3);
  notch(-120);
  EXPECT_EQ(row(), 0) << "turned without the focus";
  click(window(), slotWheel);
  EXPECT_TRUE(slotWheel.hasActiveFocus());
  notch(-120);
  EXPECT_TRUE(waitFor([&] { return row() == 1; }, 2)) << row();
  QTest::keyClick(&window(), Qt::Key_Down);
  EXPECT_TRUE(waitFor([&] { return row() == 2; }, 2)) << row();
  notch(120);
  EXPECT_TRUE(waitFor([&] { return row() == 1; }, 2)) << row();
  QTest::keyClick(&window(), Qt::Key_Up);
  EXPECT_TRUE(waitFor([&] { return row() == 0; }, 2)) << row();
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
