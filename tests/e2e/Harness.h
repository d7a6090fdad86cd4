#pragma once
// Runs the terminal client in script mode as a separate process, the way a person's script
// would, and captures what it printed.

#include <functional>
#include <string>
#include <vector>

namespace vokari::e2e {

struct VokariRun {
  int status = -1;
  std::string output;                           // standard output and standard error, interleaved
  bool printed(const std::string& line) const;  // a whole line
  bool contains(const std::string& text) const { return output.find(text) != std::string::npos; }
};

// `vokari --script <file> --data-dir <dataDir> <extra...>` with the script's text.
VokariRun runVokari(const std::string& dataDir, const std::string& script,
                    const std::vector<std::string>& extra = {});
// The text of a scenario file under tests/e2e/scripts.
std::string scenario(const std::string& name);

// A piece of a script, and what to do beside the client once the piece has run.
struct ScriptStep {
  std::string script;
  std::function<void()> then;  // none: go on at once
};
// `vokari --script - --data-dir <dataDir> <extra...>`, fed one step at a time: the next step is
// written only once the client has run the previous one and its `then` has returned. Pieces
// must not quit; a failing command ends the run early, and so the remaining steps.
VokariRun runVokariSteps(const std::string& dataDir, const std::vector<ScriptStep>& steps,
                         const std::vector<std::string>& extra = {});
// The process id of the client runVokariSteps drives, while a step's `then` runs; -1 otherwise.
int drivenVokari();
// Records four free ports, chosen by the system, as those the built-in services of the data
// folder used last, so that a test which restarts the client finds them again: the standard
// ports, which every other client started meanwhile tries first, may be taken by then.
void recordFreePorts(const std::string& dataDir);
// `vokari-backend <args...>`; its status and output.
VokariRun runBackend(const std::vector<std::string>& args);

}  // namespace vokari::e2e
