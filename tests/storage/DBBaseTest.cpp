#include <gtest/gtest.h>
#include <sys/xattr.h>

#include "StorageFixture.h"
#include "storage/ReservaionPersonManager.h"

namespace vokari {
namespace {

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

}  // namespace
}  // namespace vokari
