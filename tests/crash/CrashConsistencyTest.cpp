// Kills a writer of every store with SIGKILL at random moments and, after each kill, opens what
// it left as a fresh start would: every file must be readable, every value the last confirmed
// one or the one being written, every confirmed news row present and a batch never half there.
// CRASH_KILLS sets the number of kills (100 by default), CRASH_SEED repeats a run's kill moments.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "DesktopStores.h"
#include "core/VersionManage.h"
#include "news/NewsManager.h"
#include "platform/FileManager.h"
#include "reports/KeptReports.h"
#include "storage/AccountManager.h"
#include "storage/DBBase.h"
#include "support/TestPlatform.h"

extern char** environ;

namespace vokari::crash {
namespace {

namespace fs = std::filesystem;

// A value that is on disk for sure, and the one a write was busy with when it was killed.
struct Slot {
  std::optional<std::string> committed;
  std::optional<std::string> pending;
  bool allows(const std::optional<std::string>& value) const {
    return value == committed || (pending && value == pending);
  }
};

struct Batches {
  std::set<long> committed;
  std::optional<long> pending;
};

// Report IDs that must be kept (confirmed kept, not yet being forgotten) and that must be gone.
struct Kept {
  std::set<long> must, mustNot;
};

// What the writer announced and confirmed, across all its lives.
struct Model {
  std::map<std::string, Kept> kept;  // by user
  Slot token, code, currentUser;
  std::map<std::string, Slot> nickname;  // by user
  std::map<std::string, Batches> news;   // by user
  long nextIteration = 1;
  int confirmed = 0;
  std::map<char, int> killedDuring;

  void apply(char phase, char kind, const std::string& user, long i) {
    std::string n = std::to_string(i);
    auto mark = [&](Slot& slot, const std::string& value) {
      if (phase == 'b') {
        slot.pending = value;
      } else {
        slot.committed = value;
        slot.pending.reset();
      }
    };
    switch (kind) {
      case 'S':
        mark(token, "t" + n);
        break;
      case 'C':
        mark(code, "c" + n);
        break;
      case 'A':
        mark(nickname[user], "n" + n);
        break;
      case 'U':
        mark(currentUser, user);
        mark(nickname[user], "n" + n);
        break;
      case 'N':
        if (phase == 'b') {
          news[user].pending = i;
        } else {
          news[user].committed.insert(i);
          news[user].pending.reset();
        }
        break;
      case 'K':
        if (phase == 'd') kept[user].must.insert(i);
        break;
      case 'F':
        if (phase == 'b') kept[user].must.erase(i);
        if (phase == 'd') kept[user].mustNot.insert(i);
        break;
      default:
        ADD_FAILURE() << "unknown write " << kind;
    }
    if (phase == 'd') ++confirmed;
    nextIteration = std::max(nextIteration, i + 1);
  }

  // The kind of write in flight at the kill, for the summary.
  void noteKill(const std::string& lastLine) {
    if (!lastLine.empty() && lastLine[0] == 'b')
      ++killedDuring[lastLine[2]];
    else
      ++killedDuring['-'];
  }
};

std::string show(const std::optional<std::string>& value) {
  return value ? "\"" + *value + "\"" : "(absent)";
}

// The file, when present, must be a JSON object: the stores read anything else as empty, which
// would hide a torn write.
void expectJsonObjectOrAbsent(const std::string& path) {
  if (!fs::exists(path)) return;
  auto text = FileManager::readFile(path);
  ASSERT_TRUE(text) << path;
  EXPECT_TRUE(nlohmann::json::parse(*text, nullptr, false).is_object())
      << path << " is not readable:\n"
      << *text;
}

// Runs the writer until the kill, feeding every line it wrote into the model.
void runAndKill(const std::string& root, Model& model, std::chrono::microseconds lifetime) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string first = std::to_string(model.nextIteration);
  std::string program = CRASH_WRITER;
  char* argv[] = {program.data(), const_cast<char*>(root.c_str()), first.data(), nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, program.c_str(), &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::this_thread::sleep_for(lifetime);  // the kill moment is the point of this test
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
      << "the writer stopped by itself (status " << status << ")";

  std::string text;
  char buffer[65536];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(out[0]);
  std::istringstream lines(text);
  std::string line, last;
  while (std::getline(lines, line)) {
    char phase = 0, kind = 0;
    char user[32] = {};
    long i = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%c %c %31s %ld", &phase, &kind, user, &i), 4) << line;
    model.apply(phase, kind, user, i);
    last = line;
  }
  model.noteKill(last);
}

// Opens everything as the clients do at start-up and compares it with the model; then takes
// what is on disk as the new confirmed state.
void checkFreshStart(const std::string& root, Model& model) {
  const std::string library = root + "/Library";
  expectJsonObjectOrAbsent(library + "/settings.json");
  expectJsonObjectOrAbsent(library + "/cache.json");

  DesktopStores stores(root, true);
  ASSERT_TRUE(stores.prepared);
  VersionManage::sharedVersionManage().dataInit();
  std::optional<std::string> user = AccountManager::currentUser();
  EXPECT_TRUE(model.currentUser.allows(user)) << "current user " << show(user);
  EXPECT_EQ(AccountManager::sharedAccountManage().isLogin(), user.has_value());
  auto token = stores.settings->get("token");
  EXPECT_TRUE(model.token.allows(token))
      << "token " << show(token) << ", confirmed " << show(model.token.committed);
  auto code = stores.cache->get("code");
  EXPECT_TRUE(model.code.allows(code))
      << "cached code " << show(code) << ", confirmed " << show(model.code.committed);
  model.token = {token, {}};
  model.code = {code, {}};
  model.currentUser = {user, {}};

  for (auto& [phone, nickname] : model.nickname) {
    SCOPED_TRACE("user " + phone);
    // Each user's database as it opens when that user is the current one (in memory only). A
    // start finds the user signed in and prepares the user's folders before any database access;
    // a writer killed early in its first sign-in may not have made them yet.
    stores.settings->set("currentuser", phone);
    ASSERT_TRUE(AccountManager::sharedAccountManage().isLogin());
    DBBase& db = DBBase::sharedDBBase();
    Status opened = db.makeDBIsExistAndOpen();
    ASSERT_TRUE(opened) << opened.message();
    auto direct = SqliteDatabase::open(db.dbPath).value;
    ASSERT_TRUE(direct);
    EXPECT_EQ(direct->soundness(true), SqliteDatabase::Soundness::Sound);

    auto row = AccountManager::sharedAccountManage().getUserInfo();
    std::optional<std::string> nick = row ? textOf(*row, "nickname") : std::nullopt;
    EXPECT_TRUE(nickname.allows(nick))
        << "nickname " << show(nick) << ", confirmed " << show(nickname.committed);
    if (phone == user) {
      EXPECT_TRUE(row) << "the signed-in user has no account row";
    }
    nickname = {nick, {}};

    Batches& batches = model.news[phone];
    std::map<long, int> found;
    for (const NewsItem& item : NewsManager().getShowNews()) ++found[std::atol(item.time.c_str())];
    for (long batch : batches.committed)
      EXPECT_EQ(found[batch], kNewsPerBatch) << "confirmed news batch " << batch;
    for (auto [batch, count] : found) {
      bool known = batches.committed.count(batch) || batches.pending == batch;
      EXPECT_TRUE(known) << "news batch " << batch << " was never written";
      EXPECT_EQ(count, kNewsPerBatch) << "news batch " << batch << " is half there";
      if (count == kNewsPerBatch) batches.committed.insert(batch);
    }
    batches.pending.reset();

    Kept& kept = model.kept[phone];
    std::set<long> keptNow;
    for (const KeptReport& report :
         KeptReports::read(VersionManage::sharedVersionManage().reportPath))
      keptNow.insert(std::atol(report.code.c_str() + 1));
    for (long i : kept.must) EXPECT_TRUE(keptNow.count(i)) << "kept report Q" << i << " is lost";
    for (long i : kept.mustNot) EXPECT_FALSE(keptNow.count(i)) << "report Q" << i << " came back";
    kept.must = keptNow;
  }
  if (user) stores.settings->set("currentuser", *user);

  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    EXPECT_EQ(entry.path().filename().string().find(".corrupt"), std::string::npos)
        << "a database was set aside as damaged: " << entry.path();
  }
}

long envNumber(const char* name, long fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::atol(text) : fallback;
}

TEST(CrashConsistency, EveryStoreSurvivesKillsAtRandomMoments) {
  const long kills = envNumber("CRASH_KILLS", 100);
  const unsigned seed = static_cast<unsigned>(envNumber("CRASH_SEED", std::random_device{}()));
  std::cout << "crash test: " << kills << " kills, CRASH_SEED=" << seed << std::endl;
  std::mt19937 random(seed);
  // Most kills land while the writer is busy; a few during its start-up, as it opens the stores.
  std::uniform_int_distribution<int> lifetimeUs(0, 120000);

  testing::TempDir dir;
  Model model;
  for (long k = 1; k <= kills && !HasFailure(); ++k) {
    SCOPED_TRACE("kill " + std::to_string(k) + " of run CRASH_SEED=" + std::to_string(seed));
    runAndKill(dir.path(), model, std::chrono::microseconds(lifetimeUs(random)));
    checkFreshStart(dir.path(), model);
  }
  std::cout << "crash test: " << model.confirmed << " writes confirmed, up to iteration "
            << model.nextIteration - 1 << "; kills during settings " << model.killedDuring['S']
            << ", cache " << model.killedDuring['C'] << ", account " << model.killedDuring['A']
            << ", news " << model.killedDuring['N'] << ", sign-in " << model.killedDuring['U']
            << ", report IDs " << model.killedDuring['K'] + model.killedDuring['F']
            << ", between writes " << model.killedDuring['-'] << std::endl;
}

}  // namespace
}  // namespace vokari::crash
