#include "Harness.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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

}  // namespace vokari::e2e
