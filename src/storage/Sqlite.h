#pragma once
// A thin owner of SQLite connections and statements: open, prepare, bind, step, read columns.
// Failures are answered as values; nothing throws. Main thread only.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Result.h"
#include "storage/Row.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vokari {

// A prepared statement; finalized when destroyed.
class SqliteStatement final {
 public:
  enum class Step { Row, Done, Error };

  explicit SqliteStatement(sqlite3_stmt* statement) : statement_(statement) {}
  SqliteStatement(SqliteStatement&& other) noexcept;
  SqliteStatement& operator=(SqliteStatement&& other) noexcept;
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;
  ~SqliteStatement();

  // Binds the values to the parameters 1..n in order; answers false when any bind fails.
  bool bindAll(const std::vector<Value>& values);
  bool bind(int index, const Value& value);
  Step step();
  // Every column of the current row by name.
  Row row() const;
  Value column(int index) const;
  int columnCount() const;
  // The column's bytes as text; empty for NULL.
  std::string text(int index) const;
  // Makes the statement ready to run again; the bindings are kept until bound anew.
  void reset();

 private:
  sqlite3_stmt* statement_;
};

// An open connection; closed when destroyed.
class SqliteDatabase final {
 public:
  // Opens the file for reading and writing, creating it when absent; none when that fails, with
  // SQLite's reason.
  static Result<SqliteDatabase> open(const std::string& path);

  SqliteDatabase(SqliteDatabase&& other) noexcept;
  SqliteDatabase& operator=(SqliteDatabase&& other) noexcept;
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;
  ~SqliteDatabase();

  [[nodiscard]] std::optional<SqliteStatement> prepare(const std::string& sql);
  // Runs one statement with the values bound to its "?" parameters, stepping it to the end.
  [[nodiscard]] bool execute(const std::string& sql, const std::vector<Value>& values = {});
  // Runs one query and collects its rows; none when it fails.
  [[nodiscard]] std::optional<std::vector<Row>> query(const std::string& sql,
                                                      const std::vector<Value>& values = {});

  enum class Soundness { Sound, Damaged, Unknown };
  // Whether SQLite reads the file as a database. The quick look reads the schema only (a file
  // that is not a database at all); the thorough one checks the structure of every page (a
  // truncated or overwritten file). Damaged only on SQLite's own verdict; a locked or unreadable
  // file is Unknown.
  [[nodiscard]] Soundness soundness(bool thorough);
  // Rows changed by the last INSERT, UPDATE or DELETE.
  std::size_t changes() const;
  // From now on a running statement asks `stop` now and then, and ends with a failure once it
  // answers true; an empty function asks nothing.
  void stopWhen(std::function<bool()> stop);
  // SQLite's message for the last failure on this connection.
  std::string errorMessage() const;
  // The last failure on this connection as a status saying what was being done; a full disk
  // (or a database at its size limit) is told as such.
  Status failure(const std::string& doing) const;

 private:
  explicit SqliteDatabase(sqlite3* db) : db_(db) {}
  sqlite3* db_;
  // Where SQLite's progress handler finds it: stays put while the connection moves.
  std::unique_ptr<std::function<bool()>> stop_;
};

// The text as an SQL identifier in double quotes, any quote inside doubled: safe for any name.
std::string quotedIdentifier(const std::string& name);

}  // namespace vokari
