// The crime-report road: file a report with three pictures (a portrait JPEG photo, WebP, HEIC)
// and a 20 MB video, find it at the stand-in with the same bytes the client stored, query it before
// and after its state changes, and open the wanted-person list; and a report of what phones and
// albums hold, with the codecs loaded only once a file is picked.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "Harness.h"
#include "media/Image.h"
#include "media/TestPictures.h"
#include "media/TestVideo.h"
#include "server/Backend.h"
#include "support/TestPlatform.h"

namespace vokari::e2e {
namespace {

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string bytesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void makeMedia(const std::string& folder) {
  // A photo as a phone held upright stores it: lying on its side, with the tag to turn it.
  Image street = Image::filled(640, 480, 0x336699);
  street.fill(100, 100, 200, 120, 0xffcc00);
  std::ofstream(folder + "/street.jpg", std::ios::binary)
      << testing::withOrientation(*encodeJpeg(street, 92), 6);
  std::string webp = testing::encodeWebP(Image::filled(90, 160, 0xeeeeee));
  std::string heic = testing::encodeHeic(testing::quadrants(120, 80));
  ASSERT_FALSE(webp.empty() || heic.empty());
  std::ofstream(folder + "/plate.webp", std::ios::binary) << webp;
  std::ofstream(folder + "/face.heic", std::ios::binary) << heic;
  ASSERT_TRUE(testing::writeLargeVideo(folder + "/clip.mov", 20));
}

TEST(ReportScenario, AReportWithFourFilesIsFiledFoundAndQueried) {
  testing::TempDir dir;
  std::string data = dir.path() + "/data", media = dir.path() + "/media";
  std::filesystem::create_directories(media);
  makeMedia(media);
  const std::vector<std::string> fakeClock = {"--fake-clock"};

  VokariRun filed = runVokari(
      data, scenario("register.vks") + replaced(scenario("reports_file.vks"), "@MEDIA@", media),
      fakeClock);
  ASSERT_EQ(filed.status, 0) << filed.output;
  EXPECT_TRUE(filed.printed("hud: busy 正在上传...")) << filed.output;
  std::smatch found;
  ASSERT_TRUE(std::regex_search(filed.output, found,
                                std::regex("alert: 请记录 \\| 查询ID:(\\S+)\n密码:(\\S+) \\|")))
      << filed.output;
  const std::string id = found[1], password = found[2];

  // The stand-in keeps the report and the three files with the bytes the client stored.
  auto reports = vokari_backend::inspect(data + "/backend", vokari_backend::Listing::Reports);
  ASSERT_TRUE(reports.ok()) << reports.status.message();
  ASSERT_EQ(reports.value->size(), 1u);
  const auto& report = reports.value->front();
  EXPECT_EQ(report["code"], id);
  EXPECT_EQ(report["name"], "王五");
  EXPECT_EQ(report["content"], "夜里有人在楼下撬车 & 逃跑");
  EXPECT_EQ(report["files"], "4");
  std::vector<std::string> served;
  std::stringstream paths(report["paths"]);
  for (std::string path; std::getline(paths, path, ',');) served.push_back(bytesOf(path));
  // Each served file is one the client stored: its three JPEG files and the movie it copied.
  ASSERT_EQ(served.size(), 4u);
  std::map<std::string, std::string> stored;  // extension and bytes, by name
  for (const auto& entry : std::filesystem::directory_iterator(data + "/client/Library/tmp")) {
    stored[entry.path().filename().string()] = bytesOf(entry.path().string());
    EXPECT_EQ(entry.status().permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
  ASSERT_EQ(stored.size(), 4u);
  std::vector<std::string> extensions;
  for (const std::string& bytes : served) {
    auto match = std::find_if(stored.begin(), stored.end(),
                              [&](const auto& file) { return file.second == bytes; });
    ASSERT_NE(match, stored.end());
    extensions.push_back(std::filesystem::path(match->first).extension().string());
  }
  EXPECT_EQ(extensions, (std::vector<std::string>{".jpg", ".jpg", ".jpg", ".mov"}))
      << "attachment order";
  EXPECT_GE(served[3].size(), 20u << 20);
  EXPECT_TRUE(served[3] == bytesOf(media + "/clip.mov")) << "the video byte for byte as chosen";
  auto picture = decodeImage(served[0]);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 480) << "the whole picture, upright, strongly compressed";
  EXPECT_EQ(picture->height, 640);
  EXPECT_EQ(served[0].find("Exif"), std::string::npos) << "no tag left to turn it twice";
  EXPECT_LT(served[0].size(), bytesOf(media + "/street.jpg").size());
  for (auto [at, width, height] : {std::tuple{1, 90, 160}, std::tuple{2, 120, 80}}) {
    auto converted = decodeImage(served[at]);
    ASSERT_TRUE(converted) << "WebP and HEIC reach the service as JPEG";
    EXPECT_EQ(converted->width, width);
    EXPECT_EQ(converted->height, height);
  }

  auto query = [&](const std::string& state) {
    std::string script = scenario("reports_query.vks");
    script =
        replaced(replaced(replaced(script, "@ID@", id), "@PASSWORD@", password), "@STATE@", state);
    return runVokari(data, script, fakeClock);
  };
  VokariRun first = query("正在受理中...");
  EXPECT_EQ(first.status, 0) << first.output;

  std::string command = std::string(VOKARI_BACKEND_BIN) + " reports set-state --data-dir '" + data +
                        "/backend' --code '" + id + "' --state '已受理，民警正在核实'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  VokariRun second = query("已受理，民警正在核实");
  EXPECT_EQ(second.status, 0) << second.output;
}

using Libraries = std::initializer_list<const char*>;
// The codec libraries the client may map, and those it maps for one feature only, by the start
// of their file names.
constexpr Libraries kCodecs = {"/libavcodec", "/libavformat", "/libheif",
                               "/libjpeg",    "/libwebp",     "/libvokari-media"};
constexpr Libraries kOneFeature = {"/libxml2", "/libicui18n"};

bool maps(int pid, Libraries libraries) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  std::string line;
  while (std::getline(maps, line)) {
    for (const char* library : libraries)
      if (line.find(library) != std::string::npos) return true;
  }
  return false;
}

// What phones and albums hold, through the terminal client: the codecs load only once a file is
// picked; a few hundred bytes declaring a 20,000 x 20,000 progressive JPEG are refused; a clip of
// the size messaging apps send, an animated WebP with a transparent half, a CMYK print export and
// an AVIF photo are filed, the pictures as upright JPEGs in their colours.
TEST(ReportScenario, WhatPhonesHoldIsFiledAndTheCodecsLoadOnlyWhenAFileIsPicked) {
  testing::TempDir dir;
  const std::string data = dir.path() + "/data", media = dir.path() + "/media";
  std::filesystem::create_directories(media);
  using namespace testing;
  ASSERT_TRUE(
      writeVideo(media + "/chat.mp4", VideoShape{.width = 360, .height = 640, .frames = 2}));
  std::ofstream(media + "/sticker.webp", std::ios::binary)
      << encodeAnimatedWebP({quadrants(48, 32), Image::filled(48, 32, kBlack)});
  std::ofstream(media + "/print.jpg", std::ios::binary)
      << encodeCmykJpeg(quadrants(48, 32), Inks::AdobeCmyk);
  std::ofstream(media + "/photo.avif", std::ios::binary) << avifQuadrants();
  std::ofstream(media + "/bomb.jpg", std::ios::binary)
      << jpegDeclaring(greyJpeg(16, 16, true), 20000, 20000);

  bool lazyAtLogin = true, codecsAtStart = true, codecsAfterPick = false;
  const std::string form =
      "press 有奖举报\npress 举报\nexpect 添加附件\ntype 姓名 王五\n"
      "type 身份证(领取奖励的重要凭证) 11010119900307123X\ntype 电话号码 13800000011\n"
      "type 举报内容应包含时间、地点、人员、事由等详细经过 夜里有人在楼下撬车\n";
  auto pick = [&](const char* name) {
    return "press +\nalert 手机相册中选择\nattach " + media + "/" + name + "\nsettle\n";
  };
  VokariRun run = runVokariSteps(
      data,
      {{"expect 登录\n",
        [&] { lazyAtLogin = maps(drivenVokari(), kCodecs) || maps(drivenVokari(), kOneFeature); }},
       {scenario("register.vks") + form, [&] { codecsAtStart = maps(drivenVokari(), kCodecs); }},
       {pick("bomb.jpg") + "expect 添加附件\n",
        [&] { codecsAfterPick = maps(drivenVokari(), kCodecs); }},
       {pick("chat.mp4") + pick("sticker.webp") + pick("print.jpg") + pick("photo.avif") +
            "press 提交\nsettle\nexpect 请记录\nalert 好\n",
        nullptr}},
      {"--fake-clock"});
  EXPECT_FALSE(lazyAtLogin) << "the login screen maps no codec, XML or transliteration library";
  EXPECT_FALSE(codecsAtStart) << "the login, main and report screens need no codec";
  EXPECT_TRUE(codecsAfterPick);
  EXPECT_TRUE(run.printed("hud: error 所选文件不是可添加的图片或视频")) << run.output;

  auto reports = vokari_backend::inspect(data + "/backend", vokari_backend::Listing::Reports);
  ASSERT_TRUE(reports.ok()) << reports.status.message();
  ASSERT_EQ(reports.value->size(), 1u) << run.output;
  std::vector<std::string> served;
  std::stringstream paths(reports.value->front()["paths"]);
  for (std::string path; std::getline(paths, path, ',');) served.push_back(bytesOf(path));
  ASSERT_EQ(served.size(), 4u);
  EXPECT_TRUE(served[0] == bytesOf(media + "/chat.mp4"));
  for (int at : {1, 2, 3}) {
    SCOPED_TRACE(at);
    auto picture = decodeImage(served[at]);
    ASSERT_TRUE(picture) << "every picture reaches the service as JPEG";
    ASSERT_EQ(picture->width, 48);
    ASSERT_EQ(picture->height, 32);
    // Red, blue, green and white corners; the strongest compression leaves them roughly so.
    const std::uint32_t want[] = {kRed, kBlue, kGreen, kWhite};
    const std::uint32_t got[] = {picture->pixel(4, 4), picture->pixel(43, 4), picture->pixel(4, 27),
                                 picture->pixel(43, 27)};
    for (int i = 0; i < 4; ++i)
      EXPECT_TRUE(near(got[i], want[i], 90)) << i << std::hex << " " << got[i];
  }
}

}  // namespace
}  // namespace vokari::e2e
