#include "reports/KeptReports.h"

#include <memory>

#include <nlohmann/json.hpp>

#include "platform/FileManager.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

std::string fileIn(const std::string& folder) {
  return FileManager::join(folder, "kept.json");
}

Status write(const std::string& folder, const std::vector<KeptReport>& reports) {
  if (reports.empty())
    return FileManager::fileExistsAtPath(fileIn(folder)) &&
                   !FileManager::removeFileAtPath(fileIn(folder))
               ? Status::failure("cannot remove " + fileIn(folder))
               : Status::success();
  nlohmann::json list = nlohmann::json::array();
  for (const KeptReport& report : reports)
    list.push_back({{"code", report.code}, {"password", report.password}});
  return FileManager::saveFile(fileIn(folder), list.dump());
}

}  // namespace

std::vector<KeptReport> KeptReports::read(const std::string& folder) {
  std::vector<KeptReport> reports;
  if (folder.empty()) return reports;
  auto text = FileManager::readFile(fileIn(folder));
  auto list = text ? nlohmann::json::parse(*text, nullptr, false) : nlohmann::json();
  if (!list.is_array()) return reports;
  for (const auto& entry : list) {
    if (!entry.is_object() || !entry.value("code", nlohmann::json()).is_string() ||
        !entry.value("password", nlohmann::json()).is_string())
      continue;
    reports.push_back({entry["code"].get<std::string>(), entry["password"].get<std::string>()});
  }
  return reports;
}

Status KeptReports::keep(const std::string& folder, const KeptReport& report) {
  std::vector<KeptReport> reports = read(folder);
  for (const KeptReport& kept : reports)
    if (kept.code == report.code) return Status::success();
  reports.push_back(report);
  return write(folder, reports);
}

Status KeptReports::forget(const std::string& folder, const std::string& code) {
  std::vector<KeptReport> reports = read(folder);
  std::erase_if(reports, [&](const KeptReport& kept) { return kept.code == code; });
  return write(folder, reports);
}

void KeptReports::show(const std::string& folder, const KeptReport& report,
                       std::function<void()> then) {
  // Nothing of a screen is captured: the pair is forgotten whichever screen is shown by then.
  ui::Ui::current().alerts->show(
      {"请记录", "查询ID:" + report.code + "\n密码:" + report.password, {"好"}},
      [folder, code = report.code, then = std::move(then)](int) {
        static_cast<void>(forget(folder, code));
        if (then) then();
      });
}

namespace {

// The pairs from `next` on, one alert after another; read once, so that a pair that cannot be
// forgotten (a full disk) is not shown again and again.
void showFrom(const std::string& folder, std::shared_ptr<const std::vector<KeptReport>> reports,
              std::size_t next) {
  if (next >= reports->size()) return;
  KeptReports::show(folder, (*reports)[next],
                    [folder, reports, next] { showFrom(folder, reports, next + 1); });
}

}  // namespace

void KeptReports::showAll(const std::string& folder) {
  showFrom(folder, std::make_shared<const std::vector<KeptReport>>(read(folder)), 0);
}

}  // namespace vokari
