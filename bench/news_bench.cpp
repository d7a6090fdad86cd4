// The news store at 100,000 rows: 1,000 new items of one reply stored through NewsManager, and
// the display list read through it, each next to raw SQLite doing the same work in the same run
// (the inserts in one transaction with the time index; an indexed read of all rows).

#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include "Rounds.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "news/NewsManager.h"
#include "platform/Platform.h"
#include "storage/DBBase.h"

namespace {

using namespace vokari;
using Clock = std::chrono::steady_clock;

constexpr int kStored = 100000;
constexpr int kNew = 1000;
constexpr const char* kPhone = "13800000001";

std::string timeText(int i) {  // fixed width, so text order is time order
  char text[32];
  std::snprintf(text, sizeof text, "2025-%02d-%02d %02d:%02d:%02d", 1 + i / 2678400 % 12,
                1 + i / 86400 % 28, i / 3600 % 24, i / 60 % 60, i % 60);
  return text;
}

NewsItem itemAt(int i) {
  NewsItem item;
  std::string base = "http://127.0.0.1:64110/news/" + std::to_string(i);
  item.imgUrl = base + "/0.png";
  item.imgUrl1 = base + "/1.png";
  item.newsUrl = base + "/0.html";
  item.newsUrl1 = base + "/1.html";
  item.time = timeText(i);
  item.title = "警方破获一起电信诈骗案 " + std::to_string(i);
  item.title1 = "提醒市民谨防冒充客服的来电";
  item.newsArea = std::to_string(2 + i % 10);
  return item;
}

void check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    std::abort();
  }
}

const char* const kInsert =
    "INSERT INTO vok_news_report (imgUrl,imgUrl1,imgUrl2,imgUrl3,newsUrl,newsUrl1,newsUrl2,"
    "newsUrl3,time,title,title1,title2,title3,newsArea) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)";

void bindItem(sqlite3_stmt* statement, const NewsItem& item) {
  const std::string* fields[] = {&item.imgUrl,  &item.imgUrl1,  &item.imgUrl2,  &item.imgUrl3,
                                 &item.newsUrl, &item.newsUrl1, &item.newsUrl2, &item.newsUrl3,
                                 &item.time,    &item.title,    &item.title1,   &item.title2,
                                 &item.title3,  &item.newsArea};
  for (int i = 0; i < 14; ++i) {
    sqlite3_bind_text(statement, i + 1, fields[i]->data(), static_cast<int>(fields[i]->size()),
                      SQLITE_STATIC);
  }
}

// Rows [from, to) inserted in one transaction on a connection of its own.
void rawInsert(const std::string& file, int from, int to) {
  sqlite3* db = nullptr;
  check(sqlite3_open(file.c_str(), &db), db);
  check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
  sqlite3_stmt* statement = nullptr;
  check(sqlite3_prepare_v2(db, kInsert, -1, &statement, nullptr), db);
  for (int i = from; i < to; ++i) {
    bindItem(statement, itemAt(i));
    check(sqlite3_step(statement), db);
    sqlite3_reset(statement);
  }
  sqlite3_finalize(statement);
  check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
  sqlite3_close(db);
}

std::size_t rawRead(const std::string& file) {
  sqlite3* db = nullptr;
  check(sqlite3_open(file.c_str(), &db), db);
  sqlite3_stmt* statement = nullptr;
  check(sqlite3_prepare_v2(db,
                           "SELECT imgUrl,imgUrl1,imgUrl2,imgUrl3,newsUrl,newsUrl1,newsUrl2,"
                           "newsUrl3,time,title,title1,title2,title3,newsArea FROM "
                           "vok_news_report ORDER BY time DESC",
                           -1, &statement, nullptr),
        db);
  std::vector<NewsItem> items;
  std::string NewsItem::*fields[] = {&NewsItem::imgUrl,   &NewsItem::imgUrl1,  &NewsItem::imgUrl2,
                                     &NewsItem::imgUrl3,  &NewsItem::newsUrl,  &NewsItem::newsUrl1,
                                     &NewsItem::newsUrl2, &NewsItem::newsUrl3, &NewsItem::time,
                                     &NewsItem::title,    &NewsItem::title1,   &NewsItem::title2,
                                     &NewsItem::title3,   &NewsItem::newsArea};
  while (sqlite3_step(statement) == SQLITE_ROW) {
    NewsItem& item = items.emplace_back();
    for (int i = 0; i < 14; ++i) {
      auto text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
      if (text) (item.*fields[i]).assign(text, sqlite3_column_bytes(statement, i));
    }
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return items.size();
}

// A signed-in user whose database holds the 100,000 rows; a pristine copy is kept beside it.
struct Fixture {
  std::string root;
  std::string file;
  std::string pristine;
  ManualRunLoop loop;
  MemorySettingsStore settings;
  Platform platform;

  Fixture() {
    char pattern[] = "/tmp/news_bench.XXXXXX";
    root = ::mkdtemp(pattern);
    platform.loop = &loop;
    platform.settings = &settings;
    platform.paths.root = root;
    platform.paths.prepare();
    Platform::install(&platform);
    std::filesystem::create_directories(platform.paths.documents() + "/" + kPhone);
    settings.set("currentuser", kPhone);
    DBBase::sharedDBBase();  // creates the file, the tables and the time index
    file = *DBBase::databasePath(kPhone);
    rawInsert(file, 0, kStored);
    pristine = root + "/pristine.db";
    std::filesystem::copy_file(file, pristine);
  }
  ~Fixture() {
    Platform::install(nullptr);
    std::filesystem::remove_all(root);
  }
  void restore() const {
    std::filesystem::copy_file(pristine, file, std::filesystem::copy_options::overwrite_existing);
  }
};

Fixture* fixture = nullptr;

std::vector<NewsItem> reply() {  // newer than everything stored, as a fetch brings them
  std::vector<NewsItem> items;
  for (int i = kStored; i < kStored + kNew; ++i) items.push_back(itemAt(i));
  return items;
}

template <typename F>
double seconds(F f) {
  auto start = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<double> syncRuns, rawSyncRuns, listRuns, rawListRuns;

void record(benchmark::State& state, std::vector<double>& runs, double s) {
  state.SetIterationTime(s);
  runs.push_back(s);
}

void managerSync(benchmark::State& state) {
  std::vector<NewsItem> items = reply();
  for (auto _ : state) {
    fixture->restore();
    NewsManager manager;  // no screen: the reply is stored, nothing delivered
    record(state, syncRuns, seconds([&] { static_cast<void>(manager.saveData(items)); }));
  }
}

void rawSync(benchmark::State& state) {
  for (auto _ : state) {
    fixture->restore();
    record(state, rawSyncRuns, seconds([] { rawInsert(fixture->file, kStored, kStored + kNew); }));
  }
}

void managerList(benchmark::State& state) {
  fixture->restore();
  for (auto _ : state) {
    NewsManager manager;
    std::size_t n = 0;
    record(state, listRuns, seconds([&] { n = manager.getShowNews().size(); }));
    if (n != static_cast<std::size_t>(kStored)) std::abort();
  }
}

void rawList(benchmark::State& state) {
  fixture->restore();
  for (auto _ : state) {
    std::size_t n = 0;
    record(state, rawListRuns, seconds([&] { n = rawRead(fixture->file); }));
    if (n != static_cast<std::size_t>(kStored)) std::abort();
  }
}

}  // namespace

int main(int argc, char** argv) {
  Fixture f;
  fixture = &f;
  benchmark::Initialize(&argc, argv);
  vokari::bench::registerRounds(7, {{"Sync/NewsManager", &managerSync},
                                    {"Sync/RawSqlite", &rawSync},
                                    {"DisplayList/NewsManager", &managerList},
                                    {"DisplayList/RawSqlite", &rawList}});
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  double sync = vokari::bench::median(syncRuns), rawS = vokari::bench::median(rawSyncRuns);
  double list = vokari::bench::median(listRuns), rawL = vokari::bench::median(rawListRuns);
  std::printf("\nnews table of %d rows, medians of %zu runs each:\n", kStored, syncRuns.size());
  std::printf("  sync of %d new items, NewsManager:   %8.1f ms\n", kNew, 1e3 * sync);
  std::printf("  same rows, raw SQLite transaction:   %8.1f ms   ratio %.2f (goal <= 2)\n",
              1e3 * rawS, rawS > 0 ? sync / rawS : 0);
  std::printf("  display list, NewsManager:           %8.1f ms\n", 1e3 * list);
  std::printf("  raw indexed read of all rows:        %8.1f ms   ratio %.2f (goal <= 1.2)\n",
              1e3 * rawL, rawL > 0 ? list / rawL : 0);
  return 0;
}
