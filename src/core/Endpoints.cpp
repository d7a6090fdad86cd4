#include "core/Endpoints.h"

#include <charconv>

namespace vokari {
namespace {

constexpr double kDefault = kDefaultTimeOutSeconds;
constexpr ServiceAction kActions[] = {
    {"sosForIOS", Backend::General, 30},
    {"changePhonenumber", Backend::General, 20},
    {"getNewsForIos", Backend::General, 30},
    {"getClientInformation", Backend::General, 30},
    {"getToken", Backend::General, 20},
    {"register", Backend::Account, 20},
    {"getCode", Backend::Account, 20},
    {"modifyPasswordCode", Backend::Account, 20},
    {"modifyPassword", Backend::Account, kDefault},
    {"login", Backend::Appointment, 20},
    {"findInformation", Backend::Appointment, 20},
    {"saveInfomation", Backend::Appointment, kDefault},
    {"findType", Backend::Appointment, 20},
    {"findStation", Backend::Appointment, 20},
    {"findTime", Backend::Appointment, 20},
    {"commitSchedule", Backend::Appointment, 20},
    {"cannelSchedule", Backend::Appointment, 20},
    {"selectScheduleInfo", Backend::Appointment, 20},
    {"getCodeString", Backend::CrimeReport, kDefault},
    {"getSearchPassword", Backend::CrimeReport, kDefault},
    {"Inster", Backend::CrimeReport, kDefault},
    {"SaveFile", Backend::CrimeReport, kDefault},
    {"Search", Backend::CrimeReport, kDefault},
};

Endpoints& installed() {
  static Endpoints endpoints;
  return endpoints;
}

}  // namespace

const std::string& Endpoints::hostFor(Backend backend) const {
  return backend == Backend::CrimeReport ? reportHost : host;
}

std::string Endpoints::path(Backend backend, std::string_view action) {
  switch (backend) {
    case Backend::General:
    case Backend::Account:
      return "/serverAgent!" + std::string(action) + ".action";
    case Backend::Appointment:
      return "/wsyy/sysManager/rkyyApp/rkyyApp!" + std::string(action) + ".action";
    case Backend::CrimeReport:
      break;
  }
  return "/CrimeReports_App/Service.asmx";
}

std::string Endpoints::url(Backend backend, std::string_view action) const {
  return scheme + "://" + hostFor(backend) + ":" + std::to_string(port(backend)) +
         path(backend, action);
}

std::string Endpoints::webPageUrl(WebPage page) const {
  static constexpr std::string_view kPages[] = {
      "/CrimeReports/Guide.aspx", "/CrimeReports/Notice.aspx", "/CrimeReports/Case.aspx"};
  return scheme + "://" + reportHost + ":" + std::to_string(port(Backend::CrimeReport)) +
         std::string(kPages[static_cast<int>(page)]);
}

const Endpoints& Endpoints::current() {
  return installed();
}

void Endpoints::install(Endpoints endpoints) {
  installed() = std::move(endpoints);
}

std::optional<std::array<int, 4>> Endpoints::parsePorts(std::string_view text) {
  std::array<int, 4> ports{};
  for (std::size_t i = 0; i < ports.size(); ++i) {
    const auto comma = text.find(',');
    const auto item = text.substr(0, comma);
    auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), ports[i]);
    if (error != std::errc() || end != item.data() + item.size()) return std::nullopt;
    if (ports[i] < 1 || ports[i] > 65535) return std::nullopt;
    const bool last = i + 1 == ports.size();
    if (last != (comma == std::string_view::npos)) return std::nullopt;
    if (!last) text.remove_prefix(comma + 1);
  }
  return ports;
}

std::span<const ServiceAction> serviceActions() {
  return kActions;
}

const ServiceAction* findServiceAction(std::string_view name) {
  for (const auto& action : kActions) {
    if (action.name == name) return &action;
  }
  return nullptr;
}

}  // namespace vokari
