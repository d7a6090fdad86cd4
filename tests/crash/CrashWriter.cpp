// Writes the settings, the countdown cache, the account row, batches of news and kept report
// IDs in an endless
// loop, with production durability, until it is killed. Every write is announced on standard
// output before it starts ("b") and confirmed after it returned ("d"), one line each, so the
// parent knows which values may be on disk and which must be.
//
//   crash_writer <data root> <first iteration>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "DesktopStores.h"
#include "core/VersionManage.h"
#include "news/NewsManager.h"
#include "reports/KeptReports.h"
#include "storage/AccountManager.h"
#include "storage/DBBase.h"

namespace vokari::crash {
namespace {

void say(char phase, char kind, const std::string& user, long i) {
  char line[96];
  int n = std::snprintf(line, sizeof line, "%c %c %s %ld\n", phase, kind, user.c_str(), i);
  // One write per line, shorter than a pipe's atomic size: a kill never leaves half a line.
  if (write(STDOUT_FILENO, line, static_cast<std::size_t>(n)) != n) std::_Exit(10);
}

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "crash_writer: %s failed\n", what);
  std::_Exit(2);
}

void signIn(const std::string& user, long i) {
  say('b', 'U', user, i);
  Row account = {{"password", "secret"}, {"nickname", "n" + std::to_string(i)}};
  if (!AccountManager::sharedAccountManage().signIn(user, account)) fail("sign-in");
  say('d', 'U', user, i);
}

int run(const std::string& root, long first) {
  DesktopStores stores(root, true);
  if (!stores.prepared) fail("preparing the folders");
  VersionManage::sharedVersionManage().dataInit();  // as at every launch
  if (!AccountManager::sharedAccountManage().isLogin()) signIn(kUsers[0], first);
  for (long i = first;; ++i) {
    std::string user = AccountManager::currentUser().value_or("");

    say('b', 'S', user, i);
    stores.settings->set("token", "t" + std::to_string(i));
    if (!stores.settings->synchronize()) fail("settings flush");
    say('d', 'S', user, i);

    say('b', 'C', user, i);
    stores.cache->set("code", "c" + std::to_string(i), 3600);
    say('d', 'C', user, i);

    say('b', 'A', user, i);
    if (!AccountManager::sharedAccountManage().updateAccountInfo(
            {{"nickname", "n" + std::to_string(i)}}))
      fail("account update");
    say('d', 'A', user, i);

    std::vector<Row> rows;
    for (int k = 0; k < kNewsPerBatch; ++k) {
      NewsItem item;
      item.time = newsTime(i, k);
      item.title = "news " + item.time;
      item.newsArea = "2";
      rows.push_back(NewsManager::ObjectToDic(item));
    }
    say('b', 'N', user, i);
    auto added = DBBase::sharedDBBase().AddNewsRows(rows);
    if (!added.ok() || *added.value != rows.size()) fail("news batch");
    say('d', 'N', user, i);

    // A report's ID and password, kept as they are given and forgotten once seen (every other).
    const std::string reports = VersionManage::sharedVersionManage().reportPath;
    say('b', 'K', user, i);
    if (!KeptReports::keep(reports, {"Q" + std::to_string(i), "P"})) fail("keeping a report");
    say('d', 'K', user, i);
    if (i % 2 == 0) {
      say('b', 'F', user, i);
      if (!KeptReports::forget(reports, "Q" + std::to_string(i))) fail("forgetting a report");
      say('d', 'F', user, i);
    }

    if (i % 4 == 3) signIn(user == kUsers[0] ? kUsers[1] : kUsers[0], i);
  }
}

}  // namespace
}  // namespace vokari::crash

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: crash_writer <data root> <first iteration>\n");
    return 1;
  }
  return vokari::crash::run(argv[1], std::atol(argv[2]));
}
