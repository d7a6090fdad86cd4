#include <gtest/gtest.h>

#include "Harness.h"
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

TEST(Terminal, UnknownCommandsAndMissingTargetsExitWithTwo) {
  TempDir dir;
  VokariRun unknown = runVokari(dir.path() + "/a", "fly away\nquit\n");
  EXPECT_EQ(unknown.status, 2) << unknown.output;
  EXPECT_TRUE(unknown.contains("unknown command")) << unknown.output;
  VokariRun missing = runVokari(dir.path() + "/b", "press 没有这个按钮\n");
  EXPECT_EQ(missing.status, 2) << missing.output;
}

TEST(Terminal, ExpectFailsWithOneOnAMissingText) {
  TempDir dir;
  VokariRun run = runVokari(dir.path() + "/data", "expect 这段文字不在屏幕上\nquit\n");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.contains("expect failed")) << run.output;
}

}  // namespace
}  // namespace vokari::e2e
