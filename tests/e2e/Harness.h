#pragma once
// Runs the terminal client in script mode as a separate process, the way a person's script
// would, and captures what it printed.

#include <string>
#include <vector>

namespace vokari::e2e {

struct VokariRun {
  int status = -1;
  std::string output;  // standard output and standard error, interleaved
  bool printed(const std::string& line) const;  // a whole line
  bool contains(const std::string& text) const { return output.find(text) != std::string::npos; }
};

// `vokari --script <file> --data-dir <dataDir> <extra...>` with the script's text.
VokariRun runVokari(const std::string& dataDir, const std::string& script,
              const std::vector<std::string>& extra = {});
// The text of a scenario file under tests/e2e/scripts.
std::string scenario(const std::string& name);

}  // namespace vokari::e2e
