#pragma once
// What the connection layer knows of each open connection, and the rules that close one: the
// deadlines, the crowd rule, and the choice of a connection to close so that a new one fits.
// Time is a parameter throughout, so that tests step it as they like.

#include <chrono>
#include <cstddef>
#include <optional>
#include <unordered_map>
#include <vector>

#include "Http.h"

namespace vokari_backend {

using SteadyTime = std::chrono::steady_clock::time_point;

enum class Phase {
  Waiting,    // for a request's header: just opened, or kept alive after a reply
  Body,       // the header is in, its body arriving
  Answering,  // the whole request is in
};

struct Link {
  Phase phase = Phase::Waiting;
  SteadyTime since{};     // Waiting: opened or the previous reply; Body: the header came
  SteadyTime lastByte{};  // Body: the latest body byte, or the header
  size_t received = 0;    // Body: bytes so far
  bool streamed = false;  // Body: read by a reader rather than held in memory
  bool vital = false;     // Body: on the alarm's route
  bool started = false;   // the library took the connection
  bool closing = false;   // shut down here; the library has yet to close it
};

// Whether the link overstayed at `now`: a header later than its deadline, or a body silent too
// long or, past its grace, slower on average than the floor. A link answering never is.
bool overdue(const Link& link, SteadyTime now, const Deadlines& deadlines);

// Connections each of `servers` may hold when the process may open `descriptors` files, some
// of which the database and uploads need.
size_t connectionLimit(size_t descriptors, size_t servers);

// The open connections of one server, by socket, within its limit. Not thread-safe.
class LinkTable final {
 public:
  explicit LinkTable(size_t limit);

  struct Admission {
    bool taken = false;  // false: close the new socket at once
    int evicted = -1;    // a socket to shut down to make room, or -1
  };
  // A new connection at `now`. At the limit the link waiting longest for a request makes
  // room, else the oldest still sending a small body to a route that is not vital; when no
  // link may go, the new one is refused.
  Admission open(int socket, SteadyTime now);
  Link* find(int socket);
  void erase(int socket);
  // Marks closing the links that overstayed and, when the table is crowded, those that waited
  // for a request longer than a second; returns their sockets to shut down.
  std::vector<int> sweep(SteadyTime now, const Deadlines& deadlines);

  size_t size() const { return links_.size(); }  // closing ones included
  size_t live() const { return links_.size() - closing_; }
  size_t limit() const { return limit_; }

 private:
  void markClosing(Link& link);
  std::optional<int> victim() const;

  std::unordered_map<int, Link> links_;
  size_t limit_;
  size_t slack_;  // links closing beyond the limit, until the library lets them go
  size_t closing_ = 0;
};

}  // namespace vokari_backend
