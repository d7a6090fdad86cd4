#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "platform/ExpiringCache.h"
#include "platform/FileManager.h"
#include "platform/SettingsStore.h"
#include "support/TestPlatform.h"

namespace vokari {
namespace {

using testing::TempDir;

TEST(FileSettingsStore, KeepsValuesAcrossReopenAndSurvivesAnInterruptedWrite) {
  TempDir dir;
  std::string path = dir.path() + "/settings.json";
  {
    FileSettingsStore store(path);
    store.set("currentuser", "13800000001");
    ASSERT_TRUE(store.synchronize());
  }
  {
    FileSettingsStore store(path);
    EXPECT_EQ(store.get("currentuser"), "13800000001");
    store.set("currentuser", "13800000002");
    FileManager::setFailBeforeRename(true);
    EXPECT_FALSE(store.synchronize());
    FileManager::setFailBeforeRename(false);
  }
  FileSettingsStore reopened(path);
  EXPECT_EQ(reopened.get("currentuser"), "13800000001");
}

TEST(FileSettingsStore, AnUnreadableFileIsSetAsideAndTheStoreStartsEmpty) {
  TempDir dir;
  const std::string path = dir.path() + "/settings.json";
  const std::string whole = R"({"currentuser": "13800000001", "version": "2.0.0"})";
  EXPECT_EQ(FileSettingsStore(path).origin(), SettingsOrigin::Missing);
  for (const std::string& damaged :
       {whole.substr(0, whole.size() / 2), std::string(), std::string("[\"a list\"]")}) {
    SCOPED_TRACE(damaged);
    ASSERT_TRUE(FileManager::writeFileAtomically(path, damaged));
    FileSettingsStore store(path);
    EXPECT_EQ(store.origin(), SettingsOrigin::Unreadable);
    EXPECT_FALSE(store.get("currentuser").has_value());
    EXPECT_FALSE(FileManager::fileExistsAtPath(path));
    EXPECT_EQ(FileManager::readFile(path + ".unreadable"), damaged) << "kept for a look";
    std::filesystem::remove(path + ".unreadable");
  }
  ASSERT_TRUE(FileManager::writeFileAtomically(path, whole));
  FileSettingsStore store(path);
  EXPECT_EQ(store.origin(), SettingsOrigin::Read);
  EXPECT_EQ(store.get("currentuser"), "13800000001");
  // A write on a full disk says so.
  FileManager::setFailWrites(ENOSPC);
  Status full = store.synchronize();
  FileManager::setFailWrites(0);
  EXPECT_FALSE(full);
  EXPECT_TRUE(full.diskFull());
}

TEST(ExpiringCache, EntriesExpireOnTheClockAndSurviveAReopen) {
  TempDir dir;
  ManualRunLoop loop;
  std::string path = dir.path() + "/cache.json";
  {
    ExpiringCache cache(loop, path);
    cache.set("TIMEREGCODE", "42", 42);
  }
  loop.advance(10);
  {
    ExpiringCache cache(loop, path);
    EXPECT_EQ(cache.get("TIMEREGCODE"), "42");
  }
  loop.advance(32);
  ExpiringCache cache(loop, path);
  EXPECT_FALSE(cache.get("TIMEREGCODE").has_value());
}

TEST(FileManager, ListsFoldersAndFilesSeparatelyAndCreatesPrivateFolders) {
  testing::TestPlatform platform;
  std::string docs = platform.documents();
  EXPECT_TRUE(FileManager::createDirectoryWithPath(docs + "/a"));
  EXPECT_TRUE(FileManager::createDirectoryWithPath(docs + "/a"));     // existing: still true
  EXPECT_FALSE(FileManager::createDirectoryWithPath(docs + "/x/y"));  // parents not made
  EXPECT_EQ(FileManager::getDirSubFiles(docs), std::vector<std::string>{});
  ASSERT_TRUE(FileManager::writeFileAtomically(docs + "/f", "x"));
  EXPECT_EQ(FileManager::getDirSubFiles(docs), std::vector<std::string>{"f"});
  EXPECT_EQ(FileManager::getDirSubDir(docs), std::vector<std::string>{"a"});
  EXPECT_FALSE(FileManager::getDirSubDir(docs + "/missing").has_value());
  struct stat st {};
  ASSERT_EQ(stat((docs + "/a").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(stat((docs + "/f").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(FileManager, TmpPathAcceptsAnythingAlreadyInItsPlace) {
  testing::TestPlatform platform;
  ASSERT_TRUE(FileManager::writeFileAtomically(platform.platform.paths.tmp(), "occupied"));
  EXPECT_EQ(FileManager::getTmpPath(), platform.platform.paths.tmp());
}

TEST(FileManager, TmpPathIsCreatedOnDemandWithoutParents) {
  testing::TestPlatform platform;
  const std::string tmp = platform.platform.paths.tmp();
  std::filesystem::remove_all(tmp);
  EXPECT_EQ(FileManager::getTmpPath(), tmp);
  EXPECT_TRUE(std::filesystem::is_directory(tmp));
  EXPECT_EQ(FileManager::getTmpPath(), tmp);  // found, not made again

  std::filesystem::remove_all(platform.platform.paths.library());  // no parent to make it in
  EXPECT_EQ(FileManager::getTmpPath(), std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(platform.platform.paths.library()));
}

TEST(FileManager, RemovesWholeFolderTreesAndRenamesFilesAndFolders) {
  TempDir dir;
  const std::string user = dir.path() + "/13800000000";
  std::filesystem::create_directories(user + "/PictureClue/deeper");
  std::ofstream(user + "/13800000000.db") << "rows";
  std::ofstream(user + "/PictureClue/deeper/a.jpg") << "jpeg";

  EXPECT_TRUE(FileManager::renameFileName(user + "/13800000000.db", user + "/13900000000.db"));
  EXPECT_FALSE(FileManager::fileExistsAtPath(user + "/13800000000.db"));
  EXPECT_EQ(FileManager::readFile(user + "/13900000000.db"), "rows");
  EXPECT_TRUE(FileManager::renameFileName(user, dir.path() + "/13900000000"));
  EXPECT_TRUE(FileManager::fileExistsAtPath(dir.path() + "/13900000000/PictureClue/deeper/a.jpg"));
  EXPECT_FALSE(FileManager::renameFileName(user, dir.path() + "/elsewhere"));  // gone already

  EXPECT_TRUE(FileManager::removeFileAtPath(dir.path() + "/13900000000"));
  EXPECT_FALSE(FileManager::fileExistsAtPath(dir.path() + "/13900000000"));
  EXPECT_FALSE(FileManager::removeFileAtPath(dir.path() + "/13900000000"));  // nothing there
  std::ofstream(dir.path() + "/plain") << "x";
  EXPECT_TRUE(FileManager::removeFileAtPath(dir.path() + "/plain"));
  EXPECT_EQ(FileManager::getDirSubFiles(dir.path()), std::vector<std::string>{});
}

TEST(FileSettingsStore, AFlushThatCannotBeWrittenSaysWhereAndKeepsTheValues) {
  TempDir dir;
  FileSettingsStore store(dir.path() + "/missing-folder/settings.json");
  store.set("currentuser", "13800000000");
  Status flushed = store.synchronize();
  EXPECT_FALSE(flushed);
  EXPECT_NE(flushed.message().find(dir.path() + "/missing-folder/settings.json"), std::string::npos)
      << flushed.message();
  EXPECT_EQ(store.get("currentuser"), "13800000000");
}

}  // namespace
}  // namespace vokari
