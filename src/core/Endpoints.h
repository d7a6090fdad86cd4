#pragma once
// Where the four back-end services live, and the table of every action the client calls with
// its back-end and time-out. Compiled-in defaults; the terminal client may change hosts, ports
// and scheme once at start-up, before any request is made.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vokari {

enum class Backend { General, Account, Appointment, CrimeReport };

enum class WebPage { Guide, Notice, Case };

// The request layer's time-out, used by actions that set none of their own.
inline constexpr double kDefaultTimeOutSeconds = 10.0;

struct ServiceAction {
  std::string_view name;  // as the service spells it ("saveInfomation", "Inster")
  Backend backend;
  double timeOutSeconds;
};

struct Endpoints {
  std::string scheme = "http";
  std::string host = "127.0.0.1";        // first service host: general, account, appointment
  std::string reportHost = "127.0.0.1";  // second service host: crime reports and web pages
  std::array<int, 4> ports{64110, 64112, 8097, 38888};  // in the order of Backend

  int port(Backend backend) const { return ports[static_cast<int>(backend)]; }
  const std::string& hostFor(Backend backend) const;
  // Path of an action; the crime-report service has one path for all its operations.
  static std::string path(Backend backend, std::string_view action);
  // scheme + "://" + host + ":" + port + path.
  std::string url(Backend backend, std::string_view action) const;
  std::string webPageUrl(WebPage page) const;

  // The configuration in force; main thread.
  static const Endpoints& current();
  static void install(Endpoints endpoints);
  // "64110,64112,8097,38888" (general, account, appointment, crime report); none when the text
  // is not four ports in 1..65535.
  static std::optional<std::array<int, 4>> parsePorts(std::string_view text);
};

// Every action of the table, and the entry of one by its name (none when unknown).
std::span<const ServiceAction> serviceActions();
const ServiceAction* findServiceAction(std::string_view name);

}  // namespace vokari
