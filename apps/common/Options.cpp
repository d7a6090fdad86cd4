#include "Options.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace vokari::client {
namespace {

std::optional<double> parseNumber(const std::string& text) {
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0') return std::nullopt;
  return value;
}

std::string trimmed(const std::string& text) {
  auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string defaultDataDir() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
    return std::string(xdg) + "/vokari";
  if (const char* home = std::getenv("HOME"); home && *home) {
    return std::string(home) + "/.local/share/vokari";
  }
  return ".vokari";
}

}  // namespace

std::optional<ServicePorts> parsePorts(const std::string& text, ServicePorts base) {
  std::istringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    auto eq = item.find('=');
    if (eq == std::string::npos) return std::nullopt;
    std::string name = item.substr(0, eq);
    auto number = parseNumber(item.substr(eq + 1));
    if (!number || *number < 1 || *number > 65535 || *number != static_cast<int>(*number)) {
      return std::nullopt;
    }
    int port = static_cast<int>(*number);
    if (name == "general")
      base.general = port;
    else if (name == "account")
      base.account = port;
    else if (name == "appointment")
      base.appointment = port;
    else if (name == "report")
      base.report = port;
    else
      return std::nullopt;
  }
  return base;
}

Result<Options> parseOptions(int argc, char** argv, Program program) {
  const bool terminal = program == Program::Terminal;
  Options options;
  options.dataDir = defaultDataDir();
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string(argv[++i]);
    };
    std::optional<std::string> v;
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (terminal && arg == "--fake-clock") {
      options.fakeClock = true;
    } else if (arg == "--data-dir" && (v = value())) {
      options.dataDir = *v;
    } else if (arg == "--host" && (v = value())) {
      options.host = *v;
    } else if (arg == "--report-host" && (v = value())) {
      options.reportHost = *v;
    } else if (terminal && arg == "--script" && (v = value())) {
      options.script = *v;
    } else if (!terminal && arg == "--screenshot-dir" && (v = value())) {
      options.screenshotDir = *v;
    } else if (arg == "--ports" && (v = value())) {
      options.ports = parsePorts(*v);
      if (!options.ports) {
        return {std::nullopt,
                Status::failure("--ports wants general=N,account=N,appointment=N,report=N")};
      }
    } else if (arg == "--position" && (v = value())) {
      options.position = parsePosition(*v);
      if (!options.position) {
        return {std::nullopt, Status::failure("--position wants LAT,LON")};
      }
    } else {
      return {std::nullopt, Status::failure("unknown or incomplete argument: " + arg)};
    }
  }
  return {std::move(options)};
}

std::string usage(Program program) {
  const bool terminal = program == Program::Terminal;
  std::string name = terminal ? "vokari" : "vokari-gui";
  std::string pad(name.size(), ' ');
  return "usage: " + name + " [--data-dir DIR] [--host HOST] [--report-host HOST]\n" + "       " +
         pad + " [--ports general=N,account=N,appointment=N,report=N]\n" + "       " + pad +
         " [--position LAT,LON] " +
         (terminal ? "[--script FILE|-] [--fake-clock]\n" : "[--screenshot-dir DIR]\n") +
         "Without --host, the stand-in services start inside the client on loopback, on the\n"
         "ports of their last run for the data folder (the standard ones at first); a port\n"
         "taken by then moves to a free one, and the client says so.\n";
}

std::optional<std::pair<double, double>> parsePosition(const std::string& text) {
  std::string latitude, longitude;
  if (auto comma = text.find(','); comma != std::string::npos) {
    latitude = trimmed(text.substr(0, comma));
    longitude = trimmed(text.substr(comma + 1));
  } else {
    std::istringstream in(text);
    std::string extra;
    if (!(in >> latitude >> longitude) || (in >> extra)) return std::nullopt;
  }
  auto lat = parseNumber(latitude);
  auto lon = parseNumber(longitude);
  // strtod also reads "nan" and "inf": neither is a place.
  if (!lat || !lon || !(std::fabs(*lat) <= 90) || !(std::fabs(*lon) <= 180)) return std::nullopt;
  return std::make_pair(*lat, *lon);
}

}  // namespace vokari::client
