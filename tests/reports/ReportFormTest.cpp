// The report form: validation, attachments and the filing chain against a scripted service.

#include <cerrno>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <filesystem>

#include <jpeglib.h>

#include "ReportFixture.h"
#include "core/Base64.h"
#include "core/VersionManage.h"
#include "media/TestPictures.h"
#include "platform/FileManager.h"
#include "reports/KeptReports.h"
#include "reports/ReportPrizesViewController.h"
#include "reports/ReportViewController.h"

namespace vokari::testing {
namespace {

// Every quantiser of a JPEG's tables: how strongly it was compressed, whatever its size.
std::vector<int> quantisers(const std::string& jpeg) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size());
  std::vector<int> values;
  if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK) {
    for (const JQUANT_TBL* table : info.quant_tbl_ptrs) {
      if (table)
        values.insert(values.end(), std::begin(table->quantval), std::end(table->quantval));
    }
  }
  jpeg_destroy_decompress(&info);
  return values;
}

struct ReportFormScreen : ReportScreenTest {
  std::shared_ptr<ReportViewController> form = std::make_shared<ReportViewController>();

  void SetUp() override {
    toolkit.navigator.setRoot(std::make_shared<StandIn>("ROOT"));
    toolkit.navigator.push(*toolkit.navigator.top(), form);
    settle();
  }
  void fill(const std::string& name = "张&三", const std::string& idcard = "11010119900307123X",
            const std::string& phone = "13800138000", const std::string& content = "有人<撬车>") {
    ASSERT_TRUE(driver.type("姓名", name).ok);
    ASSERT_TRUE(driver.type("身份证(领取奖励的重要凭证)", idcard).ok);
    ASSERT_TRUE(driver.type("电话号码", phone).ok);
    ASSERT_TRUE(driver.type(ReportViewController::kContentPrompt, content).ok);
  }
  // Chooses the file from the album; attach() also lets its conversion finish.
  void pick(PickedKind kind, const std::string& path) {
    ASSERT_TRUE(driver.press("+").ok);
    ASSERT_TRUE(driver.alert("手机相册中选择").ok);
    ASSERT_TRUE(picker.choose({kind, path}));
  }
  void attach(PickedKind kind, const std::string& path) {
    pick(kind, path);
    settle();
  }
  void submit() {
    ASSERT_TRUE(driver.press("提交").ok);
    settle();
  }
  // Runs the chain up to the report, the service answering the report with `inster`.
  void fileUpToInster(const std::string& inster = "1") {
    submit();
    answer("Q2612090001");
    answer("654321");
    answer(inster);
  }
  std::string body(std::size_t i) const { return http.requests()[i].body; }
};

TEST_F(ReportFormScreen, WithoutFilesThreeCallsThenTheIdAndPasswordToKeep) {
  fill();
  submit();
  EXPECT_EQ(hudText(), "正在上传...");
  answer("Q2612090001");
  answer("654321");
  answer("1");
  EXPECT_EQ(operations(),
            (std::vector<std::string>{"getCodeString", "getSearchPassword", "Inster"}));
  const RecordedRequest& inster = http.requests()[2];
  EXPECT_EQ(inster.header("Content-Type"), "text/xml; charset=utf-8");
  EXPECT_EQ(inster.header("SOAPAction"), "http://tempuri.org/Inster");
  EXPECT_NE(inster.url.find(":38888/CrimeReports_App/Service.asmx"), std::string::npos);
  EXPECT_NE(inster.body.find("<name>张&amp;三</name><sex>男</sex><pass>11010119900307123X</pass>"
                             "<email>email</email><raddress>Lanzo</raddress>"
                             "<tel>13800138000</tel><caddress>Lanzo市</caddress>"
                             "<content>有人&lt;撬车&gt;</content><code>Q2612090001</code>"
                             "<password>654321</password>"),
            std::string::npos)
      << inster.body;
  EXPECT_FALSE(toolkit.hud.visible());
  ASSERT_TRUE(toolkit.alerts.top());
  EXPECT_EQ(toolkit.alerts.top()->title, "请记录");
  EXPECT_EQ(alertMessage(), "查询ID:Q2612090001\n密码:654321");
  EXPECT_EQ(toolkit.alerts.top()->buttons, std::vector<std::string>{"好"});
  EXPECT_TRUE(form->nameField.text.empty() && form->idcardField.text.empty() &&
              form->phoneField.text.empty() && form->contentField.text.empty());
}

TEST_F(ReportFormScreen, ThreeFilesGoOneAtATimeInAttachmentOrder) {
  fill();
  std::string first = picture(), second = movie(), third = picture(40, 300);
  attach(PickedKind::Picture, first);
  attach(PickedKind::Movie, second);
  attach(PickedKind::Picture, third);
  std::vector<std::string> stored = form->selectFiles();
  ASSERT_EQ(stored.size(), 3u);
  EXPECT_TRUE(stored[0].ends_with(".jpg") && stored[1].ends_with(".mov") &&
              stored[2].ends_with(".jpg"));
  EXPECT_EQ(FileManager::readFile(stored[1]), FileManager::readFile(second)) << "byte for byte";
  fileUpToInster();
  for (std::size_t i = 0; i < 3; ++i) {
    ASSERT_EQ(waiting(), "SaveFile") << i;
    std::string expected =
        "<verification>41872093556120873349017265</verification>"
        "<code>Q2612090001</code><password>654321</password><binData>" +
        Base64::base64EncodedString(*FileManager::readFile(stored[i])) +
        "</binData><fileName>test.jpg</fileName>";
    EXPECT_NE(body(3 + i).find(expected), std::string::npos) << i;
    EXPECT_FALSE(toolkit.alerts.top()) << "no alert before the last file";
    answer("Update:1");
  }
  EXPECT_EQ(http.requests().size(), 6u);
  EXPECT_EQ(alertMessage(), "查询ID:Q2612090001\n密码:654321");
  EXPECT_TRUE(form->selectFiles().empty());
  EXPECT_EQ(form->sendIndex(), 0u);
  for (const auto& thumbnail : form->attachments.thumbnails) EXPECT_TRUE(thumbnail.hidden);
}

TEST_F(ReportFormScreen, TheIdAndPasswordAreKeptUntilSeenWhateverBecomesOfTheReport) {
  VersionManage::sharedVersionManage().initWithCurrentUser("13800000001");
  const std::string folder = VersionManage::sharedVersionManage().reportPath;
  fill();
  submit();
  answer("Q1");
  answer("P1");
  ASSERT_EQ(waiting(), "Inster");
  ASSERT_EQ(KeptReports::read(folder).size(), 1u) << "kept before the report is sent";
  // The reply is lost: the report may exist, so the pair stays, and opening the reward page
  // tells it again; "好" forgets it.
  ASSERT_TRUE(http.respond(http.pending()[0], FakeReply::failure(1)));
  settle();
  EXPECT_EQ(lastHud(), "连接失败");
  EXPECT_FALSE(toolkit.alerts.top());
  toolkit.navigator.push(*toolkit.navigator.top(), std::make_shared<ReportPrizesViewController>());
  settle();
  ASSERT_TRUE(toolkit.alerts.top());
  EXPECT_EQ(alertMessage(), "查询ID:Q1\n密码:P1");
  ASSERT_TRUE(driver.alert("好").ok);
  EXPECT_TRUE(KeptReports::read(folder).empty());

  // A pair that cannot be kept: the report is not even sent, and the full disk is told.
  toolkit.navigator.pop(*toolkit.navigator.top());
  settle();
  FileManager::setFailWrites(ENOSPC);
  submit();
  answer("Q2");
  answer("P2");
  FileManager::setFailWrites(0);
  EXPECT_EQ(waiting(), "");
  EXPECT_EQ(operations().back(), "getSearchPassword");
  EXPECT_EQ(lastHud(), "存储空间不足，请清理后再试");
}

TEST_F(ReportFormScreen, RefusalsAndFailuresKeepTheForm) {
  struct Case {
    const char* name;
    std::function<void(ReportFormScreen&)> run;
    std::size_t requests;
    std::string notice;
  };
  const std::vector<Case> cases = {
      {"Inster answers 0: no file is sent", [](ReportFormScreen& t) { t.fileUpToInster("0"); }, 3,
       "上传失败"},
      {"the second file is refused: the third is not sent",
       [](ReportFormScreen& t) {
         t.fileUpToInster();
         t.answer("Update:1");
         t.answer("Update:0");
       },
       5, "上传失败"},
      {"no connection for the password",
       [](ReportFormScreen& t) {
         t.submit();
         t.answer("Q1");
         t.http.respond(t.http.pending()[0], FakeReply::failure(1));
         t.settle();
       },
       2, "连接失败"},
      {"a report reply without its result element",
       [](ReportFormScreen& t) {
         t.submit();
         t.answer("Q1");
         t.answer("P1");
         t.answerRaw({200, {}, soapReply("Inster", ""), 0});
       },
       3, "上传失败"},
      {"an ID reply that is not XML",
       [](ReportFormScreen& t) {
         t.submit();
         t.answerRaw({200, {}, "<html>502 Bad Gateway", 0});
       },
       1, "上传失败"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    form = std::make_shared<ReportViewController>();
    SetUp();
    std::size_t before = http.requests().size();
    fill();
    attach(PickedKind::Picture, picture());
    attach(PickedKind::Movie, movie());
    attach(PickedKind::Picture, picture());
    c.run(*this);
    EXPECT_EQ(http.requests().size() - before, c.requests);
    EXPECT_TRUE(http.pending().empty());
    EXPECT_EQ(lastHud(), c.notice);
    EXPECT_EQ(lastHudDuration(), 0.8);
    EXPECT_FALSE(toolkit.alerts.top());
    EXPECT_EQ(form->nameField.text, "张&三");
    EXPECT_EQ(form->selectFiles().size(), 3u);
    EXPECT_TRUE(form->submitButton.enabled) << "the user may submit again";
  }
}

TEST_F(ReportFormScreen, AReplyHoldingItsResultTwiceStartsOneStepOnly) {
  fill();
  submit();
  answerRaw({200,
             {},
             soapReply("getCodeString",
                       "<getCodeStringResult>Q1</getCodeStringResult>"
                       "<getCodeStringResult>Q2</getCodeStringResult>"),
             0});
  EXPECT_EQ(operations(), (std::vector<std::string>{"getCodeString", "getSearchPassword"}));
  answer("P1");
  answer("1");
  EXPECT_EQ(alertMessage(), "查询ID:Q1\n密码:P1");
}

TEST_F(ReportFormScreen, ASecondPressWhileFilingSendsNothingMore) {
  fill();
  submit();
  EXPECT_FALSE(driver.press("提交").ok);
  form->onSubmit();
  settle();
  EXPECT_EQ(http.requests().size(), 1u);
  EXPECT_FALSE(http.requests()[0].cancelled);
}

TEST_F(ReportFormScreen, LeavingMidChainCancelsQuietly) {
  fill();
  attach(PickedKind::Picture, picture());
  fileUpToInster();
  ASSERT_EQ(waiting(), "SaveFile");
  std::size_t saveFile = http.pending()[0];
  std::weak_ptr<ReportViewController> weak = form;
  form.reset();
  ASSERT_TRUE(driver.back().ok);
  settle();
  EXPECT_TRUE(http.requests()[saveFile].cancelled);
  EXPECT_TRUE(weak.expired());
  EXPECT_FALSE(toolkit.hud.visible());
  advance(5);
  EXPECT_FALSE(toolkit.alerts.top());
  EXPECT_EQ(topTitle(), "ROOT");
}

TEST_F(ReportFormScreen, APickConvertsInTheBackgroundAndSubmitWaitsForIt) {
  fill();
  pick(PickedKind::Picture, picture());
  // Converted but not yet handed back: the picture is not shown, and filing now would leave it
  // out of the report.
  EXPECT_TRUE(form->attachments.thumbnails[0].hidden);
  EXPECT_FALSE(driver.press("提交").ok);
  form->onSubmit();
  EXPECT_TRUE(http.requests().empty());
  settle();
  EXPECT_EQ(form->selectFiles().size(), 1u);
  EXPECT_FALSE(form->attachments.thumbnails[0].hidden);
  ASSERT_TRUE(driver.press("提交").ok);
  EXPECT_EQ(operations(), std::vector<std::string>{"getCodeString"});
}

TEST_F(ReportFormScreen, LeavingWhileAPickConvertsLeavesNoFileAndNoNotice) {
  const std::string tmp = *FileManager::getTmpPath();
  // Inline, the work is done before the form lets go: its file is removed when the result comes.
  pick(PickedKind::Movie, movie());
  ASSERT_EQ(FileManager::getDirSubFiles(tmp)->size(), 1u);
  std::weak_ptr<ReportViewController> weak = form;
  form.reset();
  ASSERT_TRUE(driver.back().ok);
  settle();
  EXPECT_TRUE(weak.expired());
  EXPECT_TRUE(FileManager::getDirSubFiles(tmp)->empty());
  EXPECT_EQ(lastHud(), "");

  // On a real worker the screen may go before, during or after the conversion: never a file.
  Background worker(platform.loop);
  platform.platform.background = &worker;
  for (PickedKind kind : {PickedKind::Picture, PickedKind::Movie}) {
    auto again = std::make_shared<ReportViewController>();
    toolkit.navigator.push(*toolkit.navigator.top(), again);
    settle();
    pick(kind, kind == PickedKind::Picture ? picture(2000, 1500) : movie());
    EXPECT_EQ(worker.pending(), 1u);
    again.reset();
    ASSERT_TRUE(driver.back().ok);
    ASSERT_TRUE(platform.loop.waitUntil([&] { return worker.pending() == 0; }, 30));
    EXPECT_TRUE(FileManager::getDirSubFiles(tmp)->empty());
  }
  platform.platform.background = nullptr;
  EXPECT_EQ(lastHud(), "");
}

TEST_F(ReportFormScreen, AConversionCancelledBeforeItsFileIsWrittenLeavesNothing) {
  const std::string tmp = *FileManager::getTmpPath();
  const CancelToken cancelled(std::make_shared<std::atomic<bool>>(true));
  for (const PickedMedia& media :
       {PickedMedia{PickedKind::Picture, picture()}, PickedMedia{PickedKind::Movie, movie()}}) {
    EXPECT_FALSE(convertAttachment(media, tmp, platform.loop.wallClock(), cancelled).attachment);
  }
  EXPECT_TRUE(FileManager::getDirSubFiles(tmp)->empty());
}

TEST_F(ReportFormScreen, ChecksInOrderWithTheirMessages) {
  struct Case {
    std::string name, idcard, phone, content;
    bool withFile;
    std::string message;  // "" when the report goes out
  };
  const std::string prompt = ReportViewController::kContentPrompt;
  const std::vector<Case> cases = {
      {"  ", "12", "2", "", false, "请输入正确的姓名"},
      {"", "11010119900307123X", "13800138000", "x", false, "请输入正确的姓名"},
      {"李四", "", "13800138000", "x", false, "请输入正确的身份证号"},
      {"李四", "11010119900307123", "13800138000", "x", false, "请输入正确的身份证号"},
      {"李四", "11010119900307123X", "23800138000", "x", false, "请输入以1开头的11位手机号码！"},
      {"李四", "11010119900307123X", "1380013800", "x", false, "请输入以1开头的11位手机号码！"},
      {"李四", "11010119900307123X", "138001380001", "x", false, "请输入以1开头的11位手机号码！"},
      {"李四", "11010119900307123X", "13800138000", " \n ", false, "请输入举报内容或提交文件！"},
      {"李四", "11010119900307123X", "13800138000", prompt, false, "请输入举报内容或提交文件！"},
      {"李四", "11010119900307123X", "13800138000", "", true, ""},
      {" 李四 ", "11010119900307123X", "13800138000", "x", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + "/" + c.idcard + "/" + c.phone + "/" + c.content);
    TearDown();
    form = std::make_shared<ReportViewController>();
    SetUp();
    std::size_t before = http.requests().size();
    fill(c.name, c.idcard, c.phone, c.content);
    if (c.withFile) attach(PickedKind::Picture, picture());
    submit();
    EXPECT_EQ(http.requests().size() - before, c.message.empty() ? 1u : 0u);
    EXPECT_EQ(alertMessage(), c.message);
    if (!c.message.empty()) {
      EXPECT_EQ(toolkit.alerts.top()->title, "");
      EXPECT_EQ(toolkit.alerts.top()->buttons, std::vector<std::string>{"好"});
      ASSERT_TRUE(driver.alert("好").ok);
    }
    for (auto id : http.pending()) http.respond(id, FakeReply::failure(1));
    settle();
  }
  // Typed values go out as typed, blanks and all.
  fill(" 李四 ", "11010119900307123X", "13800138000", " x ");
  submit();
  answer("Q1");
  answer("P1");
  EXPECT_NE(http.requests().back().body.find("<name> 李四 </name>"), std::string::npos);
  EXPECT_NE(http.requests().back().body.find("<content> x </content>"), std::string::npos);
}

TEST_F(ReportFormScreen, AtMostFourAttachmentsAndANewReportMayCarryFourAgain) {
  fill("李四", "11010119900307123X", "13800138000", "");
  for (int i = 0; i < 3; ++i) attach(PickedKind::Picture, picture());
  fileUpToInster();
  for (int i = 0; i < 3; ++i) answer("Update:1");
  ASSERT_EQ(toolkit.alerts.top()->title, "请记录");
  ASSERT_TRUE(driver.alert("好").ok);

  fill("李四", "11010119900307123X", "13800138000", "");
  submit();
  EXPECT_EQ(alertMessage(), "请输入举报内容或提交文件！") << "cleared: no files any more";
  ASSERT_TRUE(driver.alert("好").ok);
  for (int i = 0; i < 4; ++i) attach(PickedKind::Picture, picture());
  EXPECT_EQ(form->selectFiles().size(), 4u);
  int shown = picker.presented;
  ASSERT_TRUE(driver.press("+").ok);
  EXPECT_EQ(alertMessage(), "一次最多能上传4个文件");
  EXPECT_FALSE(toolkit.alerts.top()->sheet);
  EXPECT_EQ(picker.presented, shown);
  EXPECT_EQ(form->selectFiles().size(), 4u);
  for (const auto& thumbnail : form->attachments.thumbnails) EXPECT_FALSE(thumbnail.hidden);
}

TEST_F(ReportFormScreen, TheChoiceSheetAndWhatEachPickerAsksFor) {
  ASSERT_TRUE(driver.press("+").ok);
  ASSERT_TRUE(toolkit.alerts.top());
  EXPECT_TRUE(toolkit.alerts.top()->sheet);
  EXPECT_EQ(toolkit.alerts.top()->buttons,
            (std::vector<std::string>{"拍照", "录像", "手机相册中选择", "取消"}));
  ASSERT_TRUE(driver.alert("拍照").ok);
  ASSERT_TRUE(picker.isOpen());
  EXPECT_EQ(picker.request()->source, PickerSource::PhotoLibrary) << "no camera here";
  EXPECT_TRUE(picker.request()->pictures && !picker.request()->movies);
  EXPECT_TRUE(picker.request()->allowsEditing);
  EXPECT_FALSE(picker.choose({PickedKind::Movie, movie()})) << "a picture picker takes no movie";
  picker.cancel();
  picker.camera = true;
  ASSERT_TRUE(driver.press("+").ok);
  ASSERT_TRUE(driver.alert("录像").ok);
  EXPECT_EQ(picker.request()->source, PickerSource::Camera);
  EXPECT_TRUE(!picker.request()->pictures && picker.request()->movies);
  picker.cancel();
  ASSERT_TRUE(driver.press("+").ok);
  ASSERT_TRUE(driver.alert("手机相册中选择").ok);
  EXPECT_EQ(picker.request()->source, PickerSource::PhotoLibrary);
  EXPECT_TRUE(picker.request()->pictures && picker.request()->movies);
  EXPECT_FALSE(picker.request()->allowsEditing);
  picker.cancel();
  ASSERT_TRUE(driver.press("+").ok);
  ASSERT_TRUE(driver.alert("取消").ok);
  EXPECT_FALSE(picker.isOpen());
  EXPECT_TRUE(form->selectFiles().empty()) << "cancelled pickers add nothing";
}

TEST_F(ReportFormScreen, APortraitPhotoIsStoredUprightAndUnusableFilesAreRefusedAloud) {
  // Stored lying on its side (64 x 32, red top left, blue top right, green bottom left), with
  // the tag that says to turn it a quarter clockwise: upright it is 32 x 64, green top left.
  attach(PickedKind::Picture,
         writeSource("portrait.jpg", withOrientation(*encodeJpeg(quadrants(64, 32), 95), 6)));
  ASSERT_EQ(form->selectFiles().size(), 1u);
  std::string stored = *FileManager::readFile(form->selectFiles()[0]);
  EXPECT_EQ(stored.find("Exif"), std::string::npos) << "no tag left to turn it twice";
  auto upright = decodeImage(stored);
  ASSERT_TRUE(upright);
  ASSERT_EQ(upright->width, 32);
  ASSERT_EQ(upright->height, 64);
  EXPECT_TRUE(near(upright->pixel(4, 4), kGreen, 70)) << std::hex << upright->pixel(4, 4);
  EXPECT_TRUE(near(upright->pixel(27, 4), kRed, 70)) << std::hex << upright->pixel(27, 4);
  EXPECT_TRUE(near(upright->pixel(27, 59), kBlue, 70)) << std::hex << upright->pixel(27, 59);
  // The thumbnail keeps the top of the upright picture.
  auto thumbnail = decodeImage(*form->attachments.thumbnails[0].bytes);
  ASSERT_TRUE(thumbnail);
  EXPECT_TRUE(near(thumbnail->pixel(10, 10), kGreen) && near(thumbnail->pixel(70, 10), kRed));

  // Files no decoder takes: damaged, a text a client took for a picture by its name, a size
  // over the pixel limit. Each is refused with the notice and adds nothing.
  for (const auto& [name, bytes] :
       std::vector<std::pair<std::string, std::string>>{{"broken.jpg", "\xff\xd8\xff not really"},
                                                        {"note.jpg", "Meet at the corner at nine."},
                                                        {"huge.png", pngDeclaring(20000, 20000)}}) {
    SCOPED_TRACE(name);
    attach(PickedKind::Picture, writeSource(name, bytes));
    EXPECT_EQ(hudText(), "所选文件不是可添加的图片或视频");
    EXPECT_EQ(form->selectFiles().size(), 1u);
    EXPECT_TRUE(form->attachments.thumbnails[1].hidden);
  }
  // A movie that is gone by the time it is copied is refused the same way.
  attach(PickedKind::Movie, sources.path() + "/gone.mov");
  EXPECT_EQ(hudText(), "所选文件不是可添加的图片或视频");
  EXPECT_EQ(form->selectFiles().size(), 1u);
  // A movie is copied under a temporary name and renamed: nothing else is left beside it.
  attach(PickedKind::Movie, movie());
  ASSERT_EQ(form->selectFiles().size(), 2u);
  EXPECT_EQ(FileManager::getDirSubFiles(*FileManager::getTmpPath())->size(), 2u);
}

TEST_F(ReportFormScreen, AttachmentsAreNamedByTheClockAndNeverOverwriteEachOther) {
  // 2026-01-15 09:30:00 UTC is 790162200 seconds after 2001-01-01.
  attach(PickedKind::Picture, picture(400, 300));
  attach(PickedKind::Picture, picture());
  attach(PickedKind::Movie, movie());
  auto tmp = *FileManager::getTmpPath();
  EXPECT_EQ(form->selectFiles(),
            (std::vector<std::string>{tmp + "/790162200000.jpg", tmp + "/790162200001.jpg",
                                      tmp + "/790162200000.mov"}));
  auto stored = decodeImage(*FileManager::readFile(form->selectFiles()[0]));
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->width, 400) << "the unedited picture, not a crop";
  // The strongest compression: every quantiser at 255, the most a baseline JPEG holds.
  auto tables = quantisers(*FileManager::readFile(form->selectFiles()[0]));
  EXPECT_EQ(tables, std::vector<int>(tables.size() < 64 ? 64 : tables.size(), 255));
  auto thumbnail = decodeImage(*form->attachments.thumbnails[0].bytes);
  ASSERT_TRUE(thumbnail);
  EXPECT_EQ(thumbnail->width, 80);
  EXPECT_EQ(thumbnail->height, 80);
  EXPECT_EQ(form->attachments.thumbnails[0].width, 40);
  EXPECT_FALSE(form->attachments.thumbnails[2].hidden);
  EXPECT_FALSE(form->attachments.thumbnails[2].bytes) << "no frame from these movie bytes";
}

}  // namespace
}  // namespace vokari::testing
