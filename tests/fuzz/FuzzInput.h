#pragma once
// Splitting a fuzzer's input into choices and payload, and the fake platform the targets that
// need a run loop, a data folder or the network share for the whole run.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <unistd.h>

#include "support/TestPlatform.h"
#include "transport/FakeHttpEngine.h"

namespace vokari::fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  // The first byte, reduced to a choice among `count` (0 when the input is used up).
  std::size_t choose(std::size_t count) {
    if (rest_.empty()) return 0;
    const auto byte = static_cast<unsigned char>(rest_.front());
    rest_.remove_prefix(1);
    return byte % count;
  }
  // Up to the next line break (dropped), or everything left.
  std::string_view line() {
    const auto end = rest_.find('\n');
    const auto taken = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return taken;
  }
  std::string_view rest() const { return rest_; }

 private:
  std::string_view rest_;
};

// One fake platform for the whole run: made on first use, never torn down, so each input costs
// no folder creation. A target that makes requests installs a FakeHttpEngine per input, so that
// nothing piles up from one input to the next (memory kept would make libFuzzer look for leaks
// after every input).
struct Sandbox {
  testing::TestPlatform platform;

  static Sandbox& get() {
    static Sandbox* sandbox = [] {
      // Files are written for every input: in memory, unless the caller chose a folder.
      if (!std::getenv("TMPDIR") && ::access("/dev/shm", W_OK) == 0)
        setenv("TMPDIR", "/dev/shm", 0);
      std::atexit([] { delete sandbox; });
      return new Sandbox;
    }();
    return *sandbox;
  }
};

}  // namespace vokari::fuzz
