// The news store at 100,000 rows: 1,000 new items of one reply stored through NewsManager, and
// the display list read through it, each next to raw SQLite doing the same work in the same run
// (the inserts in one transaction with the time index; an indexed read of all rows).
//
// Then a backlog: 100,000 items (a reply of about 65 MB) fetched over loopback from a server that
// makes the reply as it sends it, into an empty table, in one reply and in 20 replies of 5,000:
// the time, the peak memory growth, and the longest the main loop was held (a probe thread posts
// a task every millisecond; the longest wait of one for the loop is the figure).

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

#include <httplib.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "core/Endpoints.h"
#include "news/NewsManager.h"
#include "platform/Background.h"
#include "platform/Platform.h"
#include "storage/DBBase.h"
#include "support/ProcessMemory.h"

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

// ---- the backlog ----

constexpr int kBacklog = 100000;

std::string backlogTime(int i) {  // fixed width: text order is index order
  char text[32];
  std::snprintf(text, sizeof text, "2025-06-01 %08d", i);
  return text;
}

// One item of the reply as the service sends it: four stories, about 650 bytes.
std::string wireItem(int i) {
  nlohmann::json item{{"time", backlogTime(i)}, {"area", std::to_string(2 + i % 10)}};
  const std::string base = "http://127.0.0.1:64110/news/" + std::to_string(i) + "/";
  for (int story = 0; story < 4; ++story) {
    const std::string n = story == 0 ? "" : std::to_string(story);
    item["title" + n] =
        (story == 0 ? "警方破获一起电信诈骗案 " : "提醒市民谨防诈骗 ") + std::to_string(i);
    item["img_url" + n] = base + std::to_string(story) + ".png";
    item["new_url" + n] = base + std::to_string(story) + ".html";
  }
  return item.dump();
}

// Serves the items after the asked time, at most `perReply` of them, made as they are sent.
class BacklogServer {
 public:
  explicit BacklogServer(int perReply) : perReply_(perReply) {
    server_.Post(".*", [this](const httplib::Request& request, httplib::Response& response) {
      const std::string time = nlohmann::json::parse(request.body).value("TIME", "");
      const int first = time.empty() ? 0 : std::stoi(time.substr(11)) + 1;
      const int end = std::min(kBacklog, first + perReply_);
      auto next = std::make_shared<int>(first);
      response.set_chunked_content_provider(
          "text/plain;charset=UTF-8", [next, first, end](std::size_t, httplib::DataSink& sink) {
            std::string piece = *next == first ? R"({"NEWS_LIST":[)" : "";
            for (int n = 0; n < 50 && *next < end; ++n, ++*next)
              piece += (*next == first ? "" : ",") + wireItem(*next);
            if (*next == end) piece += R"(],"STATES":"SUCCESS"})";
            sink.write(piece.data(), piece.size());
            if (*next == end) sink.done();
            return true;
          });
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~BacklogServer() {
    server_.stop();
    thread_.join();
  }
  int port() const { return port_; }

 private:
  int perReply_;
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

struct Fetched {
  double seconds = 0;
  double growthMb = 0;
  double heldMs = 0;
  std::size_t stored = 0;
};

struct Told : NewsManagerDelegate {
  bool told = false;
  void newsResponse() override { told = true; }
};

// The whole backlog fetched as the news screen fetches it, one reply after another until the
// service has nothing newer, into the empty table of a user of its own.
Fetched fetchBacklog(int perReply, const std::string& phone) {
  BacklogServer server(perReply);
  Endpoints endpoints;
  endpoints.ports[0] = server.port();
  Endpoints::install(endpoints);
  std::filesystem::create_directories(Platform::current().paths.documents() + "/" + phone);
  fixture->settings.set("currentuser", phone);
  DBBase::sharedDBBase();
  Background worker(fixture->loop);
  Platform::current().background = &worker;

  std::atomic<bool> probing{true};
  std::atomic<double> held{0};
  std::thread probe([&] {
    while (probing) {
      const auto posted = Clock::now();
      std::atomic<bool> ran{false};
      fixture->loop.post([&, posted] {
        const double waited = std::chrono::duration<double>(Clock::now() - posted).count();
        if (waited > held) held = waited;
        ran = true;
      });
      while (!ran && probing) std::this_thread::sleep_for(std::chrono::microseconds(100));
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  vokari::testing::resetPeak();
  // The kernel updates the peak lazily: the resident size may be read above it.
  const std::size_t before =
      std::max(vokari::testing::statusKb("VmRSS"), vokari::testing::statusKb("VmHWM"));
  Fetched fetched;
  fetched.seconds = seconds([&] {
    NewsManager manager;
    Told told;
    manager.delegate = &told;
    for (int replies = 0; replies * perReply < kBacklog; ++replies) {
      told.told = false;
      manager.getNewsWithLastTime();
      if (!fixture->loop.waitUntil([&] { return told.told && worker.pending() == 0; }, 600) ||
          !manager.lastStore()) {
        std::fprintf(stderr, "fetch failed\n");
        std::abort();
      }
    }
  });
  const std::size_t peak =
      std::max(vokari::testing::statusKb("VmRSS"), vokari::testing::statusKb("VmHWM"));
  fetched.growthMb = static_cast<double>(std::max(peak, before) - before) / 1024;
  probing = false;
  probe.join();
  fixture->loop.runUntilIdle();
  Platform::current().background = nullptr;
  fetched.heldMs = 1e3 * held;
  DBBase::sharedDBBase().readNews({"time"},
                                  [&](const SqliteStatement&) { return ++fetched.stored > 0; });
  return fetched;
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

  // The split fetch first: a process's first large allocations are dearer than its later ones.
  const Fetched split = fetchBacklog(kBacklog / 20, "13800000002");
  const Fetched whole = fetchBacklog(kBacklog, "13800000003");
  if (whole.stored != kBacklog || split.stored != kBacklog) std::abort();
  std::printf(
      "\nbacklog of %d items (%.1f MB of reply) into an empty table:\n", kBacklog,
      static_cast<double>(kBacklog) * static_cast<double>(wireItem(kBacklog / 2).size() + 1) / 1e6);
  std::printf(
      "  20 replies of 5,000:  %6.2f s  peak growth %6.1f MB  main loop held at most %5.1f ms\n",
      split.seconds, split.growthMb, split.heldMs);
  std::printf(
      "  one reply:            %6.2f s  peak growth %6.1f MB  main loop held at most %5.1f ms\n",
      whole.seconds, whole.growthMb, whole.heldMs);
  std::printf("  time ratio one/20: %.2f (goal <= 1.2); growth goal < 32 MB; held goal <= 50 ms\n",
              split.seconds > 0 ? whole.seconds / split.seconds : 0);
  return 0;
}
