#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "Harness.h"
#include "support/Loopback.h"
#include "support/TestPlatform.h"

namespace vokari::e2e {
namespace {

using vokari::testing::TempDir;

TEST(Terminal, StartsOnTheLoginScreenOnAnEmptyFolder) {
  TempDir dir;
  VokariRun run = runVokari(dir.path() + "/data", "expect 登录\nscreen\nquit\n");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.printed("screen: 登录")) << run.output;
}

TEST(Terminal, ExitsWithOneAndSaysWhyWhenItsServicesOrDataFolderCannotBeHad) {
  TempDir dir;
  VokariRun taken;
  {
    loopback::Listener busy;
    ASSERT_NE(busy.port(), 0);
    std::string port = std::to_string(busy.port());
    taken = runVokari(dir.path() + "/data", "quit\n",
                      {"--ports", "general=" + port + ",account=" + port + ",appointment=" + port +
                                      ",report=" + port});
  }
  EXPECT_EQ(taken.status, 1) << taken.output;
  EXPECT_TRUE(taken.contains("vokari: cannot start the built-in services")) << taken.output;
  VokariRun unwritable = runVokari("/proc/vokari", "quit\n");
  EXPECT_EQ(unwritable.status, 1) << unwritable.output;
  EXPECT_TRUE(unwritable.printed("vokari: cannot create the data folder /proc/vokari/client"))
      << unwritable.output;
}

// Stored news carry the general service's port: a later run keeps it, and says so when another
// program has taken it meanwhile.
TEST(Terminal, TheBuiltInServicesKeepTheirPortsAndSayWhenOneHadToMove) {
  TempDir dir;
  const std::string data = dir.path() + "/data";
  ASSERT_EQ(runVokari(data, "quit\n").status, 0);
  auto recorded = [&] {
    std::ifstream in(data + "/backend/ports");
    std::string line;
    std::getline(in, line);
    return line;
  };
  ASSERT_TRUE(recorded().starts_with("general=")) << recorded();
  // From here on ports no other client tries first, so that none takes them between two runs.
  recordFreePorts(data);
  const std::string first = recorded();
  VokariRun again = runVokari(data, "quit\n");
  EXPECT_EQ(recorded(), first);
  EXPECT_FALSE(again.contains("moved")) << again.output;

  int general = std::stoi(first.substr(8));
  VokariRun moved;
  {
    loopback::Listener busy(general);
    ASSERT_EQ(busy.port(), general);
    moved = runVokari(data, "expect 登录\nquit\n");
  }
  EXPECT_EQ(moved.status, 0) << moved.output;
  EXPECT_TRUE(moved.contains("general from " + std::to_string(general) + " to ")) << moved.output;
  EXPECT_TRUE(moved.contains("news stored earlier may not open")) << moved.output;
  EXPECT_EQ(recorded().substr(first.find(',')), first.substr(first.find(',')))
      << "only the taken port moves";
}

TEST(Terminal, OneClientAtATimeOnADataFolderAndWhatKilledWritesLeftIsCleared) {
  TempDir dir;
  const std::string data = dir.path() + "/data";
  const std::string tmp = data + "/client/Library/tmp";
  std::filesystem::create_directories(tmp);
  std::ofstream(tmp + "/1.jpg.tmp") << "half a picture";
  std::ofstream(data + "/client/Library/settings.json.tmp") << "{\"currentuser\": \"13";
  VokariRun second;
  VokariRun first =
      runVokariSteps(data, {{"expect 登录\n", [&] { second = runVokari(data, "quit\n"); }}});
  EXPECT_EQ(first.status, 0) << first.output;
  EXPECT_EQ(second.status, 1) << second.output;
  EXPECT_TRUE(second.contains("is in use by another Vokari")) << second.output;
  EXPECT_FALSE(std::filesystem::exists(tmp + "/1.jpg.tmp"));
  EXPECT_FALSE(std::filesystem::exists(data + "/client/Library/settings.json.tmp"));
}

TEST(Terminal, UnknownCommandsAndMissingTargetsExitWithTwo) {
  TempDir dir;
  VokariRun unknown = runVokari(dir.path() + "/a", "fly away\nquit\n");
  EXPECT_EQ(unknown.status, 2) << unknown.output;
  EXPECT_TRUE(unknown.contains("unknown command")) << unknown.output;
  VokariRun missing = runVokari(dir.path() + "/b", "press 没有这个按钮\n");
  EXPECT_EQ(missing.status, 2) << missing.output;
  // A command line it cannot read: the reason, then the usage.
  const std::pair<std::vector<std::string>, std::string> badLines[] = {
      {{"--ports", "general=0"},
       "vokari: --ports wants general=N,account=N,appointment=N,report=N"},
      {{"--position", "91,0"}, "vokari: --position wants LAT,LON"},
      {{"--fly"}, "vokari: unknown or incomplete argument: --fly"},
      {{"--host"}, "vokari: unknown or incomplete argument: --host"},
  };
  for (const auto& [args, reason] : badLines) {
    VokariRun refused = runVokari(dir.path() + "/c", "quit\n", args);
    EXPECT_EQ(refused.status, 2) << refused.output;
    EXPECT_TRUE(refused.printed(reason) && refused.contains("usage: vokari")) << refused.output;
  }
}

TEST(StandIn, CommandsThatCannotBeDoneExitWithOneAndSayWhy) {
  TempDir dir;
  const std::string data = dir.path() + "/backend";
  const std::pair<std::vector<std::string>, std::string> refusals[] = {
      {{"sms"}, "vokari-backend: cannot open " + data + "/backend.db"},  // no database yet
      {{"blacklist", "add", ""}, "vokari-backend: a phone number is needed"},
      {{"news", "add", "--area", "1", "--title", "x"}, "vokari-backend: the area must be 2 to 11"},
      {{"bookings", "set-state", "1", "5"}, "vokari-backend: a booking state is 1, 2, 3 or 4"},
      {{"bookings", "set-state", "none", "2"}, "vokari-backend: no booking none"},
      {{"reports", "set-state", "--code", "none", "--state", "x"},
       "vokari-backend: no report with the query ID none"},
      {{"news", "import"}, "vokari-backend: news import needs --data-dir DIR and a FILE\nusage:"},
  };
  for (auto [args, reason] : refusals) {
    args.insert(args.end(), {"--data-dir", data});
    VokariRun refused = runBackend(args);
    EXPECT_EQ(refused.status, 1) << refused.output;
    EXPECT_TRUE(refused.contains(reason)) << refused.output;
  }
}

// Which line is bad, and why, is told by the import itself (NewsImportTest).
TEST(StandIn, NewsImportTellsHowManyItStored) {
  TempDir dir;
  const std::string data = dir.path() + "/backend", file = dir.path() + "/news.jsonl";
  std::ofstream(file) << R"({"time":"2030-01-01 08:00:00","area":"2","title":"一"})"
                      << "\n"
                      << R"({"time":"2030-01-01 08:00:01","area":3,"title":"二"})"
                      << "\n";
  VokariRun imported = runBackend({"news", "import", file, "--data-dir", data});  // file first
  EXPECT_EQ(imported.status, 0) << imported.output;
  EXPECT_TRUE(imported.printed("imported 2 items")) << imported.output;
  VokariRun help = runBackend({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.contains("vokari-backend news import --data-dir DIR FILE")) << help.output;
}

TEST(Terminal, ExpectFailsWithOneOnAMissingText) {
  TempDir dir;
  VokariRun run = runVokari(dir.path() + "/data", "expect 这段文字不在屏幕上\nquit\n");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.contains("expect failed")) << run.output;
}

const std::vector<std::string> kFakeClock = {"--fake-clock"};

TEST(Terminal, WithTheNetworkOffRequestsFailAsWithoutAConnectionAndOnRestoresThem) {
  TempDir dir;
  VokariRun run = runVokari(dir.path() + "/data",
                            "network off\n"
                            "type 请输入手机号 13800000011\n"
                            "type 请输入密码 secret11\n"
                            "press 登录\n"
                            "settle\n"
                            "expect 连接失败\n"
                            "wait 1\n"
                            "network on\n"
                            "press 登录\n"
                            "settle\n"
                            "expect 账号或密码错误\n"  // the service answered: no such account
                            "quit\n",
                            kFakeClock);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.printed("hud: error 连接失败")) << run.output;
}

TEST(Terminal, HooksPositionsAndRowsCanBeDrivenFromAScript) {
  TempDir dir;
  std::string data = dir.path() + "/data";
  VokariRun registered = runVokari(data, scenario("register.vks") + "quit\n", kFakeClock);
  ASSERT_EQ(registered.status, 0) << registered.output;

  // Started signed in: the main screen is the one the hooks act on.
  VokariRun run = runVokari(data,
                            "expect LanzoVokari\n"
                            "network off\n"
                            "activate\n"
                            "expect 网络不给力\n"
                            "foreground\n"  // closes the warning
                            "network on\n"
                            "position denied\n"
                            "activate\n"
                            "expect 定位服务\n"
                            "foreground\n"
                            "position 36.06,103.83\n"
                            "position 36.06 103.83\n"
                            "press 一键服务\n"
                            "press 交警\n"  // the tab
                            "row 交警\n"    // the directory row of the same name
                            "quit\n",
                            kFakeClock);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.contains("alert:  | 网络不给力 | [好]")) << run.output;
  EXPECT_TRUE(run.printed("open: telprompt://019986560122")) << run.output;

  VokariRun bad = runVokari(data, "position 91,0\n", kFakeClock);
  EXPECT_EQ(bad.status, 2) << bad.output;
  VokariRun help = runVokari(data, "help\nquit\n", kFakeClock);
  EXPECT_TRUE(help.contains("row <text>")) << help.output;
  EXPECT_TRUE(help.contains("never a button of the same text")) << help.output;
}

// The README's sample session, as the README shows it, does what the README says it does.
TEST(Terminal, TheReadmeSampleSessionShowsWhatItClaims) {
  std::ifstream in(VOKARI_README);
  std::stringstream readme;
  readme << in.rdbuf();
  std::string text = readme.str();
  auto intro = text.find("A sample session");
  ASSERT_NE(intro, std::string::npos);
  auto start = text.find("```\n", intro);
  ASSERT_NE(start, std::string::npos);
  start += 4;
  auto end = text.find("```", start);
  ASSERT_NE(end, std::string::npos);
  std::string sample = text.substr(start, end - start);

  TempDir dir;
  VokariRun run = runVokari(dir.path() + "/data", sample + "quit\n", kFakeClock);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.printed("hud: busy 正在获取短信验证码...")) << run.output;
  EXPECT_TRUE(run.contains("sms: 13800000011 【Vokari】您的验证码是")) << run.output;
  EXPECT_TRUE(run.printed("screen: 完成注册")) << run.output;
}

}  // namespace
}  // namespace vokari::e2e
