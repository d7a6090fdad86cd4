// Statements are kept and reused between calls: each call must see only its own values, and a
// statement that failed must serve the next call.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "server/Database.h"

namespace vokari_backend {
namespace {

TEST(Database, AKeptStatementAnswersEachCallWithItsOwnValues) {
  auto folder = std::filesystem::temp_directory_path() /
                ("vokari-database-test-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  {
    Database db((folder / "test.db").string(), true);
    db.exec("CREATE TABLE t(k TEXT PRIMARY KEY, v INTEGER)");
    const char* insert = "INSERT INTO t(k, v) VALUES (?, ?)";
    EXPECT_EQ(db.run(insert, {std::string("a"), 1LL}), 1);
    EXPECT_THROW(db.run(insert, {std::string("a"), 2LL}), std::runtime_error);
    EXPECT_EQ(db.run(insert, {std::string("b"), nullptr}), 1);

    const char* select = "SELECT coalesce(v, 'none') AS v FROM t WHERE k = ?";
    EXPECT_EQ((*db.row(select, {std::string("a")}))["v"], "1");
    EXPECT_EQ((*db.row(select, {std::string("b")}))["v"], "none");
    EXPECT_FALSE(db.row(select, {std::string("c")}).has_value());
    EXPECT_EQ(db.query("SELECT k FROM t ORDER BY k").size(), 2u);
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vokari_backend
