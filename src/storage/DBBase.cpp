#include "storage/DBBase.h"

#include <sys/stat.h>

#include <filesystem>

#include "core/VersionManage.h"
#include "platform/FileManager.h"
#include "platform/Platform.h"
#include "platform/Status.h"
#include "storage/Salvage.h"

namespace vokari {
namespace {

// The tables, exactly as every copy of this database has been created.
const std::vector<std::string> kCreateStatements = {
    "CREATE TABLE IF NOT EXISTS vok_user ( tableid  INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, "
    "phone_number varchar(20), device_token varchar(100), nickname varchar(20), username "
    "varchar(20), password varchar(30), sex integer(1), idcard_type varchar(20), idcard_number "
    "varchar(30), newsbookarea varchar(50), acceptpoint_filepath varchar(256), accept_updatetime "
    "varchar(30))",
    "CREATE TABLE IF NOT EXISTS vok_news_report ( tableid  INTEGER PRIMARY KEY AUTOINCREMENT NOT "
    "NULL, imgUrl varchar(255), imgUrl1 varchar(255), imgUrl2 varchar(255), imgUrl3 varchar(255), "
    "newsUrl varchar(255), newsUrl1 varchar(255), newsUrl2 varchar(255), newsUrl3 varchar(255), "
    "time varchar(30) NOT NULL,  title varchar(200), title1 varchar(200), title2 varchar(200), "
    "title3 varchar(200), newsArea varchar(10))",
    "CREATE TABLE IF NOT EXISTS vok_picture_clue ( tableid  INTEGER PRIMARY KEY AUTOINCREMENT NOT "
    "NULL, clueid varchar(50) NOT NULL, phone_number varchar(20), time varchar(30), describe TEXT, "
    "address varchar(100), position varchar(50))",
    "CREATE TABLE IF NOT EXISTS vok_person_history ( tableid  INTEGER PRIMARY KEY AUTOINCREMENT "
    "NOT NULL, name varchar(20) NOT NULL, idcard varchar(20) NOT NULL, phone_number varchar(20) "
    "NOT NULL, time varchar(30))",
};

const std::vector<std::string> kTables = {"vok_user", "vok_news_report", "vok_picture_clue",
                                          "vok_person_history"};

// Indexes for the existence tests; other readers of the same schema are not disturbed by them.
const std::vector<std::string> kIndexStatements = {
    "CREATE INDEX IF NOT EXISTS vok_news_report_time ON vok_news_report (time)",
    "CREATE INDEX IF NOT EXISTS vok_person_history_idcard ON vok_person_history (idcard)",
};

std::string joined(const std::vector<std::string>& parts, const std::string& separator) {
  std::string text;
  for (const auto& part : parts) text += (text.empty() ? "" : separator) + part;
  return text;
}

// The file's identity: a file replaced under the same name is checked again.
std::string fileIdentity(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return {};
  return path + "#" + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

}  // namespace

DBBase& DBBase::sharedDBBase() {
  static DBBase shared;
  std::optional<std::string> phone = Platform::current().settings->get("currentuser");
  shared.dbPath = phone ? databasePath(*phone).value_or("") : "";
  // A failed open leaves no connection: the operations that follow fail and find nothing.
  if (shared.makeDBIsExistAndOpen() && FileManager::fileExistsAtPath(shared.dbPath))
    FileManager::AddSkipBackupAttributeToFilePath(shared.dbPath);
  return shared;
}

const std::vector<std::string>& DBBase::createStatements() {
  return kCreateStatements;
}

std::optional<std::string> DBBase::databasePath(std::string_view phone) {
  if (!VersionManage::isUserFolderName(phone)) return std::nullopt;
  std::string folder =
      FileManager::join(FileManager::getExecuteDocumentsPath(), std::string(phone));
  return FileManager::join(folder, std::string(phone) + ".db");
}

Status DBBase::makeDBIsExistAndOpen() {
  db_.reset();
  if (dbPath.empty()) return Status::failure("nobody is signed in");
  if (Status opened = openSound(); !opened) return opened;
  for (const auto& sql : kCreateStatements) {
    if (!db_->execute(sql)) {
      Status failed =
          Status::failure("cannot create the tables of " + dbPath + ": " + db_->errorMessage());
      db_.reset();
      return failed;
    }
  }
  // The indexes only speed up the existence tests; the tables work without them.
  for (const auto& sql : kIndexStatements) static_cast<void>(db_->execute(sql));
  return Status::success();
}

// Opens dbPath; a file SQLite cannot read as a database would make every later write fail for
// good, so it is kept for inspection under a name that says what it is and replaced.
Status DBBase::openSound() {
  if (Status opened = openFile(); !opened) return opened;
  // The thorough check reads every page, so it runs once per file; every open takes the quick look.
  std::string identity = fileIdentity(dbPath);
  bool thorough = identity.empty() || identity != checkedFile_;
  SqliteDatabase::Soundness soundness = db_->soundness(thorough);
  if (soundness != SqliteDatabase::Soundness::Damaged) {
    if (thorough && soundness == SqliteDatabase::Soundness::Sound) checkedFile_ = identity;
    return Status::success();
  }
  // Mended where it can be: damaged indexes rebuilt in place, else every readable row copied
  // into a new file. The damaged file is kept beside it either way.
  if (rebuildDamagedIndexes(*db_, kTables)) {
    checkedFile_ = fileIdentity(dbPath);
    return Status::success();
  }
  db_.reset();
  const std::string salvage = dbPath + ".salvage";
  const bool salvaged = salvageRows(dbPath, salvage, kCreateStatements, kTables).ok();
  if (Status moved = moveAside(); !moved) return moved;
  if (salvaged && !FileManager::renameFileName(salvage, dbPath))
    return Status::failure("cannot put the rows saved from " + dbPath + " in its place");
  if (Status opened = openFile(); !opened) return opened;
  checkedFile_ = fileIdentity(dbPath);
  restoreAccountRow();
  return Status::success();
}

// A database whose account row could not be saved gets one with the number it belongs to (its
// file's name), rather than leaving a signed-in user without an account.
void DBBase::restoreAccountRow() {
  auto rows = db_->query("SELECT count(*) AS n FROM vok_user");
  if (rows && !rows->empty() && textOf(rows->front(), "n") != "0") return;
  for (const auto& sql : kCreateStatements) static_cast<void>(db_->execute(sql));
  const std::string phone = std::filesystem::path(dbPath).stem().string();
  static_cast<void>(db_->execute("INSERT INTO vok_user (phone_number) VALUES (?)", {phone}));
}

namespace {
int pageLimit = 0;
}

void DBBase::limitPagesForTesting(int pages) {
  pageLimit = pages;
}

Result<SqliteDatabase> DBBase::openConnection(const std::string& path) {
  Result<SqliteDatabase> opened = SqliteDatabase::open(path);
  if (!opened.ok())
    return {std::nullopt, Status::failure("cannot open " + path + ": " + opened.status.message())};
  if (pageLimit > 0) {
    static_cast<void>(
        opened.value->execute("PRAGMA max_page_count = " + std::to_string(pageLimit)));
  }
  // Tests skip the disk syncs for speed; a connection left syncing is only slower.
  if (!Platform::current().durableWrites)
    static_cast<void>(opened.value->execute("PRAGMA synchronous=OFF"));
  return opened;
}

Status DBBase::openFile() {
  Result<SqliteDatabase> opened = openConnection(dbPath);
  db_ = std::move(opened.value);
  return opened.status;
}

Status DBBase::moveAside() {
  std::optional<std::string> aside = FileManager::moveAside(dbPath, ".corrupt");
  if (!aside) return Status::failure("cannot move the damaged " + dbPath + " aside");
  // A journal left beside the damaged file belongs to it, not to the new one.
  std::string journal = dbPath + "-journal";
  if (FileManager::fileExistsAtPath(journal))
    static_cast<void>(FileManager::renameFileName(journal, *aside + "-journal"));
  return Status::success();
}

bool DBBase::ensureOpen() {
  if (db_) return true;
  Status opened = makeDBIsExistAndOpen();
  if (!opened) lastWrite_ = opened;
  return opened.ok();
}

bool DBBase::updateTable(const std::string& table, const Row& infoDic, const std::string& where,
                         const std::vector<Value>& whereValues) {
  if (infoDic.empty() || !ensureOpen()) return false;
  std::vector<std::string> assignments;
  std::vector<Value> values;
  for (const auto& [column, value] : infoDic) {
    assignments.push_back(quotedIdentifier(column) + "=?");
    values.push_back(value);
  }
  values.insert(values.end(), whereValues.begin(), whereValues.end());
  std::string sql = "UPDATE " + quotedIdentifier(table) + " SET " + joined(assignments, ",");
  if (!db_->execute(sql + " " + where, values)) {
    lastWrite_ = db_->failure("update " + table);
    return false;
  }
  db_.reset();
  return true;
}

bool DBBase::deleteTable(const std::string& table) {
  if (!ensureOpen()) return false;
  return db_->execute("DELETE FROM " + quotedIdentifier(table));
}

bool DBBase::insert(const std::string& prefix, const Row& row) {
  if (!ensureOpen()) return false;
  std::vector<std::string> columns;
  std::vector<std::string> placeholders;
  std::vector<Value> values;
  for (const auto& [column, value] : row) {
    columns.push_back(quotedIdentifier(column));
    placeholders.push_back("?");
    values.push_back(value);
  }
  std::string sql = prefix + joined(columns, ",") + ") VALUES (" + joined(placeholders, ",") + ")";
  bool ok = db_->execute(sql, values);
  if (!ok) lastWrite_ = db_->failure("store a row");
  db_.reset();
  return ok;
}

int DBBase::exists(const std::string& sql, Text key) {
  if (Extern::isEmptyString(key)) return -1;
  if (!ensureOpen()) return 0;
  auto rows = db_->query(sql, {std::string(*key)});
  return rows && !rows->empty() ? 1 : 0;
}

std::vector<Row> DBBase::all(const std::string& sql) {
  if (!ensureOpen()) return {};
  std::vector<Row> rows = db_->query(sql).value_or(std::vector<Row>{});
  db_.reset();
  return rows;
}

bool DBBase::AddAccout(const Row& row) {
  return insert("INSERT OR IGNORE INTO  vok_user (", row);
}

bool DBBase::updateAccountInfo(const Row& row) {
  return updateTable("vok_user", row, "WHERE tableid = 1");
}

std::optional<Row> DBBase::getUserInfo() {
  if (!ensureOpen()) return std::nullopt;
  auto rows = db_->query("select * from vok_user");
  if (!rows || rows->empty()) return std::nullopt;
  return rows->back();
}

bool DBBase::AddOneNews(const Row& row) {
  std::optional<std::string> time = textOf(row, "time");
  if (Extern::isEmptyString(time)) return false;
  if (TestNewsIsExist(time) == 1) return true;
  return insert("INSERT INTO  vok_news_report (", row);
}

int DBBase::TestNewsIsExist(Text time) {
  return exists("SELECT * FROM vok_news_report where time = ?", time);
}

std::vector<Row> DBBase::getAllNews() {
  return all("select * from vok_news_report ORDER BY time DESC");
}

Result<std::size_t> DBBase::AddNewsRows(const std::vector<Row>& rows) {
  if (Status opened = db_ ? Status::success() : makeDBIsExistAndOpen(); !opened)
    return {std::nullopt, opened};
  auto exists = db_->prepare("SELECT 1 FROM vok_news_report where time = ?");
  if (!exists || !db_->execute("BEGIN")) {
    Status failed = db_->failure("start storing news");
    db_.reset();
    return {std::nullopt, failed};
  }
  std::size_t added = 0;
  std::string insertSql;
  std::optional<SqliteStatement> insert;
  Status stored = Status::success();
  for (const Row& row : rows) {
    std::optional<std::string> time = textOf(row, "time");
    if (Extern::isEmptyString(time)) continue;
    exists->reset();
    exists->bind(1, *time);
    const SqliteStatement::Step found = exists->step();
    if (found == SqliteStatement::Step::Row) continue;  // the first of a time wins
    std::vector<std::string> columns, placeholders;
    std::vector<Value> values;
    for (const auto& [column, value] : row) {
      columns.push_back(quotedIdentifier(column));
      placeholders.push_back("?");
      values.push_back(value);
    }
    std::string sql = "INSERT INTO  vok_news_report (" + joined(columns, ",") + ") VALUES (" +
                      joined(placeholders, ",") + ")";
    if (sql != insertSql) {  // replies give every row the same keys: prepared once
      insert = db_->prepare(sql);
      insertSql = sql;
    }
    // A write that fails ends the batch: SQLite may already have rolled the transaction back
    // (a full disk does), and rows stored after that would commit one by one, past older ones
    // the next fetch never asks for again.
    if (found == SqliteStatement::Step::Error || !insert) {
      stored = db_->failure("store news");
      break;
    }
    insert->reset();
    if (!insert->bindAll(values) || insert->step() != SqliteStatement::Step::Done) {
      stored = db_->failure("store news");
      break;
    }
    ++added;
  }
  exists.reset();
  insert.reset();
  if (stored && !db_->execute("COMMIT")) stored = db_->failure("store news");
  if (!stored) static_cast<void>(db_->execute("ROLLBACK"));
  db_.reset();
  if (!stored) return {std::nullopt, stored};
  return {added};
}

namespace {

// Hands each result row to onRow until it answers false; false when a step failed.
bool eachRow(SqliteStatement& statement, const std::function<bool(const SqliteStatement&)>& onRow) {
  SqliteStatement::Step step;
  while ((step = statement.step()) == SqliteStatement::Step::Row) {
    if (!onRow(statement)) return true;
  }
  return step != SqliteStatement::Step::Error;
}

}  // namespace

bool DBBase::readNews(const std::vector<std::string>& columns,
                      const std::function<bool(const SqliteStatement&)>& onRow) {
  if (!ensureOpen()) return false;
  std::vector<std::string> quoted;
  for (const auto& column : columns) quoted.push_back(quotedIdentifier(column));
  auto statement =
      db_->prepare("select " + joined(quoted, ",") + " from vok_news_report ORDER BY time DESC");
  bool ok = statement.has_value();
  ok = ok && eachRow(*statement, onRow);
  statement.reset();
  db_.reset();
  return ok;
}

std::int64_t DBBase::newestNewsId() {
  if (!ensureOpen()) return 0;
  auto rows = db_->query("SELECT max(tableid) AS id FROM vok_news_report");
  db_.reset();
  if (!rows || rows->empty()) return 0;
  const auto* id = std::get_if<std::int64_t>(&rows->front()["id"]);
  return id ? *id : 0;
}

bool DBBase::readNewsPage(const std::vector<std::string>& columns,
                          const std::optional<NewsKey>& after, int limit, std::int64_t upTo,
                          const std::function<bool(const SqliteStatement&)>& onRow) {
  if (!ensureOpen()) return false;
  std::vector<std::string> quoted;
  for (const auto& column : columns) quoted.push_back(quotedIdentifier(column));
  // The time index (which holds the tableid) walks this order from the key on directly.
  auto statement = db_->prepare(
      "select " + joined(quoted, ",") + " from vok_news_report WHERE tableid <= ?" +
      (after ? " AND (time, tableid) < (?, ?)" : "") + " ORDER BY time DESC, tableid DESC LIMIT ?");
  std::vector<Value> values{Value(upTo)};
  if (after) {
    values.emplace_back(after->time);
    values.emplace_back(after->tableid);
  }
  values.emplace_back(static_cast<std::int64_t>(limit));
  bool ok = statement.has_value() && statement->bindAll(values);
  ok = ok && eachRow(*statement, onRow);
  statement.reset();
  db_.reset();
  return ok;
}

bool DBBase::addOnePerson(const Row& row) {
  std::optional<std::string> idcard = textOf(row, "idcard");
  if (Extern::isEmptyString(idcard)) return false;
  if (TestPersonIsExist(idcard) == 1) return updatePersonInfo(row);
  return insert("INSERT INTO  vok_person_history (", row);
}

bool DBBase::updatePersonInfo(const Row& row) {
  std::optional<std::string> idcard = textOf(row, "idcard");
  if (!idcard) return false;
  return updateTable("vok_person_history", row, "WHERE idcard = ?", {*idcard});
}

int DBBase::TestPersonIsExist(Text idcard) {
  return exists("SELECT * FROM vok_person_history where idcard = ?", idcard);
}

std::vector<Row> DBBase::getAllPersons() {
  return all("select * from vok_person_history ORDER BY time DESC");
}

bool DBBase::clearPersons() {
  return deleteTable("vok_person_history");
}

}  // namespace vokari
