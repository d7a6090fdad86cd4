// vokari-backend: serves the four stand-in services, or lists what they recorded.

#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Backend.h"

namespace vb = vokari_backend;

namespace {

constexpr const char* kUsage = R"(usage:
  vokari-backend serve --data-dir DIR [--host 127.0.0.1]
                 [--ports auto | general=64110,account=64112,appointment=8097,report=38888]
  vokari-backend sms|alarms|reports|feedback|tokens|bookings|fetches --data-dir DIR
  vokari-backend reports set-state --data-dir DIR --code QUERY_ID --state TEXT
  vokari-backend news add --data-dir DIR --area 2..11 --title TEXT [--title TEXT]...
                 [--picture URL]... [--page URL]... [--time "yyyy-MM-dd HH:mm:ss"]
                 (story by story, main first; --title "" leaves a gap between stories)
  vokari-backend news import --data-dir DIR FILE
                 (one news item a line, as the news reply lists it: {"time": "...",
                 "area": "2", "title": "...", "img_url": "...", "new_url": "...",
                 "title1": ..., up to "new_url3"}; all lines or none)
  vokari-backend bookings set-state NUMBER 1|2|3|4 --data-dir DIR
                 (1 booked, 2 handled, 3 cancelled, 4 not attended)
  vokari-backend blacklist add PHONE --data-dir DIR
)";

// "--name value" pairs; a repeated name keeps every value in order.
using Flags = std::multimap<std::string, std::string>;

std::optional<Flags> parseFlags(const std::vector<std::string>& args, size_t from) {
  Flags flags;
  for (size_t i = from; i < args.size(); i += 2) {
    if (!args[i].starts_with("--") || i + 1 >= args.size()) return std::nullopt;
    flags.emplace(args[i].substr(2), args[i + 1]);
  }
  return flags;
}

std::string flag(const Flags& flags, const std::string& name, const std::string& fallback = "") {
  auto it = flags.find(name);
  return it == flags.end() ? fallback : it->second;
}

std::optional<vb::Ports> parsePorts(const std::string& text) {
  if (text == "auto") return vb::Ports::automatic();
  vb::Ports ports;
  const std::map<std::string, int vb::Ports::*> names{{"general", &vb::Ports::general},
                                                      {"account", &vb::Ports::account},
                                                      {"appointment", &vb::Ports::appointment},
                                                      {"report", &vb::Ports::report}};
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(',', start);
    std::string item = text.substr(start, end == std::string::npos ? end : end - start);
    size_t eq = item.find('=');
    auto name = names.find(item.substr(0, eq));
    if (eq == std::string::npos || name == names.end()) return std::nullopt;
    try {
      ports.*(name->second) = std::stoi(item.substr(eq + 1));
    } catch (const std::exception&) {
      return std::nullopt;
    }
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return ports;
}

int fail(const std::string& message) {
  std::cerr << "vokari-backend: " << message << "\n";
  return 1;
}

int serve(const Flags& flags) {
  auto ports = flags.contains("ports") ? parsePorts(flag(flags, "ports")) : vb::Ports{};
  if (!ports) return fail("bad --ports");
  // Block the stop signals before any server thread exists, then wait for one here.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  std::mutex out;
  vb::Backend backend;
  auto started = backend.start({.dataDir = flag(flags, "data-dir"),
                                .host = flag(flags, "host", "127.0.0.1"),
                                .ports = *ports,
                                .onSms =
                                    [&out](const vb::Sms& sms) {
                                      std::lock_guard lock(out);
                                      std::cout << "sms: " << sms.phone << " " << sms.text
                                                << std::endl;
                                    },
                                .clock = {}});
  if (!started.ok()) return fail(started.status.message());
  {
    std::lock_guard lock(out);
    const vb::Ports& p = *started.value;
    std::cout << "{\"general\":" << p.general << ",\"account\":" << p.account
              << ",\"appointment\":" << p.appointment << ",\"report\":" << p.report << "}"
              << std::endl;
  }
  int signal = 0;
  sigwait(&stopSignals, &signal);
  backend.stop();
  return 0;
}

int list(vb::Listing listing, const Flags& flags) {
  auto records = vb::inspect(flag(flags, "data-dir"), listing);
  if (!records.ok()) return fail(records.status.message());
  for (const vb::Record& record : *records.value) std::cout << record.line() << "\n";
  return 0;
}

int addNews(const Flags& flags) {
  vb::NewsDraft draft;
  try {
    draft.area = std::stoi(flag(flags, "area", "0"));
  } catch (const std::exception&) {
    return fail("bad --area");
  }
  auto all = [&flags](const char* name) {
    std::vector<std::string> values;
    auto [first, last] = flags.equal_range(name);
    for (auto it = first; it != last; ++it) values.push_back(it->second);
    return values;
  };
  draft.titles = all("title");
  vb::NewsLinks links{all("picture"), all("page")};
  draft.time = flag(flags, "time");
  auto published = vb::addNews(flag(flags, "data-dir"), draft, {}, links);
  if (!published.ok()) return fail(published.status.message());
  std::cout << "published " << *published.value << "\n";
  return 0;
}

// "news import --data-dir DIR FILE", the file also allowed before the flags.
int importNews(const std::vector<std::string>& args) {
  const std::string missing = std::string("news import needs --data-dir DIR and a FILE\n") + kUsage;
  if (args.size() < 3) return fail(missing);
  bool fileFirst = !args[2].starts_with("--");
  std::vector<std::string> rest(args.begin() + (fileFirst ? 3 : 2),
                                args.end() - (fileFirst ? 0 : 1));
  auto flags = parseFlags(rest, 0);
  if (!flags || flag(*flags, "data-dir").empty() || args.back().starts_with("--")) {
    return fail(missing);
  }
  auto imported = vb::importNewsFile(flag(*flags, "data-dir"), fileFirst ? args[2] : args.back());
  if (!imported.ok()) return fail(imported.status.message());
  std::cout << "imported " << *imported.value << " items\n";
  return 0;
}

// How many words of a command come before its flags ("news add", "bookings set-state N S", ...).
size_t wordsOf(const std::vector<std::string>& args) {
  if (args.size() > 1 && args[0] == "news" && args[1] == "add") return 2;
  if (args.size() > 1 && args[0] == "reports" && args[1] == "set-state") return 2;
  if (args.size() > 1 && args[0] == "bookings" && args[1] == "set-state") return 4;
  if (args.size() > 1 && args[0] == "blacklist" && args[1] == "add") return 3;
  return 1;
}

int setState(const std::vector<std::string>& args, const Flags& flags) {
  auto changed = vb::setBookingState(flag(flags, "data-dir"), args[2], args[3]);
  if (!changed.ok()) return fail(changed.status.message());
  std::cout << "booking " << *changed.value << " state " << args[3] << "\n";
  return 0;
}

int blacklist(const std::vector<std::string>& args, const Flags& flags) {
  auto added = vb::addToBlacklist(flag(flags, "data-dir"), args[2]);
  if (!added.ok()) return fail(added.status.message());
  std::cout << "blacklisted " << *added.value << "\n";
  return 0;
}

int setReportState(const Flags& flags) {
  if (!flags.contains("code") || !flags.contains("state")) {
    return fail(std::string("--code and --state are needed\n") + kUsage);
  }
  auto set = vb::setReportState(flag(flags, "data-dir"), flag(flags, "code"), flag(flags, "state"));
  if (!set.ok()) return fail(set.status.message());
  std::cout << "report " << *set.value << ": " << flag(flags, "state") << "\n";
  return 0;
}

int run(const std::vector<std::string>& args) {
  if (args.empty()) return fail(std::string("missing command\n") + kUsage);
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::cout << kUsage;
    return 0;
  }
  if (args.size() > 1 && args[0] == "news" && args[1] == "import") return importNews(args);
  size_t words = wordsOf(args);
  bool wordsGiven = args.size() >= words;
  for (size_t i = 0; wordsGiven && i < words; ++i) wordsGiven = !args[i].starts_with("--");
  if (!wordsGiven) return fail(std::string("missing arguments\n") + kUsage);
  bool news = words == 2 && args[0] == "news";
  bool reportState = words == 2 && args[0] == "reports";
  auto flags = parseFlags(args, words);
  if (!flags || flag(*flags, "data-dir").empty()) {
    return fail(std::string("--data-dir DIR is needed\n") + kUsage);
  }
  if (args[0] == "serve") return serve(*flags);
  if (news) return addNews(*flags);
  if (words == 4) return setState(args, *flags);
  if (words == 3) return blacklist(args, *flags);
  if (reportState) return setReportState(*flags);
  if (auto listing = vb::listingNamed(args[0])) return list(*listing, *flags);
  return fail("unknown command " + args[0] + "\n" + kUsage);
}

}  // namespace

int main(int argc, char** argv) {
  ::umask(077);  // codes, reports and positions are private, like the client's files
  return run(std::vector<std::string>(argv + 1, argv + argc));
}
