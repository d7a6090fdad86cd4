#pragma once
// Runs a test in a fixed local time zone and restores the previous one afterwards.

#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>

namespace vokari::testing {

class LocalZone {
 public:
  explicit LocalZone(const char* tz) {
    if (const char* old = getenv("TZ")) previous_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~LocalZone() {
    if (previous_)
      setenv("TZ", previous_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  LocalZone(const LocalZone&) = delete;
  LocalZone& operator=(const LocalZone&) = delete;

 private:
  std::optional<std::string> previous_;
};

}  // namespace vokari::testing
