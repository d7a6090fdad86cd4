#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "StorageFixture.h"
#include "core/VersionManage.h"
#include "storage/ReservaionPersonManager.h"

namespace vokari {
namespace {

namespace fs = std::filesystem;
using testing::kA;
using testing::kB;

class AccountManagerTest : public testing::StorageTest {
 protected:
  // A user with one of everything stored.
  void fillAsA() {
    ASSERT_TRUE(login(kA));
    ASSERT_TRUE(accounts().updateAccountInfo({{"username", "张三"}, {"sex", 1}}));
    ASSERT_TRUE(DBBase::sharedDBBase().AddOneNews(news("2026-01-02 08:00:00")));
    ASSERT_TRUE(ReservaionPersonManager::sharedReservaionPersonManager().addOnePerson(
        person("11010519491231002X", "李四", "2026-01-01 10:00:00")));
  }
};

TEST_F(AccountManagerTest, ANewNumberGetsARowOfExactlyTheLoginKeys) {
  EXPECT_FALSE(accounts().isLogin());
  ASSERT_TRUE(login(kA));
  EXPECT_TRUE(accounts().isLogin());
  EXPECT_EQ(platform.settings.get("currentuser"), kA);
  std::optional<Row> row = accounts().getUserInfo();
  ASSERT_TRUE(row);
  EXPECT_EQ(row->at("tableid"), Value(1));
  EXPECT_EQ(row->at("phone_number"), Value(kA));
  EXPECT_EQ(row->at("password"), Value("secret1"));
  EXPECT_EQ(row->at("newsbookarea"), Value("2,3,4,5,6,7,8,9,10,11"));
  for (const char* unwritten : {"username", "nickname", "sex", "device_token", "idcard_number"})
    EXPECT_EQ(row->at(unwritten), Value(Null{})) << unwritten;
  EXPECT_EQ(row->size(), 12u);  // every column, tableid included
}

TEST_F(AccountManagerTest, ItemsForKeysDistinguishNullFromMissing) {
  ASSERT_TRUE(login(kA));
  EXPECT_EQ(accounts().getUserItemForKey("nickname"), Value(Null{}));
  EXPECT_EQ(accounts().getUserItemForKey("password"), Value("secret1"));
  EXPECT_EQ(accounts().getUserItemForKey(" "), std::nullopt);
  EXPECT_EQ(accounts().getUserItemForKey(std::nullopt), std::nullopt);
  EXPECT_EQ(accounts().getUserItemForKey("no_such_column"), std::nullopt);
}

TEST_F(AccountManagerTest, SigningInAsAThenBGivesBAnEmptyDatabaseAndLeavesAIntact) {
  fillAsA();
  ASSERT_TRUE(login(kB));
  EXPECT_EQ(platform.settings.get("currentuser"), kB);
  EXPECT_TRUE(DBBase::sharedDBBase().getAllNews().empty());
  EXPECT_TRUE(ReservaionPersonManager::sharedReservaionPersonManager().getAllPersons().empty());
  EXPECT_EQ(accounts().getUserItemForKey("phone_number"), Value(kB));
  EXPECT_EQ(VersionManage::sharedVersionManage().userPath, platform.documents() + "/" + kB);

  EXPECT_EQ(rowsIn(kA, "vok_news_report").size(), 1u);
  EXPECT_EQ(rowsIn(kA, "vok_person_history").size(), 1u);
  ASSERT_EQ(rowsIn(kA, "vok_user").size(), 1u);
  EXPECT_EQ(rowsIn(kA, "vok_user")[0].at("phone_number"), Value(kA));
  EXPECT_EQ(rowsIn(kB, "vok_user").size(), 1u);
}

TEST_F(AccountManagerTest, SigningOutKeepsFilesAndSigningBackInRefreshesTheRow) {
  fillAsA();
  accounts().clearUserInfo();
  EXPECT_FALSE(accounts().isLogin());
  EXPECT_EQ(platform.settings.get("currentuser"), std::nullopt);
  EXPECT_TRUE(fs::exists(dbFile(kA)));
  EXPECT_EQ(accounts().getUserInfo(), std::nullopt);

  ASSERT_TRUE(login(kA, "newpass"));
  EXPECT_EQ(accounts().getUserItemForKey("password"), Value("newpass"));
  EXPECT_EQ(accounts().getUserItemForKey("username"), Value("张三"));  // kept from before
  EXPECT_EQ(accounts().getUserItemForKey("sex"), Value(1));
  EXPECT_EQ(DBBase::sharedDBBase().getAllNews().size(), 1u);
  EXPECT_EQ(rowsIn(kA, "vok_user").size(), 1u);
}

TEST_F(AccountManagerTest, IsLoginPreparesTheFoldersOfTheStoredUser) {
  platform.settings.set("currentuser", kB);
  EXPECT_TRUE(accounts().isLogin());
  EXPECT_TRUE(fs::is_directory(platform.documents() + "/" + kB + "/ReportPath"));
}

TEST_F(AccountManagerTest, APhoneNumberChangeKeepsEveryRow) {
  fillAsA();
  ASSERT_TRUE(accounts().changePhoneNumber(kA, kB));
  EXPECT_FALSE(fs::exists(platform.documents() + "/" + kA));
  EXPECT_TRUE(fs::exists(dbFile(kB)));
  EXPECT_TRUE(fs::is_directory(platform.documents() + "/" + kB + "/PictureClue"));
  EXPECT_EQ(platform.settings.get("currentuser"), kB);
  EXPECT_EQ(accounts().getUserItemForKey("phone_number"), Value(kB));
  EXPECT_EQ(accounts().getUserItemForKey("username"), Value("张三"));
  EXPECT_EQ(accounts().getUserItemForKey("password"), Value("secret1"));
  EXPECT_EQ(DBBase::sharedDBBase().getAllNews().size(), 1u);
  EXPECT_EQ(ReservaionPersonManager::sharedReservaionPersonManager().getAllPersons().size(), 1u);
}

TEST_F(AccountManagerTest, ASignInOnAFileWithoutItsRowStoresTheRow) {
  // A database file left behind by an insert that failed.
  VersionManage::sharedVersionManage().initWithCurrentUser(kA);
  platform.settings.set("currentuser", kA);
  DBBase::sharedDBBase();
  ASSERT_TRUE(fs::exists(dbFile(kA)));
  ASSERT_TRUE(login(kA));
  EXPECT_EQ(accounts().getUserItemForKey("password"), Value("secret1"));
}

TEST_F(AccountManagerTest, PhoneNumbersThatAreNotFolderNamesAreRefused) {
  fillAsA();
  EXPECT_FALSE(login("1/../../../x"));
  EXPECT_FALSE(accounts().saveAccountInfo({{"phone_number", ".."}}));
  EXPECT_FALSE(accounts().saveAccountInfo({{"password", "no phone"}}));
  EXPECT_FALSE(accounts().updateAccountInfo({{"phone_number", Null{}}}));
  EXPECT_FALSE(accounts().changePhoneNumber(kA, "../escape"));
  EXPECT_EQ(platform.settings.get("currentuser"), kA);
  EXPECT_EQ(accounts().getUserItemForKey("phone_number"), Value(kA));
  EXPECT_FALSE(fs::exists(platform.root() + "/x"));
  EXPECT_FALSE(fs::exists(platform.root() + "/escape"));
}

// Every file a phone number leads to lies in its own folder directly inside Documents, whatever
// the number holds; one that would point elsewhere is refused by every road that takes one.
TEST_F(AccountManagerTest, APhoneNumberNeverLeadsOutsideTheDocumentsFolder) {
  fillAsA();
  // The data root's parent is the shared temporary folder, where another program may own an "x".
  const fs::path beside = fs::path(platform.root()).parent_path() / "x";
  const bool besideWasThere = fs::exists(beside);
  const std::vector<std::string> refused = {"../x",
                                            "/abs",
                                            "a/b",
                                            "..",
                                            ".",
                                            "",
                                            "1/../../x",
                                            "x/",
                                            "/",
                                            "../../../tmp",
                                            "../Library",
                                            "./x",
                                            std::string("13800000003\0/../x", 17),
                                            std::string("\0", 1)};
  for (const std::string& phone : refused) {
    SCOPED_TRACE("\"" + phone + "\"");
    EXPECT_FALSE(DBBase::databasePath(phone));
    EXPECT_FALSE(login(phone));
    EXPECT_FALSE(accounts().saveAccountInfo({{"phone_number", phone}}));
    EXPECT_FALSE(accounts().updateAccountInfo({{"phone_number", phone}}));
    EXPECT_FALSE(accounts().changePhoneNumber(kA, phone));
    EXPECT_FALSE(accounts().changePhoneNumber(phone, kA));
    EXPECT_EQ(platform.settings.get("currentuser"), kA);
  }
  // Odd but harmless: each is an ordinary name of a folder inside Documents.
  for (const std::string phone : {"...", "..x", "x..", " ..", "-", "~", "a\\b", "%2e%2e"}) {
    SCOPED_TRACE("\"" + phone + "\"");
    auto path = DBBase::databasePath(phone);
    ASSERT_TRUE(path);
    EXPECT_EQ(fs::path(*path).parent_path().parent_path(), fs::path(platform.documents()));
    EXPECT_TRUE(login(phone));
  }
  // Nothing was made beside the data root's own folders.
  std::set<std::string> top;
  for (const auto& entry : fs::directory_iterator(platform.root()))
    top.insert(entry.path().filename().string());
  EXPECT_EQ(top, (std::set<std::string>{"Documents", "Library"}));
  if (!besideWasThere) {
    EXPECT_FALSE(fs::exists(beside));
  }
  EXPECT_FALSE(fs::exists("/abs"));
}

TEST_F(AccountManagerTest, AStoredUserThatCannotNameAFolderIsNotSignedIn) {
  for (const char* stored : {"", "..", "a/b", "../../x"}) {
    platform.settings.set("currentuser", stored);
    EXPECT_FALSE(accounts().isLogin()) << "\"" << stored << "\"";
  }
  EXPECT_FALSE(fs::exists(platform.root() + "/x"));
}

// Settings whose flush fails, as on a full disk; what was set stays in memory.
class UnwritableSettings final : public MemorySettingsStore {
 public:
  Status synchronize() override { return Status::failure("disk full"); }
};

TEST_F(AccountManagerTest, APhoneChangeCutShortAnywhereIsFinishedAtTheNextStart) {
  // Where a kill (or a full disk) stopped the steps, after the change was recorded.
  const std::string from = platform.documents() + "/" + kA, to = platform.documents() + "/" + kB;
  const std::vector<std::pair<const char*, std::function<void()>>> cuts = {
      {"before the folder moved", [] {}},
      {"after the folder moved", [&] { fs::rename(from, to); }},
      {"after the database moved",
       [&] {
         fs::rename(from, to);
         fs::rename(to + "/" + kA + ".db", dbFile(kB));
       }},
  };
  for (const auto& [name, done] : cuts) {
    SCOPED_TRACE(name);
    fs::remove_all(platform.documents());
    fs::create_directories(platform.documents());
    fillAsA();
    platform.settings.set("phonechange.from", kA);
    platform.settings.set("phonechange.to", kB);
    done();
    ASSERT_TRUE(accounts().finishPhoneChange());
    EXPECT_FALSE(fs::exists(from));
    EXPECT_EQ(platform.settings.get("currentuser"), kB);
    EXPECT_EQ(accounts().getUserItemForKey("phone_number"), Value(kB));
    EXPECT_EQ(accounts().getUserItemForKey("username"), Value("张三"));
    EXPECT_FALSE(platform.settings.get("phonechange.from"));
    EXPECT_TRUE(accounts().finishPhoneChange()) << "nothing left to do";
  }

  // Not even the record can be written: nothing is moved, and the failure is told.
  fs::remove_all(platform.documents());
  fs::create_directories(platform.documents());
  fillAsA();
  UnwritableSettings settings;
  settings.set("currentuser", kA);
  platform.platform.settings = &settings;
  EXPECT_FALSE(accounts().changePhoneNumber(kA, kB));
  EXPECT_TRUE(fs::exists(dbFile(kA)));
  EXPECT_FALSE(settings.get("phonechange.from"));
  platform.platform.settings = &platform.settings;
}

TEST_F(AccountManagerTest, ASignInWhoseSettingsCannotBeWrittenFailsAndKeepsThePreviousUser) {
  fillAsA();
  UnwritableSettings settings;
  settings.set("currentuser", kA);
  platform.platform.settings = &settings;
  Status signedIn = accounts().signIn(kB, {{"password", "x"}});
  EXPECT_FALSE(signedIn);
  EXPECT_EQ(signedIn.message(), "disk full");
  EXPECT_EQ(settings.get("currentuser"), kA);
  EXPECT_EQ(accounts().getUserItemForKey("username"), Value("张三"));

  // Signing out holds for the run even when it cannot be written.
  accounts().clearUserInfo();
  EXPECT_FALSE(accounts().isLogin());
  platform.platform.settings = &platform.settings;
}

// A flush is what a process killed right after it starts again with: it must never name a
// user whose account row is not stored yet.
TEST_F(AccountManagerTest, TheSignedInUserIsFlushedOnlyAfterItsAccountRow) {
  class CheckingSettings final : public MemorySettingsStore {
   public:
    explicit CheckingSettings(const std::function<bool(const std::string&)>& hasRow)
        : hasRow_(hasRow) {}
    Status synchronize() override {
      if (auto user = get("currentuser")) {
        EXPECT_TRUE(hasRow_(*user)) << "flushed " << *user << " without its account row";
      }
      return Status::success();
    }

   private:
    std::function<bool(const std::string&)> hasRow_;
  } settings([&](const std::string& phone) { return !rowsIn(phone, "vok_user").empty(); });
  platform.platform.settings = &settings;
  ASSERT_TRUE(login(kA));
  ASSERT_TRUE(login(kB));
  platform.platform.settings = &platform.settings;
}

TEST_F(AccountManagerTest, ASignInWhoseDatabaseCannotBeOpenedLeavesNobodySignedIn) {
  fs::create_directories(dbFile(kA));  // the database's place is taken by a folder
  Status signedIn = accounts().signIn(kA, {{"password", "secret1"}});
  EXPECT_FALSE(signedIn);
  EXPECT_NE(signedIn.message().find(dbFile(kA)), std::string::npos) << signedIn.message();
  EXPECT_FALSE(platform.settings.get("currentuser").has_value());
  EXPECT_FALSE(accounts().isLogin());
}

}  // namespace
}  // namespace vokari
