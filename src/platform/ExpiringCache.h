#pragma once
// A persistent store of texts by key, each with a lifetime in seconds after which it reads as
// absent. Lifetimes run on the loop's wall clock, so they also pass while the program is closed.

#include <map>
#include <optional>
#include <string>

#include "platform/RunLoop.h"

namespace vokari {

class ExpiringCache {
 public:
  // A cache without a file lives only in memory (tests); with one, every change is written
  // through atomically and survives a restart.
  explicit ExpiringCache(const RunLoop& clock, std::optional<std::string> file = std::nullopt);

  std::optional<std::string> get(const std::string& key);
  void set(const std::string& key, const std::string& value, double lifetimeSeconds);
  void remove(const std::string& key);

 private:
  struct Entry {
    std::string value;
    double expiresAt;  // seconds since the epoch, wall clock
  };
  double wallSeconds() const;
  void save();

  const RunLoop& clock_;
  std::optional<std::string> file_;
  std::map<std::string, Entry> entries_;
};

}  // namespace vokari
