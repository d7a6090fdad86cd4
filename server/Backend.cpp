#include "Backend.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>

#include "Http.h"
#include "Links.h"
#include "News.h"
#include "Services.h"
#include "Store.h"

namespace vokari_backend {
namespace {

using vokari::Status;

// What the bodies pending at once may hold together.
constexpr size_t kBodyBudget = 64u << 20;

// One of the four services: its server and the thread it listens on.
struct Service {
  Service(const char* name, int Ports::*port, void (*add)(Server&, Store&))
      : name(name), port(port), add(add) {}
  const char* name;
  int Ports::*port;
  void (*add)(Server&, Store&);
  Server server;
};

constexpr const char* kPortRecord = "/ports";

std::string portsText(const Ports& ports) {
  return "general=" + std::to_string(ports.general) + ",account=" + std::to_string(ports.account) +
         ",appointment=" + std::to_string(ports.appointment) +
         ",report=" + std::to_string(ports.report) + "\n";
}

// The ports an earlier start recorded; none when the record is missing, damaged or cut short.
std::optional<Ports> recordedPorts(const std::string& dataDir) {
  std::ifstream file(dataDir + kPortRecord);
  std::string line;
  // Written with a closing line break, so a record cut short lacks it.
  if (!std::getline(file, line) || file.eof()) return std::nullopt;
  int general = 0, account = 0, appointment = 0, report = 0;
  int read = std::sscanf(line.c_str(), "general=%5d,account=%5d,appointment=%5d,report=%5d",
                         &general, &account, &appointment, &report);
  Ports ports{general, account, appointment, report};
  // Written back the same, so nothing else stands in the line.
  bool sound = read == 4 && portsText(ports) == line + "\n" &&
               std::min({general, account, appointment, report}) > 0 &&
               std::max({general, account, appointment, report}) <= 65535;
  if (!sound) return std::nullopt;
  return ports;
}

// Whole or not at all: a temporary file, flushed to disk, then renamed over the record.
void recordPorts(const std::string& dataDir, const Ports& ports) {
  const std::string path = dataDir + kPortRecord, temp = path + ".tmp";
  const std::string text = portsText(ports);
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                 ::fsync(fd) == 0;
  if (::close(fd) != 0 || !written || ::rename(temp.c_str(), path.c_str()) != 0)
    ::unlink(temp.c_str());
}

}  // namespace

struct Backend::Impl {
  std::unique_ptr<Store> store;
  std::array<std::unique_ptr<Service>, 4> services;
  std::vector<PortMove> moves;
};

Backend::Backend() : impl_(std::make_unique<Impl>()) {}

Backend::~Backend() {
  stop();
}

bool Backend::running() const {
  return impl_->store != nullptr;
}

Result<Ports> Backend::start(const Options& options) {
  if (running()) return {std::nullopt, Status::failure("the back-end is running already")};
  try {
    impl_->store = std::make_unique<Store>(options.dataDir, options.clock, options.onSms);
  } catch (const std::exception& e) {
    return {std::nullopt, Status::failure(e.what())};
  }
  impl_->services = {
      std::make_unique<Service>("general", &Ports::general, addGeneralService),
      std::make_unique<Service>("account", &Ports::account, addAccountService),
      std::make_unique<Service>("appointment", &Ports::appointment, addAppointmentService),
      std::make_unique<Service>("report", &Ports::report, addReportService)};
  impl_->store->setDiskReserve(options.diskReserve);
  const Deadlines deadlines{options.requestDeadline, options.idleTimeout, options.bodySilence,
                            options.bodyGrace, options.bodyRateFloor};
  // One budget for the bodies of all four services: together they share the memory.
  Limits limits{options.connectionLimit, options.workers,
                std::make_shared<BodyBudget>(kBodyBudget)};
  if (limits.connections == 0)
    limits.connections = connectionLimit(raiseDescriptorLimit(kMaxDescriptors), 4);
  std::optional<Ports> recorded = options.keepPorts ? recordedPorts(options.dataDir) : std::nullopt;
  const Ports wanted = recorded.value_or(options.ports);
  Ports ports = wanted;
  impl_->moves.clear();
  for (auto& service : impl_->services) {
    service->add(service->server, *impl_->store);
    service->server.setDeadlines(deadlines);
    service->server.setLimits(limits);
    const int want = wanted.*service->port;
    int& port = ports.*service->port;
    port = service->server.start(options.host, want);
    if (port == 0 && options.keepPorts && want != 0) port = service->server.start(options.host, 0);
    if (port == 0) {
      std::string error = std::string("cannot listen on ") + options.host + ":" +
                          std::to_string(want) + " (" + service->name + " service)";
      stop();
      return {std::nullopt, Status::failure(error)};
    }
    if (recorded && port != want) impl_->moves.push_back({service->name, want, port});
  }
  // Not fatal: the services run; only a later start may find other ports. Written only when it
  // changes, so that an ordinary start does not wait for the disk.
  if (options.keepPorts && recorded != ports) recordPorts(options.dataDir, ports);
  return {ports};
}

const std::vector<PortMove>& Backend::moves() const {
  return impl_->moves;
}

void Backend::stop() {
  for (auto& service : impl_->services) {
    if (service) service->server.stop();
  }
  impl_->services = {};
  impl_->store.reset();
}

const std::string& Record::operator[](std::string_view name) const {
  static const std::string missing;
  for (const auto& [field, value] : fields) {
    if (field == name) return value;
  }
  return missing;
}

std::string Record::line() const {
  std::string line;
  for (const auto& [field, value] : fields) {
    if (!line.empty()) line += "  ";
    line += field + "=" + value;
  }
  for (char& c : line) {
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  }
  return line;
}

namespace {

struct ListingQuery {
  std::string_view name;
  Listing listing;
  const char* sql;
};

constexpr std::array<ListingQuery, 7> kListings{{
    {"sms", Listing::Sms, "SELECT sent_at AS time, phone, code, text FROM sms ORDER BY id"},
    {"alarms", Listing::Alarms,
     "SELECT alarm_id, phone, time, longitude, latitude, received_at FROM positions "
     "ORDER BY alarm_id, time, id"},
    {"reports", Listing::Reports,
     "SELECT r.filed_at AS time, r.code, r.password, r.name, r.idcard, r.tel, r.state, "
     "count(f.id) AS files, coalesce(group_concat(f.path, ','), '') AS paths, r.content "
     "FROM reports r LEFT JOIN report_files f ON f.code = r.code "
     "GROUP BY r.code ORDER BY r.filed_at, r.code"},
    {"feedback", Listing::Feedback,
     "SELECT received_at AS time, phone, type, agreement, phone_type, sdk_version, "
     "apk_version, carrier, message FROM feedback ORDER BY id"},
    {"tokens", Listing::Tokens,
     "SELECT updated_at AS time, token, badge FROM tokens ORDER BY updated_at, token"},
    {"bookings", Listing::Bookings,
     "SELECT booked_at AS time, number, login, person, card, phone, station_name AS station, "
     "business_name AS business, day, slot, state FROM bookings ORDER BY id"},
    {"fetches", Listing::NewsFetches,
     "SELECT received_at AS time, after, coalesce(areas, '(none)') AS areas, items "
     "FROM news_fetches ORDER BY id"},
}};

}  // namespace

std::optional<Listing> listingNamed(std::string_view name) {
  for (const ListingQuery& query : kListings) {
    if (query.name == name) return query.listing;
  }
  return std::nullopt;
}

Result<std::vector<Record>> inspect(const std::string& dataDir, Listing listing) {
  try {
    Database db(databasePath(dataDir), false);
    for (const ListingQuery& query : kListings) {
      if (query.listing == listing) return {db.query(query.sql)};
    }
    return {std::nullopt, Status::failure("unknown listing")};
  } catch (const std::exception& e) {
    return {std::nullopt, Status::failure(e.what())};
  }
}

Result<std::string> addNews(const std::string& dataDir, const NewsDraft& draft, const Clock& clock,
                            const NewsLinks& links) {
  try {
    Store store(dataDir, clock, {});
    return {store.transact("", [&](Call& call) {
      // Two items published in the same second still get times of their own.
      std::string time = draft.time.empty() ? freeNewsTime(call, call.now) : draft.time;
      std::vector<StoryDraft> stories;
      for (std::size_t i = 0; i < draft.titles.size(); ++i) {
        auto at = [i](const std::vector<std::string>& v) {
          return i < v.size() ? v[i] : std::string();
        };
        stories.push_back({draft.titles[i], at(links.pictures), at(links.pages)});
      }
      publishNews(call, draft.area, stories, time);
      return time;
    })};
  } catch (const std::exception& e) {
    return {std::nullopt, Status::failure(e.what())};
  }
}

namespace {

// Puts the lines `next` gives into the folder in one transaction; see importNews.
Result<std::size_t> importLines(const std::string& dataDir,
                                const std::function<bool(std::string&)>& next) {
  std::size_t number = 0;
  try {
    Store store(dataDir, {}, {});
    return {store.transact("", [&](Call& call) {
      std::size_t imported = 0;
      for (std::string line; next(line);) {
        ++number;
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        publishNewsItem(call, Json::parse(line, nullptr, false));
        ++imported;
      }
      return imported;
    })};
  } catch (const std::exception& e) {
    std::string where = number ? "line " + std::to_string(number) + ": " : "";
    return {std::nullopt, Status::failure(where + e.what() + "; nothing was imported")};
  }
}

}  // namespace

Result<std::size_t> importNews(const std::string& dataDir, const std::vector<std::string>& lines) {
  auto it = lines.begin();
  return importLines(dataDir, [&](std::string& line) {
    if (it == lines.end()) return false;
    line = *it++;
    return true;
  });
}

Result<std::size_t> importNewsFile(const std::string& dataDir, const std::string& path) {
  std::ifstream file(path);
  if (!file) return {std::nullopt, Status::failure("cannot read " + path)};
  return importLines(dataDir, [&](std::string& line) {
    if (std::getline(file, line)) return true;
    if (file.bad()) throw std::runtime_error("cannot read " + path);  // not the whole file
    return false;
  });
}

Result<std::string> setBookingState(const std::string& dataDir, const std::string& number,
                                    const std::string& state) {
  if (state.size() != 1 || state[0] < '1' || state[0] > '4') {
    return {std::nullopt, Status::failure("a booking state is 1, 2, 3 or 4")};
  }
  try {
    Store store(dataDir, {}, {});
    int changed = store.transact("", [&](Call& call) {
      return call.db.run("UPDATE bookings SET state = ? WHERE number = ?", {state, number});
    });
    if (changed != 1) return {std::nullopt, Status::failure("no booking " + number)};
    return {number};
  } catch (const std::exception& e) {
    return {std::nullopt, Status::failure(e.what())};
  }
}

Result<std::string> addToBlacklist(const std::string& dataDir, const std::string& phone) {
  if (phone.empty()) return {std::nullopt, Status::failure("a phone number is needed")};
  try {
    Store store(dataDir, {}, {});
    store.transact("", [&](Call& call) {
      return call.db.run("INSERT OR IGNORE INTO blacklist(phone, added_at) VALUES (?, ?)",
                         {phone, timeText(call.now)});
    });
    return {phone};
  } catch (const std::exception& e) {
    return {std::nullopt, Status::failure(e.what())};
  }
}

Result<std::string> setReportState(const std::string& dataDir, const std::string& code,
                                   const std::string& state) {
  try {
    Store store(dataDir, {}, {});
    int changed = store.transact("", [&](Call& call) {
      return call.db.run("UPDATE reports SET state = ? WHERE code = ?", {state, code});
    });
    if (changed == 0) return {std::nullopt, Status::failure("no report with the query ID " + code)};
    return {code};
  } catch (const std::exception& e) {
    return {std::nullopt, Status::failure(e.what())};
  }
}

}  // namespace vokari_backend
