#include "reports/ReportPrizesViewController.h"

#include "core/Endpoints.h"
#include "core/VersionManage.h"
#include "reports/KeptReports.h"
#include "reports/LinkViewController.h"
#include "reports/NamesViewController.h"
#include "reports/ReportQueryViewController.h"
#include "reports/ReportViewController.h"

namespace vokari {
namespace {

std::shared_ptr<ui::Screen> page(WebPage which, const char* title) {
  return std::make_shared<LinkViewController>(Endpoints::current().webPageUrl(which), title);
}

}  // namespace

ReportPrizesViewController::ReportPrizesViewController() : ui::Screen("有奖举报") {
  table.sections = {
      {"",
       {{"查询", "输入查询ID和密码即可进行查询", true, false, false},
        {"举报", "揭发丑恶只需几步即可", true, false, false}}},
      {"指南",
       {{"举报指南", "", true, false, false},
        {"奖励公告", "", true, false, false},
        {"典型案例", "", true, false, false},
        {"悬赏名单", "", true, false, false}}},
  };
  table.onSelect = [this](int section, int row) { didSelect(section, row); };
  add(table);
}

void ReportPrizesViewController::viewDidLoad() {
  // Reports interrupted after their ID was given (a kill, a lost reply) are told again here.
  KeptReports::showAll(VersionManage::sharedVersionManage().reportPath);
}

void ReportPrizesViewController::didSelect(int section, int row) {
  std::shared_ptr<ui::Screen> next;
  if (section == 0) {
    if (row == 0) next = std::make_shared<ReportQueryViewController>();
    if (row == 1) next = std::make_shared<ReportViewController>();
  } else if (section == 1) {
    if (row == 0) next = page(WebPage::Guide, "举报指南");
    if (row == 1) next = page(WebPage::Notice, "奖励公告");
    if (row == 2) next = page(WebPage::Case, "典型案例");
    if (row == 3) next = std::make_shared<NamesViewController>();
  }
  if (next) push(std::move(next));
}

}  // namespace vokari
