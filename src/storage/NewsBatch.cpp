#include "storage/NewsBatch.h"

#include <algorithm>

#include "storage/DBBase.h"

namespace vokari {
namespace {

std::string columnList(const std::vector<std::string>& columns, const std::string& prefix = "") {
  std::string list;
  for (const auto& column : columns)
    list += (list.empty() ? "" : ",") + prefix + quotedIdentifier(column);
  return list;
}

}  // namespace

Result<std::unique_ptr<NewsBatch>> NewsBatch::open(const std::string& dbPath,
                                                   const std::vector<std::string>& columns) {
  auto time = std::find(columns.begin(), columns.end(), "time");
  if (time == columns.end()) return {std::nullopt, Status::failure("a news batch needs the time")};
  if (dbPath.empty()) return {std::nullopt, Status::failure("nobody is signed in")};
  Result<SqliteDatabase> db = DBBase::openConnection(dbPath);
  if (!db.ok()) return {std::nullopt, db.status};
  std::unique_ptr<NewsBatch> batch(new NewsBatch(std::move(*db.value), columns,
                                                 static_cast<std::size_t>(time - columns.begin())));
  // The staging table lives in the connection's temporary database: the user's file is first
  // touched by the commit. A unique time makes the first row of a time win, as in the table.
  std::string definitions;
  for (const auto& column : columns) definitions += "," + quotedIdentifier(column);
  if (!batch->db_.execute("PRAGMA busy_timeout = 10000") ||
      !batch->db_.execute("CREATE TEMP TABLE news_batch (seq INTEGER PRIMARY KEY" + definitions +
                          ", UNIQUE (time))") ||
      !batch->db_.execute("BEGIN")) {
    return {std::nullopt, batch->db_.failure("stage news")};
  }
  std::string placeholders = "?";
  for (std::size_t i = 1; i < columns.size(); ++i) placeholders += ",?";
  batch->insert_ = batch->db_.prepare("INSERT OR IGNORE INTO temp.news_batch (" +
                                      columnList(columns) + ") VALUES (" + placeholders + ")");
  if (!batch->insert_) return {std::nullopt, batch->db_.failure("stage news")};
  return {std::move(batch)};
}

NewsBatch::NewsBatch(SqliteDatabase db, std::vector<std::string> columns, std::size_t timeColumn)
    : db_(std::move(db)), columns_(std::move(columns)), timeColumn_(timeColumn) {}

bool NewsBatch::fail(const std::string& doing) {
  if (failure_) failure_ = db_.failure(doing);
  insert_.reset();
  return false;
}

bool NewsBatch::add(const std::vector<Value>& values) {
  if (!insert_ || values.size() != columns_.size()) return fail("stage news");
  const auto* time = std::get_if<std::string>(&values[timeColumn_]);
  if (!time || time->empty()) return true;
  insert_->reset();
  if (!insert_->bindAll(values) || insert_->step() != SqliteStatement::Step::Done)
    return fail("stage news");
  return true;
}

bool NewsBatch::clear() {
  return insert_ && (db_.execute("DELETE FROM temp.news_batch") || fail("stage news"));
}

Result<std::size_t> NewsBatch::commit(const std::function<bool()>& stop) {
  if (!insert_) return {std::nullopt, failure_};
  insert_.reset();
  db_.stopWhen(stop);
  const std::string columns = columnList(columns_);
  // One statement, so that the whole batch is in or, on any failure, rolled back with it.
  const bool stored =
      !(stop && stop()) &&
      db_.execute("INSERT INTO main.vok_news_report (" + columns + ") SELECT " +
                  columnList(columns_, "b.") +
                  " FROM temp.news_batch b WHERE NOT EXISTS (SELECT 1 FROM main.vok_news_report r "
                  "WHERE r.time = b.time) ORDER BY b.seq");
  const std::size_t added = stored ? db_.changes() : 0;
  if (!stored || (stop && stop()) || !db_.execute("COMMIT")) {
    Status why =
        stop && stop() ? Status::failure("storing news was stopped") : db_.failure("store news");
    static_cast<void>(db_.execute("ROLLBACK"));
    db_.stopWhen({});
    return {std::nullopt, why};
  }
  db_.stopWhen({});
  return {added};
}

}  // namespace vokari
