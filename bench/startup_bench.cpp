// How long the terminal client takes from exec to its login screen and back out, beside a bare
// program that links libcurl, SQLite and ICU only (bare_start), each started 20 times in turn;
// medians. The client starts on a data folder it has started on before, as every start but the
// first does (the first also lays out the stand-in's data). The client's figure includes the
// built-in services it starts. A start that decodes nothing must map no codec: the client should be
// within 1.5 times the bare program and under 50 ms.
//
//   startup_bench
//
// Exits with status 1 when a bound does not hold.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kRuns = 20;
constexpr double kRatioBound = 1.5;
constexpr double kClientBoundMs = 50;

// Milliseconds from spawning the program to its exit; negative when it failed.
double timed(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  int status = 0;
  const bool ran = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
                   waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);
  return ran ? ms : -1;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main() {
  const auto folder =
      std::filesystem::temp_directory_path() / ("vokari-startup-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string script = (folder / "login.vks").string();
  std::ofstream(script) << "expect 登录\nquit\n";
  const std::string data = (folder / "data").string();
  std::vector<double> client, bare;
  bool failed = timed({VOKARI_BIN, "--script", script, "--data-dir", data}) < 0;
  for (int i = 0; i < kRuns; ++i) {
    double c = timed({VOKARI_BIN, "--script", script, "--data-dir", data});
    double b = timed({BARE_START_BIN});
    failed = failed || c < 0 || b < 0;
    client.push_back(c);
    bare.push_back(b);
  }
  std::filesystem::remove_all(folder);
  if (failed) {
    std::printf("a start failed\n");
    return 1;
  }
  const double c = median(client), b = median(bare);
  std::printf("start to the login screen and out, median of %d:\n", kRuns);
  std::printf("  bare program (libcurl, SQLite, ICU): %6.1f ms\n", b);
  std::printf("  terminal client:                      %6.1f ms (%.2fx)\n", c, c / b);
  const bool held = c <= kRatioBound * b && c < kClientBoundMs;
  std::printf("%s: within %.1fx the bare program and under %.0f ms\n", held ? "holds" : "FAILS",
              kRatioBound, kClientBoundMs);
  return held ? 0 : 1;
}
