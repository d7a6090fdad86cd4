// The picture loader of the news cards: one download per address, the two caches, failures and
// cancellation, and the picture lane.

#include <gtest/gtest.h>

#include <filesystem>

#include "news/PictureLoader.h"
#include "platform/FileManager.h"
#include "support/TestPlatform.h"
#include "transport/FakeHttpEngine.h"

namespace vokari::testing {
namespace {

std::string png(const std::string& payload) {
  return std::string("\x89PNG\r\n\x1a\n", 8) + payload;
}

FakeReply picture(const std::string& payload) {
  FakeReply reply;
  reply.headers = {{"Content-Type", "image/png"}};
  reply.body = png(payload);
  return reply;
}

// Notes the lane of every request before the fake engine gets it.
class LaneRecorder final : public HttpEngine {
 public:
  explicit LaneRecorder(FakeHttpEngine& fake) : fake_(fake) { previous_ = install(this); }
  ~LaneRecorder() override { install(previous_); }
  void start(std::shared_ptr<HttpExchange> exchange) override {
    lanes.push_back(exchange->lane);
    fake_.start(std::move(exchange));
  }
  void cancel(const std::shared_ptr<HttpExchange>& exchange) override { fake_.cancel(exchange); }
  HttpResult perform(std::shared_ptr<HttpExchange> exchange) override {
    return fake_.perform(std::move(exchange));
  }
  std::vector<TransferLane> lanes;

 private:
  FakeHttpEngine& fake_;
  HttpEngine* previous_ = nullptr;
};

struct PictureLoaderTest : ::testing::Test {
  TestPlatform platform;
  FakeHttpEngine http;
  LaneRecorder lanes{http};
  TempDir folder;
  std::string caches = folder.path() + "/Library/Caches/Pictures";

  void settle() { platform.loop.runUntilIdle(); }
};

struct Got {
  std::vector<PictureBytes> pictures;
  std::function<void(PictureBytes)> callback() {
    return [this](PictureBytes bytes) { pictures.push_back(std::move(bytes)); };
  }
};

TEST_F(PictureLoaderTest, TwoCardsShareOneDownloadAndARestartReadsTheDisk) {
  const std::string url = "http://127.0.0.1:9/news/1/%E7%8E%B0%E5%9C%BA.png";
  Got first, second;
  {
    PictureLoader loader(caches);
    PictureTicket a = loader.load(url, first.callback());
    PictureTicket b = loader.load(url, second.callback());
    ASSERT_EQ(http.pending().size(), 1u);
    EXPECT_EQ(http.requests()[0].method, "GET");
    EXPECT_EQ(http.requests()[0].url, url);
    EXPECT_EQ(lanes.lanes, std::vector<TransferLane>{TransferLane::Pictures});
    http.respond(http.pending()[0], picture("one"));
    settle();
    ASSERT_EQ(first.pictures.size(), 1u);
    ASSERT_EQ(second.pictures.size(), 1u);
    ASSERT_TRUE(first.pictures[0]);
    EXPECT_EQ(*first.pictures[0], png("one"));
    EXPECT_EQ(first.pictures[0], second.pictures[0]);
    EXPECT_EQ(loader.cached(url), first.pictures[0]);
    EXPECT_TRUE(FileManager::fileExistsAtPath(loader.diskPath(url)));
  }
  PictureLoader restarted(caches);
  Got third;
  PictureTicket c = restarted.load(url, third.callback());
  ASSERT_EQ(third.pictures.size(), 1u);  // handed over at once, from the disk
  ASSERT_TRUE(third.pictures[0]);
  EXPECT_EQ(*third.pictures[0], png("one"));
  EXPECT_EQ(http.requests().size(), 1u);
}

TEST_F(PictureLoaderTest, AFailedPictureLeavesItsPlaceEmptyAndIsAskedForAgainLater) {
  PictureLoader loader(caches);
  for (const FakeReply& reply :
       {FakeReply::failure(kHttpTimedOut), FakeReply::json(R"({"error":"missing"})", 404),
        FakeReply::json("<html>not a picture</html>", 200)}) {
    Got got;
    PictureTicket t = loader.load("http://h.example/p.png", got.callback());
    http.respond(http.pending().at(0), reply);
    settle();
    ASSERT_EQ(got.pictures.size(), 1u);
    EXPECT_FALSE(got.pictures[0]);
    EXPECT_FALSE(loader.cached("http://h.example/p.png"));
    EXPECT_FALSE(FileManager::fileExistsAtPath(loader.diskPath("http://h.example/p.png")));
  }
  EXPECT_EQ(http.requests().size(), 3u);
  Got blank;
  PictureTicket t = loader.load("  ", blank.callback());
  EXPECT_EQ(blank.pictures, std::vector<PictureBytes>{nullptr});
  EXPECT_EQ(http.requests().size(), 3u);
}

TEST_F(PictureLoaderTest, ADownloadNobodyWantsIsCancelledAndCallsNobody) {
  PictureLoader loader(caches);
  Got a, b;
  PictureTicket first = loader.load("http://h.example/1.png", a.callback());
  PictureTicket second = loader.load("http://h.example/1.png", b.callback());
  first.reset();
  EXPECT_FALSE(http.requests()[0].cancelled);  // the second card still wants it
  second = PictureTicket();
  EXPECT_TRUE(http.requests()[0].cancelled);
  EXPECT_EQ(loader.downloadsInFlight(), 0u);
  EXPECT_FALSE(http.respond(0, picture("late")));
  settle();
  EXPECT_TRUE(a.pictures.empty());
  EXPECT_TRUE(b.pictures.empty());

  // A ticket that outlives its loader is harmless.
  PictureTicket orphan;
  {
    PictureLoader shortLived(caches);
    orphan = shortLived.load("http://h.example/2.png", a.callback());
  }
  orphan.reset();
  EXPECT_TRUE(a.pictures.empty());
}

TEST_F(PictureLoaderTest, TheMemoryCacheKeepsTheRecentPicturesWithinItsBound) {
  const std::size_t one = png("xxxxxxxxxx").size();
  PictureLoader loader(caches, 2 * one);
  auto fetch = [&](const std::string& url) {
    Got got;
    PictureTicket t = loader.load(url, got.callback());
    if (!http.pending().empty()) http.respond(http.pending()[0], picture("xxxxxxxxxx"));
    settle();
  };
  fetch("http://h.example/a.png");
  fetch("http://h.example/b.png");
  EXPECT_TRUE(loader.cached("http://h.example/a.png"));  // a is now the most recent
  fetch("http://h.example/c.png");
  EXPECT_LE(loader.memoryBytes(), 2 * one);
  EXPECT_TRUE(loader.cached("http://h.example/a.png"));
  EXPECT_FALSE(loader.cached("http://h.example/b.png"));
  EXPECT_TRUE(loader.cached("http://h.example/c.png"));
  // Out of memory is not out of reach: the disk still has it, without a download.
  fetch("http://h.example/b.png");
  EXPECT_EQ(http.requests().size(), 3u);
  EXPECT_TRUE(loader.cached("http://h.example/b.png"));
}

TEST_F(PictureLoaderTest, ADiskFileOfAnotherAddressIsNotHandedOut) {
  PictureLoader loader(caches);
  const std::string url = "http://h.example/a.png";
  ASSERT_TRUE(FileManager::createDirectoryWithPath(folder.path() + "/Library"));
  ASSERT_TRUE(FileManager::createDirectoryWithPath(folder.path() + "/Library/Caches"));
  ASSERT_TRUE(FileManager::createDirectoryWithPath(caches));
  ASSERT_TRUE(FileManager::writeFileAtomically(loader.diskPath(url), "http://other\n" + png("o")));
  Got got;
  PictureTicket t = loader.load(url, got.callback());
  EXPECT_TRUE(got.pictures.empty());
  EXPECT_EQ(http.pending().size(), 1u);
}

TEST_F(PictureLoaderTest, TheDiskCacheDropsTheLeastRecentlyUsedFileFirstAfterAWriteAndAtStart) {
  auto url = [](char c) { return std::string("http://h.example/") + c + ".png"; };
  const std::size_t file = url('a').size() + 1 + png("xxxxxxxxxx").size();
  auto fetch = [&](PictureLoader& loader, char c) {
    Got got;
    PictureTicket t = loader.load(url(c), got.callback());
    if (!http.pending().empty()) http.respond(http.pending()[0], picture("xxxxxxxxxx"));
    settle();
    return got.pictures.size() == 1 && got.pictures[0];
  };
  auto onDisk = [&](PictureLoader& loader) {
    std::string kept;
    for (char c : std::string("abcd")) {
      if (FileManager::fileExistsAtPath(loader.diskPath(url(c)))) kept += c;
    }
    return kept;
  };
  {
    PictureLoader loader(caches, 0, 3 * file);  // nothing in memory: every use reads the disk
    for (char c : std::string("abca")) ASSERT_TRUE(fetch(loader, c)) << c;
    EXPECT_EQ(http.requests().size(), 3u);  // the second "a" came from the disk
    ASSERT_TRUE(fetch(loader, 'd'));
    EXPECT_EQ(onDisk(loader), "acd");  // b was used least recently
    EXPECT_EQ(loader.diskBytes(), 3 * file);
  }
  // At start the files are ordered by their times, the oldest going first.
  auto now = std::filesystem::file_time_type::clock::now();
  PictureLoader probe(caches, 0, 3 * file);
  std::filesystem::last_write_time(probe.diskPath(url('a')), now + std::chrono::seconds(3));
  std::filesystem::last_write_time(probe.diskPath(url('c')), now + std::chrono::seconds(1));
  std::filesystem::last_write_time(probe.diskPath(url('d')), now + std::chrono::seconds(2));
  PictureLoader smaller(caches, 0, 2 * file);
  EXPECT_EQ(onDisk(smaller), "ad");
  EXPECT_EQ(smaller.diskBytes(), 2 * file);
}

}  // namespace
}  // namespace vokari::testing
