#include <gtest/gtest.h>
#include <sys/xattr.h>

#include <filesystem>
#include <fstream>

#include "StorageFixture.h"
#include "storage/ReservaionPersonManager.h"

namespace vokari {
namespace {

namespace fs = std::filesystem;
using testing::kA;

class DBBaseTest : public testing::StorageTest {
 protected:
  void SetUp() override { ASSERT_TRUE(login(kA)); }
  DBBase& db() { return DBBase::sharedDBBase(); }
  ReservaionPersonManager& persons() {
    return ReservaionPersonManager::sharedReservaionPersonManager();
  }
};

TEST_F(DBBaseTest, NewsWithAStoredTimeIsNotStoredTwice) {
  EXPECT_EQ(db().TestNewsIsExist("2026-01-02 08:00:00"), 0);
  EXPECT_TRUE(db().AddOneNews(news("2026-01-02 08:00:00", "first")));
  EXPECT_TRUE(db().AddOneNews(news("2026-01-02 08:00:00", "again")));
  EXPECT_TRUE(db().AddOneNews(news("2026-01-03 08:00:00")));
  EXPECT_EQ(db().TestNewsIsExist("2026-01-02 08:00:00"), 1);
  EXPECT_EQ(db().TestNewsIsExist(""), -1);
  EXPECT_EQ(db().TestNewsIsExist(std::nullopt), -1);
  EXPECT_FALSE(db().AddOneNews({{"title", "no time"}}));
  EXPECT_FALSE(db().AddOneNews(news("")));

  std::vector<Row> all = db().getAllNews();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].at("time"), Value("2026-01-03 08:00:00"));  // newest first
  EXPECT_EQ(all[1].at("title"), Value("first"));
  EXPECT_EQ(all[1].at("imgUrl"), Value(Null{}));  // never written
}

TEST_F(DBBaseTest, APersonWithAnXInTheIdentityNumberIsUpdatedNotDuplicated) {
  EXPECT_TRUE(persons().getAllPersons().empty());
  const std::string id = "11010519491231002X";
  EXPECT_TRUE(persons().addOnePerson(person(id, "张三", "2026-01-01 10:00:00")));
  EXPECT_TRUE(persons().addOnePerson(person("110105194912310011", "李四", "2026-01-02 10:00:00")));
  Row changed = person(id, "张三丰", "2026-01-03 10:00:00");
  changed["phone_number"] = "13600000000";
  EXPECT_TRUE(persons().addOnePerson(changed));

  std::vector<Row> all = persons().getAllPersons();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].at("idcard"), Value(id));
  EXPECT_EQ(all[0].at("name"), Value("张三丰"));
  EXPECT_EQ(all[0].at("phone_number"), Value("13600000000"));
  EXPECT_EQ(all[1].at("name"), Value("李四"));
  EXPECT_FALSE(persons().addOnePerson({{"name", "no id"}, {"time", "x"}}));

  EXPECT_TRUE(persons().clearPersons());
  EXPECT_TRUE(persons().getAllPersons().empty());
}

TEST_F(DBBaseTest, QuotesAndOddBytesSurviveInsertAndUpdate) {
  const std::string odd("O'Brien\"; DROP TABLE vok_user; --\0end", 37);
  EXPECT_TRUE(persons().addOnePerson(person("110105194912310011", "D'Arcy", "t1")));
  EXPECT_EQ(persons().getAllPersons().at(0).at("name"), Value("D'Arcy"));
  EXPECT_TRUE(persons().addOnePerson(person("110105194912310011", odd, "t2")));
  EXPECT_EQ(persons().getAllPersons().at(0).at("name"), Value(odd));

  EXPECT_TRUE(accounts().updateAccountInfo({{"username", "O'Neil"}}));
  EXPECT_EQ(accounts().getUserItemForKey("username"), Value("O'Neil"));
  EXPECT_TRUE(accounts().updateAccountInfo({{"username", odd}}));
  EXPECT_EQ(accounts().getUserItemForKey("username"), Value(odd));
  // An identity number with a quote is an ordinary key too.
  EXPECT_TRUE(persons().addOnePerson(person("1'2", "x", "t3")));
  EXPECT_TRUE(persons().addOnePerson(person("1'2", "y", "t4")));
  EXPECT_EQ(persons().getAllPersons().size(), 2u);
}

TEST_F(DBBaseTest, GenericUpdateStoresWhatTheQuotedLiteralWould) {
  // sex is an integer column: text digits and numbers both end up as integers; text columns
  // keep numbers as their text.
  EXPECT_TRUE(accounts().updateAccountInfo({{"sex", "1"}, {"idcard_type", 5}}));
  EXPECT_EQ(accounts().getUserItemForKey("sex"), Value(1));
  EXPECT_EQ(accounts().getUserItemForKey("idcard_type"), Value("5"));
  EXPECT_TRUE(accounts().updateAccountInfo({{"sex", 0}}));
  EXPECT_EQ(accounts().getUserItemForKey("sex"), Value(0));

  EXPECT_FALSE(db().updateTable("vok_user", {}, "WHERE tableid = 1"));
  EXPECT_FALSE(db().updateTable("vok_user", {{"no_such_column", "x"}}, "WHERE tableid = 1"));
  EXPECT_FALSE(db().updateTable("vok_user", {{"username", "x"}}, "WHERE nonsense ="));
}

TEST_F(DBBaseTest, TheFileAndItsFolderAreExcludedFromBackup) {
  for (const std::string& path : {dbFile(kA), platform.documents() + "/" + kA}) {
    char mark = 0;
    EXPECT_EQ(getxattr(path.c_str(), "user.com.apple.MobileBackup", &mark, 1), 1) << path;
    EXPECT_EQ(mark, 1);
  }
}

TEST_F(DBBaseTest, NothingIsReadOrWrittenWithNobodySignedIn) {
  accounts().clearUserInfo();
  EXPECT_FALSE(db().AddOneNews(news("2026-01-02 08:00:00")));
  EXPECT_TRUE(db().getAllNews().empty());
  EXPECT_FALSE(db().clearPersons());
  EXPECT_EQ(accounts().getUserInfo(), std::nullopt);
  EXPECT_EQ(db().TestPersonIsExist("x"), 0);
}

TEST_F(DBBaseTest, OneObjectServesSeveralOperationsInARow) {
  // Operations close the connection behind them; the next one must still find the file.
  DBBase& same = db();
  EXPECT_TRUE(same.AddOneNews(news("a")));
  EXPECT_TRUE(same.AddOneNews(news("b")));
  EXPECT_EQ(same.getAllNews().size(), 2u);
  EXPECT_TRUE(same.getUserInfo().has_value());
}

// Written out here, apart from the storage's copy, so a slip in either shows.
const char* const kSchema[] = {
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

TEST_F(DBBaseTest, TheFileKeepsTheTablesExactlyAsTheyWereWritten) {
  const std::vector<std::string>& written = DBBase::createStatements();
  ASSERT_EQ(written.size(), 4u);
  auto file = SqliteDatabase::open(dbFile(kA)).value;
  ASSERT_TRUE(file);
  auto kept = file->query(
      "SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name "
      "LIKE 'vok%' ORDER BY rowid");
  ASSERT_TRUE(kept);
  ASSERT_EQ(kept->size(), 4u);
  const char* names[] = {"vok_user", "vok_news_report", "vok_picture_clue", "vok_person_history"};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(written[i], kSchema[i]);
    // SQLite keeps the text as given, only without "IF NOT EXISTS".
    std::string expected = written[i];
    expected.replace(0, std::string("CREATE TABLE IF NOT EXISTS").size(), "CREATE TABLE");
    EXPECT_EQ((*kept)[i].at("name"), Value(names[i]));
    EXPECT_EQ((*kept)[i].at("sql"), Value(expected)) << names[i];
  }
}

TEST_F(DBBaseTest, TheAccountIsTheLastRowAndUpdatesTouchOnlyRowOne) {
  // Nothing in the table stops a second row; reading and updating must still agree on which.
  ASSERT_TRUE(db().AddAccout({{"phone_number", "13700000003"}, {"password", "second"}}));
  Row last = db().getUserInfo().value_or(Row{});
  EXPECT_EQ(last.at("tableid"), Value(2));
  EXPECT_EQ(last.at("password"), Value("second"));

  ASSERT_TRUE(db().updateAccountInfo({{"username", "王五"}, {"password", "changed"}}));
  std::vector<Row> rows = rowsIn(kA, "vok_user");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].at("username"), Value("王五"));
  EXPECT_EQ(rows[0].at("password"), Value("changed"));
  EXPECT_EQ(rows[0].at("phone_number"), Value(kA));
  EXPECT_EQ(rows[1].at("username"), Value(Null{}));
  EXPECT_EQ(rows[1].at("password"), Value("second"));
}

class DamagedDatabaseTest : public testing::StorageTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(login(kA));
    ASSERT_TRUE(DBBase::sharedDBBase().AddOneNews(news("2026-01-02 08:00:00")));
  }
  // Replaces the file under its name, as a crash or another program would between two runs.
  void replaceFile(const std::string& bytes) {
    std::string temp = dbFile(kA) + ".new";
    std::ofstream(temp, std::ios::binary) << bytes;
    fs::rename(temp, dbFile(kA));
  }
  std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(DamagedDatabaseTest, AFileThatIsNotADatabaseIsMovedAsideAndANewOneStarted) {
  const std::string garbage(3000, 'x');
  // Overwritten in place: the quick look every open takes finds it.
  std::ofstream(dbFile(kA), std::ios::binary | std::ios::trunc) << garbage;
  DBBase& db = DBBase::sharedDBBase();
  EXPECT_EQ(contentOf(dbFile(kA) + ".corrupt"), garbage);
  EXPECT_TRUE(db.getAllNews().empty());
  EXPECT_TRUE(db.AddOneNews(news("2026-01-03 08:00:00")));
  EXPECT_EQ(db.getAllNews().size(), 1u);

  // A second damaged file does not replace the first one kept.
  replaceFile("also not a database, but long enough to have a header of its own........");
  EXPECT_TRUE(db.makeDBIsExistAndOpen()) << "the open that finds the damage starts the new file";
  EXPECT_TRUE(fs::exists(dbFile(kA) + ".corrupt-2"));
  EXPECT_EQ(contentOf(dbFile(kA) + ".corrupt"), garbage);
}

TEST_F(DamagedDatabaseTest, ATruncatedFileIsFoundAtItsFirstOpen) {
  std::string whole = contentOf(dbFile(kA));
  ASSERT_GT(whole.size(), 8192u);
  replaceFile(whole.substr(0, 4096 + 100));  // the schema page survives, the tables do not
  DBBase& db = DBBase::sharedDBBase();
  EXPECT_TRUE(fs::exists(dbFile(kA) + ".corrupt"));
  EXPECT_TRUE(db.AddOneNews(news("2026-01-03 08:00:00")));
  EXPECT_EQ(db.getAllNews().size(), 1u);
  // A sign-in finds the new file without its row and stores the account again.
  ASSERT_TRUE(login(kA, "again1"));
  EXPECT_EQ(accounts().getUserItemForKey("password"), Value("again1"));
}

TEST_F(DamagedDatabaseTest, AFileThatCannotBeOpenedFailsWithItsReason) {
  fs::remove(dbFile(kA));
  fs::create_directory(dbFile(kA));  // something in the way that cannot be moved for a database
  Status opened = DBBase::sharedDBBase().makeDBIsExistAndOpen();
  EXPECT_FALSE(opened);
  EXPECT_NE(opened.message().find(dbFile(kA)), std::string::npos) << opened.message();
  EXPECT_FALSE(DBBase::sharedDBBase().AddOneNews(news("2026-01-03 08:00:00")));
}

// A copy of a database file, damaged page by page: the page a table or index starts at, and
// the last page of its rows (the right-most child of an interior root).
struct FileImage {
  std::string bytes;
  std::uint32_t root(const std::string& file, const std::string& name) const {
    auto db = SqliteDatabase::open(file).value;
    auto rows = db->query("SELECT rootpage FROM sqlite_master WHERE name = ?", {name});
    return static_cast<std::uint32_t>(std::stoul(*textOf(rows->front(), "rootpage")));
  }
  std::size_t offset(std::uint32_t page) const { return std::size_t(page - 1) * 4096; }
  std::uint32_t lastLeaf(std::uint32_t top) const {
    const auto flag = static_cast<unsigned char>(bytes[offset(top)]);
    if (flag != 0x05 && flag != 0x02) return top;  // the root is its only page
    std::uint32_t child = 0;
    for (int i = 8; i < 12; ++i)
      child = child << 8 | static_cast<unsigned char>(bytes[offset(top) + i]);
    return child;
  }
  void smash(std::uint32_t page) { bytes.replace(offset(page), 4096, 4096, '\xff'); }
};

TEST_F(DamagedDatabaseTest, ADamagedIndexIsRebuiltAndUnreadableRowsAreCopiedAround) {
  std::vector<Row> stored;
  for (int i = 0; i < 600; ++i) {
    char time[32];
    std::snprintf(time, sizeof time, "2026-03-01 %02d:%02d:%02d", i / 360, i / 6 % 60, i % 6 * 10);
    stored.push_back(news(time, std::string(40, 'n')));
  }
  DBBase& db = DBBase::sharedDBBase();
  ASSERT_TRUE(db.AddNewsRows(stored).ok());
  const FileImage whole{contentOf(dbFile(kA))};
  const std::uint32_t index = whole.root(dbFile(kA), "vok_news_report_time");
  const std::uint32_t table = whole.root(dbFile(kA), "vok_news_report");
  const std::uint32_t account = whole.root(dbFile(kA), "vok_user");

  // A page of the time index that cannot be read: the index is made again, in place.
  FileImage damaged = whole;
  damaged.smash(damaged.lastLeaf(index));
  replaceFile(damaged.bytes);
  EXPECT_EQ(db.TestNewsIsExist("2026-03-01 01:39:40"), 1);
  EXPECT_FALSE(fs::exists(dbFile(kA) + ".corrupt")) << "mended in place";
  EXPECT_EQ(db.getAllNews().size(), 601u);

  // A page of news that cannot be read at all: every other row is copied into a new file, with
  // its id, and the account with it; the damaged file is kept beside.
  damaged = whole;
  damaged.smash(damaged.lastLeaf(table));
  replaceFile(damaged.bytes);
  const std::size_t left = db.getAllNews().size();
  EXPECT_TRUE(fs::exists(dbFile(kA) + ".corrupt"));
  EXPECT_LT(left, 601u);
  EXPECT_GT(left, 500u);
  EXPECT_EQ(accounts().getUserItemForKey("password"), Value("secret1"));
  EXPECT_EQ(rowsIn(kA, "vok_news_report").front().at("tableid"), Value(std::int64_t{1}));
  ASSERT_TRUE(db.AddOneNews(news("2026-04-01 00:00:00")));
  EXPECT_EQ(rowsIn(kA, "vok_news_report").back().at("tableid"), Value(std::int64_t{602}))
      << "ids handed out before stay handed out";

  // The account's own page: the row is made again from the number the file belongs to.
  damaged = whole;
  damaged.smash(account);
  replaceFile(damaged.bytes);
  EXPECT_EQ(accounts().getUserItemForKey("phone_number"), Value(kA));
  EXPECT_EQ(db.getAllNews().size(), 601u);
}

TEST_F(DBBaseTest, ANewsBatchThatCannotBeWrittenWhollyStoresNothing) {
  ASSERT_TRUE(db().AddNewsRows({news("2026-01-01 00:00:00")}).ok());
  std::vector<Row> batch;
  for (int i = 0; i < 3000; ++i)
    batch.push_back(news("2026-02-01 00:00:" + std::to_string(10000 + i), std::string(200, 'x')));
  // Room for a few pages more: the batch fills them and then the disk is full.
  auto counted = SqliteDatabase::open(dbFile(kA)).value->query("PRAGMA page_count");
  DBBase::limitPagesForTesting(std::stoi(*textOf(counted->front(), "page_count")) + 20);
  Result<std::size_t> full = db().AddNewsRows(batch);
  DBBase::limitPagesForTesting(0);
  EXPECT_FALSE(full.ok());
  EXPECT_TRUE(full.status.diskFull()) << full.status.message();
  EXPECT_EQ(rowsIn(kA, "vok_news_report").size(), 1u) << "nothing of the batch";
  Result<std::size_t> later = db().AddNewsRows(batch);
  ASSERT_TRUE(later.ok()) << later.status.message();
  EXPECT_EQ(*later.value, 3000u);
}

TEST_F(DBBaseTest, ClearingATableOpensTheFileOnce) {
  ASSERT_TRUE(persons().addOnePerson(person("110105194912310011", "李四", "2026-01-02 10:00:00")));
  EXPECT_TRUE(db().deleteTable("vok_person_history"));
  EXPECT_TRUE(persons().getAllPersons().empty());
  EXPECT_FALSE(db().deleteTable("no_such_table"));
}

}  // namespace
}  // namespace vokari
