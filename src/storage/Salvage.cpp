#include "storage/Salvage.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <optional>

#include "platform/FileManager.h"

namespace vokari {
namespace {

// The statements of the indexes the schema declares, by name (automatic ones have none).
std::map<std::string, std::string> indexStatements(SqliteDatabase& db) {
  std::map<std::string, std::string> statements;
  for (const Row& row : db.query("SELECT name, sql FROM sqlite_master WHERE type = 'index' AND "
                                 "sql IS NOT NULL")
                            .value_or(std::vector<Row>{}))
    statements[textOf(row, "name").value_or("")] = textOf(row, "sql").value_or("");
  return statements;
}

// Whether every row of the table can be read, walking the table itself (never an index).
bool readsWhole(SqliteDatabase& db, const std::string& table) {
  auto select = db.prepare("SELECT * FROM " + quotedIdentifier(table));
  if (!select) return false;
  SqliteStatement::Step step;
  while ((step = select->step()) == SqliteStatement::Step::Row) {
  }
  return step == SqliteStatement::Step::Done;
}

// The rows of the table from rowid `after` on, in rowid order, each handed to `copy`; a step that
// fails leaves the rows after the failure to the caller. Answers the last rowid read, and
// whether the end was reached.
struct Pass {
  std::optional<std::int64_t> last;
  bool ended = false;
};
Pass copyFrom(SqliteDatabase& from, const std::string& table, std::int64_t after,
              const std::function<bool(const SqliteStatement&)>& copy) {
  Pass pass;
  auto select = from.prepare("SELECT rowid, * FROM " + quotedIdentifier(table) +
                             " WHERE rowid > ? ORDER BY rowid");
  if (!select || !select->bind(1, after)) return pass;
  SqliteStatement::Step step;
  while ((step = select->step()) == SqliteStatement::Step::Row) {
    pass.last = std::get<std::int64_t>(select->column(0));
    if (!copy(*select)) return pass;
  }
  pass.ended = step == SqliteStatement::Step::Done;
  return pass;
}

constexpr std::int64_t kLargestRowid = std::int64_t{1} << 62;

}  // namespace

bool rebuildDamagedIndexes(SqliteDatabase& db, const std::vector<std::string>& tables) {
  for (const std::string& table : tables)
    if (!readsWhole(db, table)) return false;  // the damage is not in the indexes alone
  // Their pages cannot be trusted even to be freed (REINDEX and DROP INDEX walk them): the
  // indexes are taken out of the schema, VACUUM writes the file anew without their pages, and
  // they are made again from the rows.
  const std::map<std::string, std::string> statements = indexStatements(db);
  auto version = db.query("PRAGMA schema_version");
  bool ok = version && !version->empty() && db.execute("PRAGMA writable_schema = ON") &&
            db.execute("DELETE FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL") &&
            db.execute("PRAGMA writable_schema = OFF");
  // A new schema version makes the connection read the schema again before its next statement.
  ok =
      ok && db.execute("PRAGMA schema_version = " +
                       std::to_string(std::stoll(*textOf(version->front(), "schema_version")) + 1));
  ok = ok && db.execute("VACUUM");
  for (const auto& [name, sql] : statements) ok = ok && db.execute(sql);
  return ok && db.soundness(true) == SqliteDatabase::Soundness::Sound;
}

Result<std::size_t> salvageRows(const std::string& damaged, const std::string& fresh,
                                const std::vector<std::string>& createStatements,
                                const std::vector<std::string>& tables) {
  Result<SqliteDatabase> from = SqliteDatabase::open(damaged);
  FileManager::removeFileAtPath(fresh);
  Result<SqliteDatabase> to = SqliteDatabase::open(fresh);
  if (!from.ok() || !to.ok()) return {std::nullopt, from.ok() ? to.status : from.status};
  auto failed = [&](const std::string& doing) -> Result<std::size_t> {
    Status why = to.value->failure(doing);
    to.value.reset();
    FileManager::removeFileAtPath(fresh);
    return {std::nullopt, why};
  };
  for (const std::string& sql : createStatements)
    if (!to.value->execute(sql)) return failed("create the tables of " + fresh);
  if (!to.value->execute("BEGIN")) return failed("copy into " + fresh);
  // Read first: once a damaged page has been met, reads of this connection may fail too.
  auto sequence = from.value->query("SELECT name, seq FROM sqlite_sequence");
  std::size_t lost = 0;
  for (const std::string& table : tables) {
    std::optional<SqliteStatement> insert;
    bool writeFailed = false;
    auto copy = [&](const SqliteStatement& row) {
      if (!insert) {
        std::string sql = "INSERT INTO " + quotedIdentifier(table) + " VALUES (";
        for (int i = 1; i < row.columnCount(); ++i) sql += i > 1 ? ",?" : "?";
        insert = to.value->prepare(sql + ")");
      }
      bool copied = insert.has_value();
      if (copied) insert->reset();
      for (int i = 1; copied && i < row.columnCount(); ++i) copied = insert->bind(i, row.column(i));
      writeFailed = !copied || insert->step() != SqliteStatement::Step::Done;
      return !writeFailed;
    };
    // Past a stretch that cannot be read: ever larger steps of rowid, until a read succeeds.
    std::int64_t after = std::numeric_limits<std::int64_t>::min();
    for (std::int64_t jump = 1;;) {
      Pass pass = copyFrom(*from.value, table, after, copy);
      if (writeFailed) return failed("copy into " + fresh);
      if (pass.ended) break;
      if (pass.last) {
        after = *pass.last;
        jump = 1;
      }
      if (jump == 1) ++lost;
      if (after > kLargestRowid - jump) break;
      after = std::max<std::int64_t>(after, 0) + jump;
      jump *= 2;
    }
  }
  // The ids handed out so far stay handed out, lost rows' ids too.
  for (const Row& row : sequence.value_or(std::vector<Row>{})) {
    static_cast<void>(to.value->execute("DELETE FROM sqlite_sequence WHERE name = ? AND seq <= ?",
                                        {row.at("name"), row.at("seq")}));
    static_cast<void>(
        to.value->execute("INSERT INTO sqlite_sequence (name, seq) SELECT ?, ? WHERE NOT EXISTS "
                          "(SELECT 1 FROM sqlite_sequence WHERE name = ?)",
                          {row.at("name"), row.at("seq"), row.at("name")}));
  }
  if (!to.value->execute("COMMIT")) return failed("copy into " + fresh);
  return {lost};
}

}  // namespace vokari
