// The stand-in services' request handling, in process: a request made from the input goes
// through a service's routes as if it came over a connection. First byte: the service and
// route; the rest: the body (for the raw route, the whole request as sent). Every JSON action
// answers a JSON object with a text "STATES", whatever the body; every SOAP call an envelope.

#include <libxml/parser.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "server/Services.h"
#include "server/Store.h"

using namespace vokari_backend;

namespace {

// Reads the request from memory and keeps the reply.
class MemoryStream final : public httplib::Stream {
 public:
  explicit MemoryStream(std::string_view in) : in_(in) {}
  bool is_readable() const override { return true; }
  bool is_writable() const override { return true; }
  ssize_t read(char* ptr, size_t size) override {
    const size_t n = std::min(size, in_.size());
    std::memcpy(ptr, in_.data(), n);
    in_.remove_prefix(n);
    return static_cast<ssize_t>(n);
  }
  ssize_t write(const char* ptr, size_t size) override {
    out.append(ptr, size);
    return static_cast<ssize_t>(size);
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    ip = "127.0.0.1";
    port = 50000;
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    ip = "127.0.0.1";
    port = 64110;
  }
  socket_t socket() const override { return INVALID_SOCKET; }

  std::string out;

 private:
  std::string_view in_;
};

class Service final : public httplib::Server {
 public:
  std::string serve(std::string_view request) {
    MemoryStream stream(request);
    bool closed = false;
    process_request(stream, true, closed, nullptr);
    return std::move(stream.out);
  }
};

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
  std::array<std::unique_ptr<Service>, 4> servers;
  int served = 0;

  Services() : dataDir(vokari::fuzz::Sandbox::get().platform.root() + "/backend") {
    xmlInitParser();
    open();
  }

  // A fresh database now and then, so that what earlier inputs stored does not slow every
  // later one down.
  void open() {
    for (auto& server : servers) server = std::make_unique<Service>();
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

std::string body(const std::string& reply) {
  const auto end = reply.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Services services;
  if (++services.served % 5000 == 0) services.open();
  vokari::fuzz::FuzzInput input(data, size);
  const Route& route = kRoutes[input.choose(kRoutes.size())];
  const std::string_view rest = input.rest();
  Service& server = *services.servers[route.service];
  if (!route.path) {
    (void)server.serve(rest);
    return 0;
  }
  const bool soap = route.service == Report;
  std::string request = "POST ";
  request +=
      soap ? "/CrimeReports_App/Service.asmx"
           : std::string(route.service == Appointment ? kRkyy : kAgent) + route.path + ".action";
  request +=
      " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + std::to_string(rest.size()) + "\r\n";
  if (soap) {
    request += "Content-Type: text/xml; charset=utf-8\r\nSOAPAction: \"http://tempuri.org/";
    request += route.path;
    request += "\"\r\n";
  }
  request += "\r\n";
  request += rest;
  const std::string reply = body(server.serve(request));
  if (soap) {
    if (reply.find("<soap:Envelope") == std::string::npos) __builtin_trap();
  } else {
    const auto json = nlohmann::json::parse(reply, nullptr, false);
    if (!json.is_object() || !json.contains("STATES") || !json["STATES"].is_string())
      __builtin_trap();
  }
  return 0;
}
