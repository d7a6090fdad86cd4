#pragma once
// What the kernel says of a process's memory, for tests and benchmarks that bound it.

#include <sys/types.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace vokari::testing {

// A field of /proc/PID/status in KiB ("VmRSS": resident now, "VmHWM": its peak since the last
// resetPeak); 0 when the process or the field is gone.
inline std::size_t statusKb(const std::string& field, pid_t pid = ::getpid()) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(field + ":"))
      return std::strtoull(line.c_str() + field.size() + 1, nullptr, 10);
  }
  return 0;
}

// Starts this process's VmHWM over from its resident size now.
inline void resetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

}  // namespace vokari::testing
