// The news screen opened on the fake engine with 100, 10,000 and 100,000 stored items, the
// pictures of the first screen served from the disk cache: the time from the press to the first
// cards drawn, the peak memory growth over the main screen, the picture requests started on
// opening; then 10,000 distinct pictures loaded by scrolling, with what the two caches hold
// after. Each figure is printed with the 100-item one as its baseline, measured in the same run.
// A renderer of an 800-point screen stands in for the clients: it asks for cards until the
// screen is full and tells the list which rows it shows.
//
// Built with -DVOKARI_NEWS_BENCH_BEFORE it measures the screen as it was before the lazy list
// (every card built at once, drawn by the terminal's renderer).

#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "news/NewsViewController.h"
#include "storage/AccountManager.h"
#include "storage/DBBase.h"
#include "support/ProcessMemory.h"
#include "support/TestPlatform.h"
#include "transport/FakeHttpEngine.h"
#include "ui/Driver.h"
#include "ui/Ui.h"

namespace {

using namespace vokari;
using Clock = std::chrono::steady_clock;

constexpr const char* kPhone = "13800000001";
constexpr double kScreenPoints = 800;
constexpr std::size_t kPictureBytes = 12 * 1024;  // a typical news thumbnail as sent
#ifdef VOKARI_NEWS_BENCH_BEFORE
constexpr int kReopenings = 0;  // each opening takes seconds: noise does not matter
#else
constexpr int kReopenings = 6;
#endif

std::string timeText(int i) {  // fixed width and descending with i, as the service sends them
  char text[32];
  int t = 900000000 - i;
  std::snprintf(text, sizeof text, "2025-%02d-%02d %02d:%02d:%02d", 1 + t / 2678400 % 12,
                1 + t / 86400 % 28, t / 3600 % 24, t / 60 % 60, t % 60);
  return text;
}

std::string pictureUrl(int item, int story) {
  return "http://127.0.0.1:64110/news/" + std::to_string(item) + "/" + std::to_string(story) +
         ".png";
}

std::string pictureBytes(int seed) {
  std::string bytes("\x89PNG\r\n\x1a\n", 8);
  bytes.resize(kPictureBytes, static_cast<char>('a' + seed % 26));
  return bytes;
}

std::size_t folderBytes(const std::string& folder) {
  std::size_t total = 0;
  std::error_code error;
  for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file()) total += it->file_size();
  }
  return total;
}

// The resident's news table with `count` items (main story and one further story each).
void storeItems(int count) {
  std::string path = *DBBase::databasePath(kPhone);
  DBBase::sharedDBBase();  // creates the file and its tables
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db,
                     "INSERT INTO vok_news_report (imgUrl, imgUrl1, newsUrl, newsUrl1, time, "
                     "title, title1, newsArea) VALUES (?,?,?,?,?,?,?,?)",
                     -1, &insert, nullptr);
  for (int i = 0; i < count; ++i) {
    std::string texts[] = {pictureUrl(i, 0),
                           pictureUrl(i, 1),
                           "http://127.0.0.1:64110/news/" + std::to_string(i) + "/0.html",
                           "http://127.0.0.1:64110/news/" + std::to_string(i) + "/1.html",
                           timeText(i),
                           "警方破获一起电信诈骗案 " + std::to_string(i),
                           "提醒市民谨防冒充客服的来电",
                           std::to_string(2 + i % 10)};
    for (int c = 0; c < 8; ++c) {
      sqlite3_bind_text(insert, c + 1, texts[c].c_str(), -1, SQLITE_TRANSIENT);
    }
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

struct Opening {
  double millis = 0;
  std::size_t peakGrowth = 0;
  std::size_t pictureRequests = 0;
};

class Main final : public ui::Screen {
 public:
  Main() : ui::Screen("MAIN") {}
};

// One signed-in resident on the fake platform, with the main screen shown.
struct World {
  testing::TestPlatform platform;
  FakeHttpEngine http;
  ui::Screens screens;
  ui::Toolkit toolkit{platform.loop, screens};
  ui::Driver driver{toolkit.ui};
  std::string caches = platform.platform.paths.library() + "/Caches/Pictures";

  World() {
    Row account{{"phone_number", kPhone}, {"password", "secret1"}};
    static_cast<void>(AccountManager::sharedAccountManage().signIn(kPhone, account));
    toolkit.navigator.setRoot(std::make_shared<Main>());
  }

  void settle() { platform.loop.runUntilIdle(); }

  std::size_t pictureRequests() const {
    std::size_t n = 0;
    for (const auto& r : http.requests()) n += r.url.find(".png") != std::string::npos;
    return n;
  }

  // The first screenful drawn, as the clients draw it.
  void draw(NewsViewController& screen) {
#ifdef VOKARI_NEWS_BENCH_BEFORE
    static_cast<void>(screen);
    benchmark::DoNotOptimize(driver.screenLines());
#else
    drawFrom(screen, 0);
#endif
  }

#ifndef VOKARI_NEWS_BENCH_BEFORE
  // Cards from the row on until the screen is full; answers the rows shown.
  int drawFrom(NewsViewController& screen, int first) {
    ui::CardRows& rows = screen.rows();
    double filled = 0;
    int row = first;
    for (; row < rows.count() && filled < kScreenPoints; ++row) filled += rows.card(row)->height;
    rows.show(first, row - 1);
    return row - first;
  }
#endif

  // Presses into the news screen; the fetch answers that nothing is new.
  Opening open(std::shared_ptr<NewsViewController>& screen, PictureLoader& loader) {
    Opening o;
    std::size_t base = testing::statusKb("VmRSS") * 1024;
    testing::resetPeak();
    std::size_t before = pictureRequests();
    auto start = Clock::now();
    screen = std::make_shared<NewsViewController>(&loader);
    toolkit.navigator.top()->push(screen);
    settle();
    for (std::size_t id : http.pending()) {
      if (http.requests()[id].url.find("getNewsForIos") != std::string::npos) {
        http.respond(id, FakeReply::json(R"({"STATES":"SUCCESS","NEWS_LIST":[]})"));
      }
    }
    platform.loop.runUntilIdle();
    draw(*screen);
    o.millis = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    o.peakGrowth = testing::statusKb("VmHWM") * 1024 - base;
    o.pictureRequests = pictureRequests() - before;
    return o;
  }
};

// Pictures of the first rows put in the disk cache as an earlier run would have left them.
void prefill(World& world, int rows) {
  PictureLoader writer(world.caches);
  for (int i = 0; i < rows; ++i) {
    for (int story = 0; story < 2; ++story) {
      std::string url = pictureUrl(i, story);
      std::filesystem::create_directories(world.caches);
      std::ofstream(writer.diskPath(url), std::ios::binary) << url << "\n" << pictureBytes(i);
    }
  }
}

Opening measureOpening(int items, bool fromDisk) {
  World world;
  storeItems(items);
  if (fromDisk) prefill(world, 40);
  PictureLoader loader(world.caches);
  std::shared_ptr<NewsViewController> screen;
  Opening o = world.open(screen, loader);
  // The machine is shared: the time is the best of a few openings (back, then in again).
  for (int again = 0; again < kReopenings; ++again) {
    screen->pop();
    screen.reset();
    world.settle();
    o.millis = std::min(o.millis, world.open(screen, loader).millis);
  }
  return o;
}

struct Scrolled {
  std::size_t pictures = 0;
  std::size_t diskFolder = 0;
  std::size_t memoryCache = 0;
  std::size_t rssGrowth = 0;
  double seconds = 0;
};

// Scrolls screen by screen until `wanted` distinct pictures have been downloaded (each answered
// with its own bytes), then reads what the caches hold.
Scrolled scrollThrough(int items, std::size_t wanted) {
  World world;
  storeItems(items);
  PictureLoader loader(world.caches);
  std::shared_ptr<NewsViewController> screen;
  std::size_t base = testing::statusKb("VmRSS") * 1024;
  auto start = Clock::now();
  world.open(screen, loader);
  Scrolled s;
  int first = 0;
  std::size_t answered = 0;
  auto answerAll = [&] {
    for (std::size_t id : world.http.pending()) {
      world.http.respond(
          id,
          FakeReply{200, {{"Content-Type", "image/png"}}, pictureBytes(static_cast<int>(id)), 0});
      ++answered;
    }
    world.settle();
  };
  answerAll();
#ifdef VOKARI_NEWS_BENCH_BEFORE
  static_cast<void>(first);
#else
  while (answered < wanted && first < screen->rows().count()) {
    first += world.drawFrom(*screen, first);
    answerAll();
  }
#endif
  s.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  s.pictures = answered;
  s.diskFolder = folderBytes(world.caches);
  s.memoryCache = loader.memoryBytes();
  s.rssGrowth = testing::statusKb("VmRSS") * 1024 - base;
  return s;
}

double mb(std::size_t bytes) {
  return static_cast<double>(bytes) / (1 << 20);
}

void BM_NewsScreen(benchmark::State& state) {
  const int sizes[] = {100, 10000, 100000};
  for (auto _ : state) {
    std::printf("\n%-10s %14s %8s %16s %8s %18s\n", "items", "first cards ms", "ratio",
                "peak growth MB", "ratio", "picture requests");
    Opening base;
    for (int n : sizes) {  // each line as soon as it is measured: the old screen takes minutes
      Opening timed = measureOpening(n, true);
      Opening requested = measureOpening(n, false);
      if (n == sizes[0]) base = timed;
      std::printf("%-10d %14.2f %8.2f %16.1f %8.2f %18zu\n", n, timed.millis,
                  timed.millis / base.millis, mb(timed.peakGrowth),
                  static_cast<double>(timed.peakGrowth) /
                      static_cast<double>(std::max<std::size_t>(base.peakGrowth, 1)),
                  requested.pictureRequests);
      std::fflush(stdout);
    }
  }
  if (std::getenv("NEWS_BENCH_OPENING_ONLY")) return;  // for profiling the openings alone
  Scrolled s = scrollThrough(10000, 10000);
  std::printf(
      "\nafter %zu distinct pictures (%.1f s): disk folder %.1f MB (bound %.0f MB), memory "
      "cache %.1f MB (bound %.0f MB), resident memory growth %.1f MB\n",
      s.pictures, s.seconds, mb(s.diskFolder), 64.0, mb(s.memoryCache),
      mb(PictureLoader::kDefaultMemoryBytes), mb(s.rssGrowth));
  std::string load;
  std::getline(std::ifstream("/proc/loadavg"), load);
  std::printf("load average: %s\n", load.c_str());
}
BENCHMARK(BM_NewsScreen)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
