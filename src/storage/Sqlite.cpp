#include "storage/Sqlite.h"

#include <sqlite3.h>

#include <utility>

namespace vokari {

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : statement_(std::exchange(other.statement_, nullptr)) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(statement_);
    statement_ = std::exchange(other.statement_, nullptr);
  }
  return *this;
}

SqliteStatement::~SqliteStatement() {
  sqlite3_finalize(statement_);
}

bool SqliteStatement::bindAll(const std::vector<Value>& values) {
  for (std::size_t i = 0; i < values.size(); ++i)
    if (!bind(static_cast<int>(i + 1), values[i])) return false;
  return true;
}

bool SqliteStatement::bind(int index, const Value& value) {
  int result = std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, Null>)
          return sqlite3_bind_null(statement_, index);
        else if constexpr (std::is_same_v<T, std::int64_t>)
          return sqlite3_bind_int64(statement_, index, v);
        else if constexpr (std::is_same_v<T, double>)
          return sqlite3_bind_double(statement_, index, v);
        else
          return sqlite3_bind_text64(statement_, index, v.data(), v.size(), SQLITE_TRANSIENT,
                                     SQLITE_UTF8);
      },
      value);
  return result == SQLITE_OK;
}

SqliteStatement::Step SqliteStatement::step() {
  switch (sqlite3_step(statement_)) {
    case SQLITE_ROW:
      return Step::Row;
    case SQLITE_DONE:
      return Step::Done;
    default:
      return Step::Error;
  }
}

Value SqliteStatement::column(int index) const {
  switch (sqlite3_column_type(statement_, index)) {
    case SQLITE_INTEGER:
      return std::int64_t{sqlite3_column_int64(statement_, index)};
    case SQLITE_FLOAT:
      return sqlite3_column_double(statement_, index);
    case SQLITE_NULL:
      return Null{};
    default: {
      // Text and blobs alike, by their byte count, so embedded NULs survive.
      const void* bytes = sqlite3_column_blob(statement_, index);
      int size = sqlite3_column_bytes(statement_, index);
      return std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size));
    }
  }
}

std::string SqliteStatement::text(int index) const {
  const void* bytes = sqlite3_column_blob(statement_, index);
  int size = sqlite3_column_bytes(statement_, index);
  return bytes ? std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size))
               : std::string();
}

int SqliteStatement::columnCount() const {
  return sqlite3_column_count(statement_);
}

void SqliteStatement::reset() {
  sqlite3_reset(statement_);
}

Row SqliteStatement::row() const {
  Row row;
  for (int i = 0; i < sqlite3_column_count(statement_); ++i) {
    const char* name = sqlite3_column_name(statement_, i);
    if (name) row[name] = column(i);  // null only when SQLite ran out of memory
  }
  return row;
}

Result<SqliteDatabase> SqliteDatabase::open(const std::string& path) {
  sqlite3* db = nullptr;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
    Status why = Status::failure(db ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);  // a failed open may still hand out a handle
    return {std::nullopt, why};
  }
  return {SqliteDatabase(db)};
}

SqliteDatabase::SqliteDatabase(SqliteDatabase&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), stop_(std::move(other.stop_)) {}

SqliteDatabase& SqliteDatabase::operator=(SqliteDatabase&& other) noexcept {
  if (this != &other) {
    sqlite3_close(db_);
    db_ = std::exchange(other.db_, nullptr);
    stop_ = std::move(other.stop_);
  }
  return *this;
}

std::size_t SqliteDatabase::changes() const {
  return static_cast<std::size_t>(sqlite3_changes64(db_));
}

void SqliteDatabase::stopWhen(std::function<bool()> stop) {
  if (!stop) {
    sqlite3_progress_handler(db_, 0, nullptr, nullptr);
    stop_.reset();
    return;
  }
  stop_ = std::make_unique<std::function<bool()>>(std::move(stop));
  // Every few thousand virtual-machine steps: well under a millisecond apart.
  sqlite3_progress_handler(
      db_, 4096, [](void* stop) { return (*static_cast<std::function<bool()>*>(stop))() ? 1 : 0; },
      stop_.get());
}

SqliteDatabase::~SqliteDatabase() {
  sqlite3_close(db_);
}

std::optional<SqliteStatement> SqliteDatabase::prepare(const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size() + 1), &statement, nullptr) !=
          SQLITE_OK ||
      !statement) {
    sqlite3_finalize(statement);
    return std::nullopt;
  }
  return SqliteStatement(statement);
}

bool SqliteDatabase::execute(const std::string& sql, const std::vector<Value>& values) {
  std::optional<SqliteStatement> statement = prepare(sql);
  if (!statement || !statement->bindAll(values)) return false;
  SqliteStatement::Step step;
  while ((step = statement->step()) == SqliteStatement::Step::Row) {
  }
  return step == SqliteStatement::Step::Done;
}

std::optional<std::vector<Row>> SqliteDatabase::query(const std::string& sql,
                                                      const std::vector<Value>& values) {
  std::optional<SqliteStatement> statement = prepare(sql);
  if (!statement || !statement->bindAll(values)) return std::nullopt;
  std::vector<Row> rows;
  SqliteStatement::Step step;
  while ((step = statement->step()) == SqliteStatement::Step::Row) rows.push_back(statement->row());
  if (step == SqliteStatement::Step::Error) return std::nullopt;
  return rows;
}

SqliteDatabase::Soundness SqliteDatabase::soundness(bool thorough) {
  auto rows = query(thorough ? "PRAGMA quick_check" : "SELECT count(*) FROM sqlite_master");
  if (!rows) {
    int code = sqlite3_errcode(db_) & 0xff;
    return code == SQLITE_NOTADB || code == SQLITE_CORRUPT ? Soundness::Damaged
                                                           : Soundness::Unknown;
  }
  if (!thorough) return Soundness::Sound;
  bool ok = rows->size() == 1 && textOf(rows->front(), "quick_check") == "ok";
  return ok ? Soundness::Sound : Soundness::Damaged;
}

std::string SqliteDatabase::errorMessage() const {
  return db_ ? sqlite3_errmsg(db_) : "no connection";
}

Status SqliteDatabase::failure(const std::string& doing) const {
  const std::string message = "cannot " + doing + ": " + errorMessage();
  return db_ && (sqlite3_errcode(db_) & 0xff) == SQLITE_FULL ? Status::diskFull(message)
                                                             : Status::failure(message);
}

std::string quotedIdentifier(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace vokari
