#pragma once
// The command line both clients share, with the few options that belong to one of them.

#include <optional>
#include <string>

#include "platform/Result.h"

namespace vokari::client {

struct ServicePorts {
  int general = 64110;
  int account = 64112;
  int appointment = 8097;
  int report = 38888;
};

// Which client reads the command line: each accepts only its own extra options.
enum class Program { Terminal, Gui };

struct Options {
  std::string dataDir;              // default: $XDG_DATA_HOME/vokari
  std::optional<std::string> host;  // services elsewhere; none starts the built-in ones
  std::optional<std::string> reportHost;
  std::optional<ServicePorts> ports;
  std::optional<std::pair<double, double>> position;  // latitude, longitude
  std::optional<std::string> script;                  // terminal: a file, or "-" for standard input
  bool fakeClock = false;                             // terminal
  std::optional<std::string> screenshotDir;           // gui: a PNG of each screen as it is shown
  bool help = false;
};

// Parses the arguments; on a mistake answers no options and the reason.
Result<Options> parseOptions(int argc, char** argv, Program program = Program::Terminal);
// "general=N,account=N,appointment=N,report=N" (any subset).
std::optional<ServicePorts> parsePorts(const std::string& text, ServicePorts base = {});
std::string usage(Program program = Program::Terminal);
// A position "LAT,LON" (as --position takes it) or "LAT LON": degrees within [-90, 90] and
// [-180, 180]; none otherwise.
std::optional<std::pair<double, double>> parsePosition(const std::string& text);

}  // namespace vokari::client
