#include "Harness.h"

#include "support/Loopback.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace vokari::e2e {

bool VokariRun::printed(const std::string& line) const {
  std::istringstream in(output);
  for (std::string l; std::getline(in, l);) {
    if (l == line) return true;
  }
  return false;
}

std::string scenario(const std::string& name) {
  std::ifstream in(std::string(VOKARI_SCRIPTS) + "/" + name);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

VokariRun runVokari(const std::string& dataDir, const std::string& script,
                    const std::vector<std::string>& extra) {
  std::string file = dataDir + ".vks";
  std::ofstream(file) << script;
  std::vector<std::string> args = {VOKARI_BIN, "--script", file, "--data-dir", dataDir};
  args.insert(args.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int pipeFds[2];
  VokariRun run;
  if (pipe(pipeFds) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  char buffer[4096];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) run.output.append(buffer, n);
  close(pipeFds[0]);
  int status = 0;
  if (spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
    run.status = WEXITSTATUS(status);
  }
  unlink(file.c_str());
  return run;
}

namespace {

// A program with its standard output and error on one pipe, and its input on another.
struct Child {
  pid_t pid = -1;
  int input = -1;  // -1: the child reads /dev/null
  int output = -1;
};

Child spawn(std::vector<std::string> args, bool withInput) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  Child child;
  int out[2];
  int in[2] = {-1, -1};
  if (pipe(out) != 0 || (withInput && pipe(in) != 0)) return child;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  if (withInput) {
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, in[1]);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
    child.pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  child.output = out[0];
  if (withInput) {
    close(in[0]);
    child.input = in[1];
  }
  return child;
}

int finish(Child& child, VokariRun& run) {
  if (child.input >= 0) close(child.input);
  char buffer[4096];
  for (ssize_t n; (n = read(child.output, buffer, sizeof buffer)) > 0;)
    run.output.append(buffer, n);
  close(child.output);
  int status = 0;
  if (child.pid > 0 && waitpid(child.pid, &status, 0) == child.pid && WIFEXITED(status)) {
    return WEXITSTATUS(status);
  }
  return -1;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Reads the child's output until the text has appeared `count` times; false at its end.
bool readUntil(Child& child, VokariRun& run, const std::string& text, std::size_t count) {
  char buffer[4096];
  while (occurrences(run.output, text) < count) {
    ssize_t n = read(child.output, buffer, sizeof buffer);
    if (n <= 0) return false;
    run.output.append(buffer, n);
  }
  return true;
}

pid_t driven = -1;

}  // namespace

int drivenVokari() {
  return driven;
}

VokariRun runVokariSteps(const std::string& dataDir, const std::vector<ScriptStep>& steps,
                         const std::vector<std::string>& extra) {
  std::vector<std::string> args = {VOKARI_BIN, "--script", "-", "--data-dir", dataDir};
  args.insert(args.end(), extra.begin(), extra.end());
  signal(SIGPIPE, SIG_IGN);  // a client that ended early must not end the test
  Child child = spawn(args, true);
  VokariRun run;
  if (child.pid < 0) return run;
  // "help" after each piece is the barrier: its heading shows the piece has run.
  const std::string barrier = "commands:\n";
  std::size_t done = 0;
  for (const ScriptStep& step : steps) {
    std::string text = step.script + "help\n";
    if (write(child.input, text.data(), text.size()) != static_cast<ssize_t>(text.size())) break;
    if (!readUntil(child, run, barrier, ++done)) break;
    driven = child.pid;
    if (step.then) step.then();
    driven = -1;
  }
  run.status = finish(child, run);
  return run;
}

void recordFreePorts(const std::string& dataDir) {
  // Held together while they are chosen, so that the four differ.
  loopback::Listener general, account, appointment, report;
  std::filesystem::create_directories(dataDir + "/backend");
  std::ofstream(dataDir + "/backend/ports")
      << "general=" << general.port() << ",account=" << account.port()
      << ",appointment=" << appointment.port() << ",report=" << report.port() << "\n";
}

VokariRun runBackend(const std::vector<std::string>& args) {
  std::vector<std::string> all = {VOKARI_BACKEND_BIN};
  all.insert(all.end(), args.begin(), args.end());
  Child child = spawn(all, false);
  VokariRun run;
  run.status = finish(child, run);
  return run;
}

}  // namespace vokari::e2e
