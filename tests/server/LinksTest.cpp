// The rules that close connections, on a clock the test steps: deadlines by progress rather
// than by a rate every byte must keep, and room made for a new connection at the limit.

#include "server/Links.h"

#include <gtest/gtest.h>

#include <string>

#include "server/Http.h"

namespace vokari_backend {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

const SteadyTime t0{};

// A body that began at t0 and came at `perSecond` bytes a second, looked at `after` later.
Link body(size_t perSecond, seconds after, bool stalled = false) {
  Link link{.phase = Phase::Body, .since = t0, .lastByte = t0, .started = true};
  link.received = perSecond * static_cast<size_t>(after.count());
  if (!stalled) link.lastByte = t0 + after;
  return link;
}

TEST(LinksTest, HeadersHaveADeadlineAndBodiesAreCutOnlyWhenTheyStallOrCrawl) {
  const Deadlines d;  // 10 s header, 30 s silence, 4 KiB/s after a minute
  struct Row {
    const char* what;
    Link link;
    seconds at;
    bool cut;
  };
  const Link waiting{.since = t0, .started = true};
  const Row rows[] = {
      {"a header within its 10 s", waiting, seconds(10), false},
      {"a header past its 10 s", waiting, seconds(11), true},
      {"a slow mobile upload at 24 KiB/s after ten minutes", body(24 << 10, seconds(600)),
       seconds(600), false},
      {"an upload at 5 KiB/s after an hour", body(5 << 10, seconds(3600)), seconds(3600), false},
      {"a body silent for 29 s", body(100 << 10, seconds(1), true), seconds(30), false},
      {"a body silent for 31 s", body(100 << 10, seconds(1), true), seconds(32), true},
      {"a crawl at 2 KiB/s within the first minute", body(2 << 10, seconds(60)), seconds(60),
       false},
      {"a crawl at 2 KiB/s past the first minute", body(2 << 10, seconds(61)), seconds(61), true},
      {"a request being answered", Link{.phase = Phase::Answering, .since = t0}, seconds(3600),
       false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(overdue(row.link, t0 + row.at, d), row.cut) << row.what;
  }
}

TEST(LinksTest, AtTheLimitTheLongestWaitingGoesThenASmallBodyButNeverAnAlarmOrAnUpload) {
  LinkTable table(3);
  for (int socket : {10, 11, 12}) {
    ASSERT_TRUE(table.open(socket, t0 + seconds(socket)).taken);
    table.find(socket)->started = true;
  }
  table.find(10)->phase = Phase::Answering;
  // 11 waits for a request since 11 s, 12 since 12 s: 11 makes room.
  LinkTable::Admission first = table.open(20, t0 + seconds(20));
  EXPECT_TRUE(first.taken);
  EXPECT_EQ(first.evicted, 11);
  EXPECT_EQ(table.live(), 3u);
  table.erase(11);  // the library closed it

  // No link waits: the oldest small body goes, never an alarm or a streamed upload.
  auto inBody = [&](int socket, int since, bool vital, bool streamed) {
    Link& link = *table.find(socket);
    link.phase = Phase::Body;
    link.since = t0 + seconds(since);
    link.vital = vital;
    link.streamed = streamed;
  };
  inBody(12, 1, true, false);
  inBody(20, 2, false, true);
  EXPECT_EQ(table.open(21, t0 + seconds(21)).taken, false) << "alarm, upload and answering stay";
  inBody(20, 2, false, false);
  EXPECT_EQ(table.open(21, t0 + seconds(21)).evicted, 20);
}

TEST(LinksTest, ConnectionsShutButNotYetClosedAreBoundedToo) {
  LinkTable table(16);
  int next = 100;
  for (; table.size() < 16; ++next) table.open(next, t0);
  // Each new one evicts a waiting one; until the library closes them, they still hold files.
  int taken = 0;
  while (table.open(next++, t0).taken) ++taken;
  EXPECT_GT(taken, 0);
  EXPECT_LE(table.size(), 16u + 8u);
  EXPECT_EQ(table.live(), 16u);
}

TEST(LinksTest, TheSweepClosesOverdueAndCrowdedOutLinksAndForgetsOnesNeverTaken) {
  const Deadlines d;
  LinkTable table(10);
  for (int socket = 0; socket < 10; ++socket) table.open(socket, t0);
  for (int socket = 1; socket < 10; ++socket) table.find(socket)->started = true;
  table.find(9)->phase = Phase::Answering;
  // Crowded (10 of 10): the links waiting longer than a second go; 0 was never taken.
  std::vector<int> shut = table.sweep(t0 + milliseconds(1500), d);
  EXPECT_EQ(shut.size(), 8u);
  EXPECT_EQ(table.live(), 2u);
  table.sweep(t0 + seconds(11), d);
  EXPECT_EQ(table.find(0), nullptr) << "a socket the library never took is forgotten";
}

TEST(LinksTest, TheConnectionLimitLeavesRoomForFilesAndShutConnections) {
  EXPECT_EQ(connectionLimit(1024, 4), 199u);
  EXPECT_EQ(connectionLimit(16384, 4), 3612u);
  EXPECT_EQ(connectionLimit(100, 4), 16u);
}

TEST(LinksTest, JsonNestingIsMeasuredOutsideStrings) {
  EXPECT_FALSE(nestedDeeper(R"({"a":[1,{"b":2}]})", 3));
  EXPECT_TRUE(nestedDeeper(R"({"a":[1,{"b":[2]}]})", 3));
  EXPECT_FALSE(nestedDeeper(R"({"a":"[[[[[[\"[[[[","b":"\\"})", 1));
  EXPECT_TRUE(nestedDeeper(R"({"":[[[[]]]]})", 3)) << "an empty key ends where it should";
  EXPECT_TRUE(nestedDeeper(std::string(17, '[') + std::string(17, ']'), kMaxJsonDepth));
  EXPECT_FALSE(nestedDeeper(std::string(16, '[') + std::string(16, ']'), kMaxJsonDepth));
}

}  // namespace
}  // namespace vokari_backend
