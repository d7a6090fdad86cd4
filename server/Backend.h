#pragma once
// vokari-backend as a library: the four remote services the client talks to, served on
// loopback from one SQLite database in a data folder, plus read-only views of what they
// recorded. Include as "server/Backend.h" with the repository root on the include path
// (linking the CMake target vokari_backend sets that up).
//
// No operation throws: failures come back as Result values whose status says why, for a person.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "src/platform/Result.h"

namespace vokari_backend {

using vokari::Result;

// Port numbers of the four services. 0 asks for a free port.
struct Ports {
  int general = 64110;
  int account = 64112;
  int appointment = 8097;
  int report = 38888;

  static Ports automatic() { return {0, 0, 0, 0}; }
  bool operator==(const Ports&) const = default;
};

// A text message the account service "sent": the whole text and the code inside it.
struct Sms {
  std::string phone;
  std::string text;
  std::string code;
};

using SmsHook = std::function<void(const Sms&)>;
using Clock = std::function<std::chrono::system_clock::time_point()>;

struct Options {
  std::string dataDir;  // created if missing; holds backend.db and the report files
  std::string host = "127.0.0.1";
  Ports ports;
  SmsHook onSms;  // called on a server thread, after the message is stored
  Clock clock;    // empty: the system clock (local time zone for all texts)
  // How long a request's header may take from the connection's opening or the previous
  // reply, and how long a connection may stay silent between requests.
  std::chrono::milliseconds requestDeadline{10000};
  std::chrono::milliseconds idleTimeout{5000};
  // A body is cut when no byte of it came for bodySilence, or when, past bodyGrace from its
  // header, it came slower on average than bodyRateFloor bytes a second (no real uplink is).
  std::chrono::milliseconds bodySilence{30000};
  std::chrono::milliseconds bodyGrace{60000};
  std::size_t bodyRateFloor = 4u << 10;
  // Connections each service holds at most. 0: from the limit of open files, which start()
  // raises towards its hard limit, to at most kMaxDescriptors for the four services together.
  std::size_t connectionLimit = 0;
  // Threads of each service's HTTP library; one serves a single person's client.
  unsigned workers = 2;
  // Report files are refused while the data folder's disk has less than this free, so that
  // uploads never take the room the database needs.
  std::uint64_t diskReserve = 256u << 20;
  // Keep each service's port from one run to the next, since stored addresses carry it: the
  // ports bound are recorded in the data folder, and a later start takes the recorded ones in
  // place of `ports`. A port that is taken moves to a free one instead of failing the start.
  bool keepPorts = false;
};

// A service whose recorded port was taken at start, and the free port it took instead.
struct PortMove {
  std::string service;  // "general", "account", "appointment" or "report"
  int from = 0;
  int to = 0;
};

inline constexpr std::size_t kMaxDescriptors = 16384;

// The running services. start() binds all four ports and serves on threads of its own.
class Backend final {
 public:
  Backend();
  ~Backend();  // stops
  Backend(const Backend&) = delete;
  Backend& operator=(const Backend&) = delete;

  // Opens (and on first use creates and seeds) the database, binds the ports and returns
  // the ports actually bound. Fails if already running or if a port cannot be bound (with
  // keepPorts, only if not even a free one can).
  Result<Ports> start(const Options& options);
  // Stops accepting, waits for the requests in progress, closes the database. Idempotent.
  void stop();
  bool running() const;
  // The recorded ports that the last start found taken (with keepPorts), in service order.
  const std::vector<PortMove>& moves() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// One recorded row, its fields in a fixed order. Missing fields read as "".
struct Record {
  std::vector<std::pair<std::string, std::string>> fields;

  const std::string& operator[](std::string_view name) const;
  // "name=value" pairs separated by two blanks, line breaks in values turned into blanks.
  std::string line() const;
};

// What the inspection commands list, oldest first (alarms grouped by alarm id).
enum class Listing { Sms, Alarms, Reports, Feedback, Tokens, Bookings, NewsFetches };

// Reads a data folder that a backend created; safe while a backend serves it, in this
// process or another. Fails when the folder holds no database.
Result<std::vector<Record>> inspect(const std::string& dataDir, Listing listing);
std::optional<Listing> listingNamed(std::string_view name);  // "sms", "alarms", ...

// A news item to publish: an area 2..11 and one to four story titles, main story first.
struct NewsDraft {
  int area = 0;
  std::vector<std::string> titles;  // an empty further title leaves a gap (no such story)
  std::string time;                 // "yyyy-MM-dd HH:mm:ss"; empty: now, or the next free second
};
// Each story's picture and page address, in story order; a missing or empty one is served by
// the general service.
struct NewsLinks {
  std::vector<std::string> pictures;
  std::vector<std::string> pages;
};

// Publishes an item into a data folder (creating the database if needed); returns its time.
// Pictures and pages of its stories are served by the general service.
Result<std::string> addNews(const std::string& dataDir, const NewsDraft& draft,
                            const Clock& clock = {}, const NewsLinks& links = {});

// Publishes news items given one JSON object a line in the news reply's own item shape: "time",
// "area" (a text or a number), "title", "img_url", "new_url", then "title1".."title3" with their
// "img_url1".. and "new_url1".. (missing or empty: no such story, or a picture or page served by
// the general service). Other keys are refused. Blank lines are skipped. All in one
// transaction: a bad line, or a time that an item has already (in the folder or on an earlier
// line), imports nothing, and the failure names the line. Returns how many items were imported.
Result<std::size_t> importNews(const std::string& dataDir, const std::vector<std::string>& lines);
Result<std::size_t> importNewsFile(const std::string& dataDir, const std::string& path);

// Marks a booking (by its number) as booked "1", handled "2", cancelled "3" or not attended
// "4", as the station's staff would; returns the number.
Result<std::string> setBookingState(const std::string& dataDir, const std::string& number,
                                    const std::string& state);

// Puts a phone number on the blacklist: bookings by that account or for that phone are refused
// with "4". Adding a number twice is not an error. Returns the number.
Result<std::string> addToBlacklist(const std::string& dataDir, const std::string& phone);

// Sets the state a report's query answers between "result:" and "files:" (empty: the client
// shows that the report is being processed). Fails for a query ID no report was filed under.
Result<std::string> setReportState(const std::string& dataDir, const std::string& code,
                                   const std::string& state);

}  // namespace vokari_backend
