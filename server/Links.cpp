#include "Links.h"

#include <algorithm>
#include <tuple>

namespace vokari_backend {
namespace {

// Past this share of the limit, connections waiting for a request are closed first.
constexpr size_t kCrowdedTenths = 9;
constexpr auto kCrowdedIdle = std::chrono::seconds(1);
// The database, its journal, uploads being written, the standard streams and listeners.
constexpr size_t kFilesBesideConnections = 128;
constexpr size_t kLeastConnections = 16;

}  // namespace

bool overdue(const Link& link, SteadyTime now, const Deadlines& deadlines) {
  switch (link.phase) {
    case Phase::Waiting:
      return now - link.since > deadlines.header;
    case Phase::Body: {
      if (now - link.lastByte > deadlines.bodySilence) return true;
      auto elapsed = now - link.since;
      if (elapsed <= deadlines.rateGrace) return false;
      double seconds = std::chrono::duration<double>(elapsed).count();
      return static_cast<double>(link.received) <
             static_cast<double>(deadlines.rateFloor) * seconds;
    }
    case Phase::Answering:
      return false;
  }
  return false;
}

size_t connectionLimit(size_t descriptors, size_t servers) {
  size_t spare = descriptors > kFilesBesideConnections ? descriptors - kFilesBesideConnections : 0;
  size_t share = spare / std::max<size_t>(servers, 1);
  // A ninth of each share stays for connections shut down but not yet closed.
  return std::max(kLeastConnections, share * 8 / 9);
}

LinkTable::LinkTable(size_t limit) : limit_(limit), slack_(std::max<size_t>(8, limit / 8)) {}

LinkTable::Admission LinkTable::open(int socket, SteadyTime now) {
  erase(socket);  // a link the library let go of unseen, whose socket number came back
  if (links_.size() >= limit_ + slack_) return {};
  Admission admission{true, -1};
  if (live() >= limit_) {
    std::optional<int> room = victim();
    if (!room) return {};
    markClosing(links_.at(*room));
    admission.evicted = *room;
  }
  links_[socket] = Link{.since = now, .lastByte = now};
  return admission;
}

Link* LinkTable::find(int socket) {
  auto it = links_.find(socket);
  return it == links_.end() ? nullptr : &it->second;
}

void LinkTable::erase(int socket) {
  auto it = links_.find(socket);
  if (it == links_.end()) return;
  if (it->second.closing) --closing_;
  links_.erase(it);
}

void LinkTable::markClosing(Link& link) {
  link.closing = true;
  ++closing_;
}

std::vector<int> LinkTable::sweep(SteadyTime now, const Deadlines& deadlines) {
  std::vector<int> sockets;
  bool crowded = live() > limit_ * kCrowdedTenths / 10;
  for (auto it = links_.begin(); it != links_.end();) {
    Link& link = it->second;
    if (!link.started && now - link.since > deadlines.header) {
      // The library never took it (it closes such a socket itself, telling nobody); the number
      // may be another file's by now, so it is only forgotten.
      if (link.closing) --closing_;
      it = links_.erase(it);
      continue;
    }
    bool crowdedOut = crowded && link.phase == Phase::Waiting && now - link.since > kCrowdedIdle;
    if (!link.closing && link.started && (overdue(link, now, deadlines) || crowdedOut)) {
      markClosing(link);
      sockets.push_back(it->first);
    }
    ++it;
  }
  return sockets;
}

std::optional<int> LinkTable::victim() const {
  // Lower ranks go first, the oldest first within a rank.
  auto rank = [](const Link& link) -> std::optional<int> {
    if (link.closing) return std::nullopt;
    if (link.phase == Phase::Waiting) return 0;
    if (link.phase == Phase::Body && !link.streamed && !link.vital) return 1;
    return std::nullopt;
  };
  std::optional<int> chosen;
  std::tuple<int, SteadyTime> best;
  for (const auto& [socket, link] : links_) {
    std::optional<int> r = rank(link);
    if (!r) continue;
    std::tuple<int, SteadyTime> key{*r, link.since};
    if (!chosen || key < best) {
      chosen = socket;
      best = key;
    }
  }
  return chosen;
}

}  // namespace vokari_backend
