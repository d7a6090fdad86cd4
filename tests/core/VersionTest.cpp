#include <gtest/gtest.h>
#include <sys/xattr.h>

#include <filesystem>
#include <fstream>

#include "core/SystemInfo.h"
#include "core/VersionManage.h"
#include "platform/FileManager.h"
#include "support/TestPlatform.h"

namespace vokari {
namespace {

namespace fs = std::filesystem;
using testing::TestPlatform;

class Version : public ::testing::Test {
 protected:
  ~Version() override { SystemInfo::setAppVersionForTesting(std::nullopt); }

  // Documents as an earlier build left it: a user folder with a database and a stray file.
  void fillDocuments() {
    fs::create_directories(platform.documents() + "/13800000000/PictureClue");
    std::ofstream(platform.documents() + "/13800000000/13800000000.db") << "rows";
    std::ofstream(platform.documents() + "/stray.txt") << "x";
  }
  bool documentsEmpty() const { return fs::is_empty(platform.documents()); }

  TestPlatform platform;
};

TEST_F(Version, IsVersionWantsExactlyFiveCharactersEqualToTheAppVersion) {
  EXPECT_EQ(SystemInfo::currentAppVersion(), "2.0.0");
  EXPECT_TRUE(SystemInfo::isVersion("2.0.0"));
  EXPECT_FALSE(SystemInfo::isVersion("2.0.1"));
  EXPECT_FALSE(SystemInfo::isVersion("2.0.0 "));
  EXPECT_FALSE(SystemInfo::isVersion(std::nullopt));
  SystemInfo::setAppVersionForTesting("2.0.10");  // six characters never match
  EXPECT_FALSE(SystemInfo::isVersion("2.0.10"));
}

TEST_F(Version, HasSaveVersionRecordsOnFirstCallAndAnswersTrueAfter) {
  EXPECT_FALSE(SystemInfo::hasSaveVersion());
  EXPECT_EQ(platform.settings.get("version"), "2.0.0");
  EXPECT_TRUE(SystemInfo::hasSaveVersion());
  platform.settings.set("version", "2.0");  // malformed counts as not recorded
  EXPECT_FALSE(SystemInfo::hasSaveVersion());
  EXPECT_EQ(platform.settings.get("version"), "2.0.0");
}

TEST_F(Version, CleanUpRunsOnceOnUpgradeAndKeepsTheSignedInUser) {
  platform.settings.set("version", "1.9.0");
  platform.settings.set("currentuser", "13800000000");
  fillDocuments();
  VersionManage::sharedVersionManage().dataInit();
  EXPECT_TRUE(documentsEmpty());
  EXPECT_EQ(platform.settings.get("version"), "2.0.0");
  EXPECT_EQ(platform.settings.get("currentuser"), "13800000000");

  fillDocuments();  // second start of the same version
  VersionManage::sharedVersionManage().dataInit();
  EXPECT_FALSE(documentsEmpty());
  EXPECT_TRUE(fs::exists(platform.documents() + "/13800000000/13800000000.db"));
}

TEST_F(Version, CleanUpWaitsWhileTheVersionCannotBeRecorded) {
  // Unrecorded, it would run again at every launch and wipe what every run stored.
  struct Unwritable final : MemorySettingsStore {
    Status synchronize() override { return Status::failure("read-only"); }
  } unwritable;
  unwritable.set("version", "1.9.0");
  platform.platform.settings = &unwritable;
  fillDocuments();
  VersionManage::sharedVersionManage().dataInit();
  EXPECT_FALSE(documentsEmpty());
  platform.platform.settings = &platform.settings;
  platform.settings.set("version", "1.9.0");
  VersionManage::sharedVersionManage().dataInit();
  EXPECT_TRUE(documentsEmpty());
}

TEST_F(Version, AStoreThatWasMissingOrUnreadableNeverCostsTheUsersTheirFolders) {
  struct Found final : MemorySettingsStore {
    SettingsOrigin origin_ = SettingsOrigin::Read;
    SettingsOrigin origin() const override { return origin_; }
  } store;
  platform.platform.settings = &store;
  for (SettingsOrigin origin : {SettingsOrigin::Missing, SettingsOrigin::Unreadable}) {
    store.origin_ = origin;
    store.remove("version");
    fillDocuments();
    VersionManage::sharedVersionManage().dataInit();
    EXPECT_TRUE(fs::exists(platform.documents() + "/13800000000/13800000000.db"));
    EXPECT_EQ(store.get("version"), "2.0.0");
  }
  // Without a user folder there is nothing to keep: the clean-up runs as for a fresh install.
  fs::remove_all(platform.documents() + "/13800000000");
  store.remove("version");
  VersionManage::sharedVersionManage().dataInit();
  EXPECT_TRUE(documentsEmpty());
  platform.platform.settings = &platform.settings;
}

TEST_F(Version, CleanUpNeverRunsForAnotherVersion) {
  SystemInfo::setAppVersionForTesting("2.1.0");
  fillDocuments();
  VersionManage::sharedVersionManage().dataInit();
  EXPECT_FALSE(documentsEmpty());
  EXPECT_EQ(platform.settings.get("version"), std::nullopt);
}

TEST_F(Version, UserFolderSetIsCreatedAndMarkedEveryTime) {
  VersionManage& manage = VersionManage::sharedVersionManage();
  manage.initWithCurrentUser("13800000000");
  std::string user = platform.documents() + "/13800000000";
  EXPECT_EQ(manage.userPath, user);
  EXPECT_EQ(manage.picCluePath, user + "/PictureClue");
  EXPECT_EQ(manage.reservationPath, user + "/Reservation");
  EXPECT_EQ(manage.reportPath, user + "/ReportPath");
  for (const auto& path :
       {manage.userPath, manage.picCluePath, manage.reservationPath, manage.reportPath}) {
    EXPECT_TRUE(fs::is_directory(path)) << path;
    char mark = 0;
    EXPECT_EQ(getxattr(path.c_str(), "user.com.apple.MobileBackup", &mark, 1), 1) << path;
    EXPECT_EQ(mark, 1);
  }
  // Preparing again keeps what is inside.
  std::ofstream(manage.reservationPath + "/kept") << "x";
  manage.initWithCurrentUser("13800000000");
  EXPECT_TRUE(fs::exists(manage.reservationPath + "/kept"));
}

TEST_F(Version, UserFolderSetIgnoresAbsentAndPathLikePhoneNumbers) {
  VersionManage& manage = VersionManage::sharedVersionManage();
  manage.initWithCurrentUser("13900000000");
  for (Text phone :
       {Text(), Text(""), Text(".."), Text("1/../../out"), Text(std::string_view("1\0x", 3))}) {
    manage.initWithCurrentUser(phone);
    EXPECT_EQ(manage.userPath, platform.documents() + "/13900000000");
  }
  EXPECT_FALSE(fs::exists(platform.root() + "/out"));
  EXPECT_EQ(fs::directory_iterator(platform.documents())->path().filename(), "13900000000");
}

}  // namespace
}  // namespace vokari
