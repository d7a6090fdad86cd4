#include "storage/Salvage.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <set>

#include "platform/FileManager.h"

namespace vokari {
namespace {

// The root pages of the indexes and the names of the indexes.
struct Indexes {
  std::set<std::string> roots;
  std::set<std::string> names;
};

Indexes indexesOf(SqliteDatabase& db) {
  Indexes indexes;
  for (const Row& row : db.query("SELECT name, rootpage FROM sqlite_master WHERE type = 'index'")
                            .value_or(std::vector<Row>{})) {
    indexes.names.insert(textOf(row, "name").value_or(""));
    indexes.roots.insert(textOf(row, "rootpage").value_or(""));
  }
  return indexes;
}

// Whether a line of quick_check's report is about an index: it names one ("row 5 missing from
// index x", "wrong # of entries in index x") or a page of a tree rooted at one ("Tree 7 page 9:").
bool aboutAnIndex(const std::string& line, const Indexes& indexes) {
  for (const std::string& name : indexes.names)
    if (line.find("index " + name) != std::string::npos) return true;
  const std::string tree = "Tree ";
  const auto at = line.find(tree);
  if (at == std::string::npos) return false;
  const auto end = line.find(' ', at + tree.size());
  return indexes.roots.contains(line.substr(at + tree.size(), end - at - tree.size()));
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

bool rebuildDamagedIndexes(SqliteDatabase& db) {
  auto report = db.query("PRAGMA quick_check");
  if (!report || report->empty()) return false;
  const Indexes indexes = indexesOf(db);
  for (const Row& line : *report) {
    if (!aboutAnIndex(textOf(line, "quick_check").value_or(""), indexes)) return false;
  }
  return db.execute("REINDEX") && db.soundness(true) == SqliteDatabase::Soundness::Sound;
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
  // The ids handed out so far stay handed out.
  if (auto sequence = from.value->query("SELECT name, seq FROM sqlite_sequence")) {
    for (const Row& row : *sequence)
      static_cast<void>(
          to.value->execute("INSERT OR REPLACE INTO sqlite_sequence (name, seq) VALUES (?, ?)",
                            {row.at("name"), row.at("seq")}));
  }
  if (!to.value->execute("COMMIT")) return failed("copy into " + fresh);
  return {lost};
}

}  // namespace vokari
