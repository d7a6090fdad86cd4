#pragma once
// One news reply's items, staged as they arrive and then stored all at once. The items wait in a
// temporary table of a connection of the batch's own, so the user's database is neither locked
// nor rolled back by its other users meanwhile (the shared object reopens its connection on
// every call), and memory holds no more than SQLite's page cache however long the reply. Used
// by one thread at a time; it may move between threads between calls.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Result.h"
#include "platform/Status.h"
#include "storage/Row.h"
#include "storage/Sqlite.h"

namespace vokari {

class NewsBatch final {
 public:
  // A batch for the rows of vok_news_report with these columns ("time" among them), on its own
  // connection to the database file. None, saying why, when the file cannot be opened.
  static Result<std::unique_ptr<NewsBatch>> open(const std::string& dbPath,
                                                 const std::vector<std::string>& columns);

  // Stages a row (values in the order of the columns) as AddOneNews would store it: one without
  // a time is skipped, and the first row of a time wins. False when it cannot be written; the
  // batch then stores nothing, and failure() says why.
  [[nodiscard]] bool add(const std::vector<Value>& values);
  // Forgets what was staged (the reply started over).
  [[nodiscard]] bool clear();
  // Stores the staged rows whose time is not stored yet, in staged order, in one transaction:
  // answers how many were added, or why none was. `stop`, asked now and then, ends it unstored.
  Result<std::size_t> commit(const std::function<bool()>& stop = {});
  const Status& failure() const { return failure_; }

 private:
  NewsBatch(SqliteDatabase db, std::vector<std::string> columns, std::size_t timeColumn);
  bool fail(const std::string& doing);

  SqliteDatabase db_;
  std::vector<std::string> columns_;
  std::size_t timeColumn_;
  std::optional<SqliteStatement> insert_;
  Status failure_ = Status::success();
};

}  // namespace vokari
