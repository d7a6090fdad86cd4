// The stand-in services' request handling, in process: a request made from the input goes
// through a service's routes as if it came over a connection. First byte: the service and
// route; the rest: the body (for the raw route, the whole request as sent). Every JSON action
// answers a JSON object with a text "STATES", whatever the body; every SOAP call an envelope.

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "server/Http.h"
#include "server/Services.h"
#include "server/Store.h"

using namespace vokari_backend;

namespace {

enum Kind { General, Account, Appointment, Report };

struct Route {
  Kind service;
  const char* path;  // a JSON action, a SOAP operation, or nullptr for a raw request
};

constexpr const char* kAgent = "/serverAgent!";
constexpr const char* kRkyy = "/wsyy/sysManager/rkyyApp/rkyyApp!";

constexpr std::array<Route, 28> kRoutes{{
    {General, "sosForIOS"},
    {General, "getNewsForIos"},
    {General, "getToken"},
    {General, "getClientInformation"},
    {General, "changePhonenumber"},
    {Account, "register"},
    {Account, "getCode"},
    {Account, "modifyPasswordCode"},
    {Account, "modifyPassword"},
    {Appointment, "login"},
    {Appointment, "findInformation"},
    {Appointment, "saveInfomation"},
    {Appointment, "findStation"},
    {Appointment, "findType"},
    {Appointment, "findTime"},
    {Appointment, "commitSchedule"},
    {Appointment, "cannelSchedule"},
    {Appointment, "selectScheduleInfo"},
    {Report, "getCodeString"},
    {Report, "getSearchPassword"},
    {Report, "Inster"},
    {Report, "SaveFile"},
    {Report, "Search"},
    {Report, "Unknown"},
    {General, nullptr},
    {Account, nullptr},
    {Appointment, nullptr},
    {Report, nullptr},
}};

struct Services {
  std::string dataDir;
  std::unique_ptr<Store> store;
  std::array<std::unique_ptr<Server>, 4> servers;
  int served = 0;

  Services() : dataDir(vokari::fuzz::Sandbox::get().platform.root() + "/backend") { open(); }

  // A fresh database now and then, so that what earlier inputs stored does not slow every
  // later one down.
  void open() {
    for (auto& server : servers) server = std::make_unique<Server>();
    store.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dataDir, ignored);
    const auto noon = std::chrono::system_clock::from_time_t(1796788800);  // 2026-12-09
    store = std::make_unique<Store>(
        dataDir, [noon] { return noon; }, nullptr);
    addGeneralService(*servers[General], *store);
    addAccountService(*servers[Account], *store);
    addAppointmentService(*servers[Appointment], *store);
    addReportService(*servers[Report], *store);
  }
};

// A request as the connection would have handed it on: the method, the path, the headers, the
// body.
Request request(std::string method, std::string path, std::string_view body) {
  Request request;
  request.method = std::move(method);
  request.path = std::move(path);
  request.body = body;
  request.localAddress = "127.0.0.1";
  request.localPort = 64110;
  request.addHeader("Host", "127.0.0.1");
  return request;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Services services;
  if (++services.served % 5000 == 0) services.open();
  vokari::fuzz::FuzzInput input(data, size);
  const Route& route = kRoutes[input.choose(kRoutes.size())];
  const std::string_view rest = input.rest();
  const Server& server = *services.servers[route.service];
  if (!route.path) {
    // A raw request: its first line is the path; GET or POST by the length of the rest.
    const std::string_view line = rest.substr(0, rest.find('\n'));
    const std::string_view body = rest.substr(std::min(rest.size(), line.size() + 1));
    (void)server.handle(request(body.size() % 2 ? "GET" : "POST", std::string(line), body));
    return 0;
  }
  const bool soap = route.service == Report;
  Request call = request(
      "POST",
      soap ? "/CrimeReports_App/Service.asmx"
           : std::string(route.service == Appointment ? kRkyy : kAgent) + route.path + ".action",
      rest);
  if (soap) {
    call.addHeader("Content-Type", "text/xml; charset=utf-8");
    call.addHeader("SOAPAction", std::string("\"http://tempuri.org/") + route.path + "\"");
  }
  const std::string reply = server.handle(std::move(call)).body;
  if (soap) {
    if (reply.find("<soap:Envelope") == std::string::npos) __builtin_trap();
  } else {
    const auto json = nlohmann::json::parse(reply, nullptr, false);
    if (!json.is_object() || !json.contains("STATES") || !json["STATES"].is_string())
      __builtin_trap();
  }
  return 0;
}
