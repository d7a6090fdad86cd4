// The crime-report road: file a report with three pictures (a portrait JPEG photo, WebP, HEIC)
// and a 20 MB video, find it at the stand-in with the same bytes the client stored, query it before
// and after its state changes, and open the wanted-person list.

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

}  // namespace
}  // namespace vokari::e2e
