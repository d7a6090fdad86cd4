#pragma once
// The signed-in user's SQLite database, Documents/P/P.db: the account row, the news received and
// the persons used in bookings. Rows are bound as parameters, never pasted into SQL. Main thread
// only; failures are answered as false, -1, none or an empty list.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Extern.h"
#include "platform/Result.h"
#include "platform/Status.h"
#include "storage/Row.h"
#include "storage/Sqlite.h"

namespace vokari {

class DBBase final {
 public:
  // The process-wide object. Every call opens a fresh connection to the database of the user
  // named by "currentuser" (closing the previous one), creates the tables and marks the file as
  // excluded from backup, so signing in as someone else switches files with no other step. With
  // nobody signed in the object has no connection and every operation fails.
  static DBBase& sharedDBBase();
  // Documents/P/P.db; none when P cannot name a user folder.
  static std::optional<std::string> databasePath(std::string_view phone);

  DBBase(const DBBase&) = delete;
  DBBase& operator=(const DBBase&) = delete;

  // Opens dbPath (creating the file) and creates the four tables and their indexes. A file SQLite
  // calls damaged or not a database (checked thoroughly at its first open in this process, by a
  // quick look at every other) is mended: its indexes rebuilt when only they are damaged, else
  // every row that can be read copied into a new file (ids kept), with the damaged one moved
  // aside as "P.db.corrupt" (then ".corrupt-2", ...). A new file that has lost the account row
  // gets one with the number P. Fails, saying why, when nobody is signed in or the file cannot be
  // opened or written.
  Status makeDBIsExistAndOpen();
  // UPDATE table SET column=? ... followed by the condition text `where` (for example "WHERE
  // tableid = 1"); whereValues are bound to the "?" in the condition. False for an empty infoDic.
  [[nodiscard]] bool updateTable(const std::string& table, const Row& infoDic,
                                 const std::string& where,
                                 const std::vector<Value>& whereValues = {});
  [[nodiscard]] bool deleteTable(const std::string& table);

  // The account row: inserted (ignored on a conflict), updated as row tableid 1, read back (the
  // last row when there are several).
  [[nodiscard]] bool AddAccout(const Row& row);
  [[nodiscard]] bool updateAccountInfo(const Row& row);
  std::optional<Row> getUserInfo();

  // News keyed by "time": an item whose time is stored already is not stored again (answers
  // true); an item without a time answers false.
  [[nodiscard]] bool AddOneNews(const Row& row);
  // 1 when stored, 0 when not, -1 for an absent or empty time.
  int TestNewsIsExist(Text time);
  // Newest time first.
  std::vector<Row> getAllNews();
  // The rows of one reply, each stored exactly as AddOneNews would store it in list order (the
  // first row of a time wins, a row without a time is skipped), on one connection in one
  // transaction, so that a large table does not slow the sync. All or nothing: answers how many
  // rows were added, or why none was (the database cannot be opened, a row cannot be written,
  // the disk is full), and then nothing of the batch is stored.
  Result<std::size_t> AddNewsRows(const std::vector<Row>& rows);
  // Steps through the stored news, newest time first, handing each row's statement to onRow with
  // the named columns in that order; onRow answers whether to go on. False when the table
  // cannot be read. For readers of many rows, which need no dictionary per row.
  bool readNews(const std::vector<std::string>& columns,
                const std::function<bool(const SqliteStatement&)>& onRow);
  // The largest tableid of the stored news (0 for none): rows stored later have larger ones.
  std::int64_t newestNewsId();
  // Where a page of news ends: the time and tableid of its last row.
  struct NewsKey {
    std::string time;
    std::int64_t tableid = 0;
  };
  // At most `limit` rows in the display order (newest time first, then the newest row of a
  // time), from the row after `after` (from the first row when none), as readNews hands them.
  // Only rows up to tableid `upTo` count, so a page read again is the same page however many
  // rows were stored since.
  bool readNewsPage(const std::vector<std::string>& columns, const std::optional<NewsKey>& after,
                    int limit, std::int64_t upTo,
                    const std::function<bool(const SqliteStatement&)>& onRow);

  // Persons keyed by "idcard": inserted, or updated when the identity number is stored already.
  [[nodiscard]] bool addOnePerson(const Row& row);
  [[nodiscard]] bool updatePersonInfo(const Row& row);
  int TestPersonIsExist(Text idcard);
  std::vector<Row> getAllPersons();
  [[nodiscard]] bool clearPersons();

  // Why the latest write that failed failed (a full disk is told as such); success before any.
  const Status& lastWrite() const { return lastWrite_; }

  // Fault switch for tests: every connection opened from now on may grow the file to at most
  // this many pages, as a full disk would allow (0: no limit).
  static void limitPagesForTesting(int pages);

  // A connection of its own to a database file, set up as the shared one's (the test limit on
  // its size, syncing), for work that must not share the shared one's transactions.
  static Result<SqliteDatabase> openConnection(const std::string& path);

  // The statements the tables are created with, in creation order.
  static const std::vector<std::string>& createStatements();

  std::string dbPath;

 private:
  DBBase() = default;
  // Operations that closed the connection find it reopened on dbPath here.
  bool ensureOpen();
  bool insert(const std::string& prefix, const Row& row);
  int exists(const std::string& sql, Text key);
  std::vector<Row> all(const std::string& sql);
  Status openSound();
  Status openFile();
  Status moveAside();
  void restoreAccountRow();

  std::optional<SqliteDatabase> db_;
  std::string checkedFile_;  // the file last checked thoroughly: its path and inode
  Status lastWrite_ = Status::success();
};

}  // namespace vokari
