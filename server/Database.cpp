#include "Database.h"

#include "Store.h"

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace vokari_backend {
namespace {

// Texts are the code's own, so the set is small; the bound only guards against a text that
// is made per call by mistake.
constexpr size_t kKept = 256;

[[noreturn]] void fail(sqlite3* db, std::string_view what) {
  throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

void bind(sqlite3* db, sqlite3_stmt* stmt, int index, const Value& value) {
  int rc = SQLITE_OK;
  if (auto* number = std::get_if<long long>(&value)) {
    rc = sqlite3_bind_int64(stmt, index, *number);
  } else if (auto* text = std::get_if<std::string>(&value)) {
    rc = sqlite3_bind_text(stmt, index, text->data(), static_cast<int>(text->size()),
                           SQLITE_TRANSIENT);
  } else {
    rc = sqlite3_bind_null(stmt, index);
  }
  if (rc != SQLITE_OK) fail(db, "bind");
}

Record readRow(sqlite3_stmt* stmt) {
  Record record;
  for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
    auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
    int size = sqlite3_column_bytes(stmt, i);
    record.fields.emplace_back(sqlite3_column_name(stmt, i),
                               text ? std::string(text, static_cast<size_t>(size)) : "");
  }
  return record;
}

}  // namespace

// A statement ready to step, reset and unbound when done whatever happens; a statement that is
// not kept is finalized instead.
struct Database::Prepared {
  sqlite3_stmt* stmt;
  bool kept;
  Prepared(sqlite3_stmt* stmt, bool kept) : stmt(stmt), kept(kept) {}
  Prepared(const Prepared&) = delete;
  Prepared& operator=(const Prepared&) = delete;
  ~Prepared() {
    if (!kept) {
      sqlite3_finalize(stmt);
      return;
    }
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
  }
};

Database::Prepared Database::statement(std::string_view sql) {
  if (auto it = statements_.find(sql); it != statements_.end()) return {it->second, true};
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &raw, nullptr) !=
      SQLITE_OK) {
    fail(db_, sql);
  }
  bool kept = statements_.size() < kKept;
  if (kept) statements_.emplace(sql, raw);
  return {raw, kept};
}

Database::Database(const std::string& path, bool create) {
  // No locking of SQLite's own: whoever shares a connection between threads serialises its use
  // (the store holds its lock for every transaction).
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  // SQLite gives its journal files the database file's mode, so a private file keeps them private.
  if (create) createPrivateFile(path);
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    throw std::runtime_error("cannot open " + path + ": " + message);
  }
  // The inspection commands read while a server writes, from other processes.
  sqlite3_busy_timeout(db_, 5000);
  // In WAL mode NORMAL syncs at checkpoints, not at every commit: a crash of the process loses
  // nothing, and a crowd is not held to one disk flush per request.
  exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;");
}

Database::~Database() {
  for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
  sqlite3_close(db_);
}

void Database::exec(const char* sql) {
  if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) fail(db_, sql);
}

std::vector<Record> Database::query(std::string_view sql, const Values& params) {
  Prepared prepared = statement(sql);
  for (size_t i = 0; i < params.size(); ++i)
    bind(db_, prepared.stmt, static_cast<int>(i + 1), params[i]);
  std::vector<Record> rows;
  int rc;
  while ((rc = sqlite3_step(prepared.stmt)) == SQLITE_ROW) rows.push_back(readRow(prepared.stmt));
  if (rc != SQLITE_DONE) fail(db_, sql);
  return rows;
}

std::optional<Record> Database::row(std::string_view sql, const Values& params) {
  auto rows = query(sql, params);
  if (rows.empty()) return std::nullopt;
  return std::move(rows.front());
}

int Database::run(std::string_view sql, const Values& params) {
  query(sql, params);
  return sqlite3_changes(db_);
}

long long Database::lastId() const {
  return sqlite3_last_insert_rowid(db_);
}

}  // namespace vokari_backend
