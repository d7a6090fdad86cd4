#pragma once
// A fresh platform with helpers to sign users in and look into their database files directly.

#include <gtest/gtest.h>

#include <string>

#include "storage/AccountManager.h"
#include "storage/DBBase.h"
#include "storage/Sqlite.h"
#include "support/TestPlatform.h"

namespace vokari::testing {

inline const char* const kA = "13800000001";
inline const char* const kB = "13900000002";

class StorageTest : public ::testing::Test {
 protected:
  AccountManager& accounts() { return AccountManager::sharedAccountManage(); }

  // Signs in as the login screen does after an accepted login.
  bool login(const std::string& phone, const std::string& password = "secret1") {
    return accounts()
        .signIn(phone, {{"phone_number", phone},
                        {"password", password},
                        {"newsbookarea", "2,3,4,5,6,7,8,9,10,11"}})
        .ok();
  }

  static Row news(const std::string& time, const std::string& title = "t") {
    return {{"time", time}, {"title", title}, {"newsArea", "2"}};
  }

  static Row person(const std::string& idcard, const std::string& name, const std::string& time) {
    return {{"name", name}, {"idcard", idcard}, {"phone_number", "13700000000"}, {"time", time}};
  }

  std::string dbFile(const std::string& phone) const {
    return platform.documents() + "/" + phone + "/" + phone + ".db";
  }

  // Rows of a table read straight from a user's file, bypassing the account store.
  std::vector<Row> rowsIn(const std::string& phone, const std::string& table) const {
    auto db = SqliteDatabase::open(dbFile(phone)).value;
    if (!db) return {};
    return db->query("SELECT * FROM " + table + " ORDER BY tableid").value_or(std::vector<Row>{});
  }

  TestPlatform platform;
};

}  // namespace vokari::testing
