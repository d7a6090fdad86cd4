// The services of one data folder keep their ports from run to run, since stored news carry
// the general service's address; a port taken meanwhile moves alone and is reported.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "server/Backend.h"
#include "support/Loopback.h"

namespace vokari_backend {
namespace {

// Holds a port for as long as it lives.
struct Occupied : vokari::loopback::Listener {
  explicit Occupied(int port = 0) : Listener(port) { EXPECT_NE(this->port(), 0) << port; }
};

class PortRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = (std::filesystem::temp_directory_path() /
           ("vokari-ports-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name()))
              .string();
    std::filesystem::remove_all(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  // One run: starts, notes what moved, stops.
  Ports run(Ports first = Ports::automatic()) {
    Backend backend;
    auto started = backend.start(
        {.dataDir = dir, .ports = first, .onSms = {}, .clock = {}, .keepPorts = true});
    EXPECT_TRUE(started.ok()) << started.status.message();
    moves = backend.moves();
    return started.value.value_or(Ports{});
  }

  std::string dir;
  std::vector<PortMove> moves;
};

TEST_F(PortRecord, ALaterRunTakesTheSamePortsAndOnlyATakenOneMoves) {
  Occupied standard;  // the first run's wish for the general port is taken: a free one instead
  Ports first = run({standard.port(), 0, 0, 0});
  EXPECT_NE(first.general, standard.port());
  EXPECT_TRUE(moves.empty()) << "nothing was stored under a port yet";

  EXPECT_EQ(run(), first);
  EXPECT_TRUE(moves.empty());

  Ports third;
  {
    Occupied report(first.report);
    third = run();
  }
  EXPECT_EQ(third.general, first.general);
  EXPECT_EQ(third.account, first.account);
  EXPECT_EQ(third.appointment, first.appointment);
  EXPECT_NE(third.report, first.report);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].service, "report");
  EXPECT_EQ(moves[0].from, first.report);
  EXPECT_EQ(moves[0].to, third.report);

  EXPECT_EQ(run(), third) << "the moved port is the one kept from now on";
  EXPECT_TRUE(moves.empty());
}

TEST_F(PortRecord, ADamagedRecordCountsAsNone) {
  run();
  Occupied taken;
  const std::string p = std::to_string(taken.port());
  const std::string whole = "general=" + p + ",account=" + p + ",appointment=" + p + ",report=" + p;
  const std::string others = ",account=" + p + ",appointment=" + p + ",report=" + p;
  const std::vector<std::string> records = {
      "",
      "\x01 garbage\n",
      whole,  // cut short before its line break
      "general=" + p + ",account=",
      whole + ",more\n",
      "general=70000" + others + "\n",
      "general=0" + others + "\n",
      "general= " + p + others + "\n",
  };
  for (const std::string& record : records) {
    std::ofstream(dir + "/ports", std::ios::trunc) << record;
    Ports ports = run();
    EXPECT_TRUE(moves.empty()) << "taken as a record: " << record;
    EXPECT_NE(ports.general, taken.port());
    EXPECT_EQ(run(), ports) << "a sound record replaced: " << record;
  }
}

}  // namespace
}  // namespace vokari_backend
