#include "storage/Sqlite.h"

#include <gtest/gtest.h>

#include "support/TestPlatform.h"

namespace vokari {
namespace {

using testing::TempDir;

TEST(Sqlite, EveryKindOfValueRoundTripsThroughParameters) {
  TempDir dir;
  auto db = SqliteDatabase::open(dir.path() + "/t.db").value;
  ASSERT_TRUE(db);
  ASSERT_TRUE(db->execute("CREATE TABLE t (a, b, c, d)"));
  const std::string bytes("it's \"x\"\0; DROP TABLE t; --", 28);
  ASSERT_TRUE(
      db->execute("INSERT INTO t VALUES (?, ?, ?, ?)", {Null{}, std::int64_t{-7}, 2.5, bytes}));
  auto rows = db->query("SELECT * FROM t WHERE d = ?", {bytes});
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->size(), 1u);
  EXPECT_EQ(rows->front(), (Row{{"a", Null{}}, {"b", -7}, {"c", 2.5}, {"d", bytes}}));
}

TEST(Sqlite, FailuresAreAnsweredNotThrown) {
  TempDir dir;
  EXPECT_FALSE(SqliteDatabase::open(dir.path() + "/missing/t.db").ok());
  auto db = SqliteDatabase::open(dir.path() + "/t.db").value;
  ASSERT_TRUE(db);
  EXPECT_FALSE(db->prepare("SELEC 1"));
  EXPECT_FALSE(db->execute("INSERT INTO nowhere VALUES (1)"));
  EXPECT_FALSE(db->query("SELECT * FROM nowhere"));
  EXPECT_FALSE(db->execute("SELECT ?", {1, 2}));  // more values than parameters
  EXPECT_EQ(quotedIdentifier("we\"ird"), "\"we\"\"ird\"");
}

}  // namespace
}  // namespace vokari
