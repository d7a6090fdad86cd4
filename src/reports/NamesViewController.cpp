#include "reports/NamesViewController.h"

#include "platform/Platform.h"
#include "reports/WantedPersonsCell.h"
#include "reports/wantedPersonPrase.h"

namespace vokari {

NamesViewController::NamesViewController()
    : ui::Screen("悬赏名单"), detail_(*Platform::current().loop) {
  header.text = WantedPersonsCell{"姓名", "身份证", "案件类别"}.rowText();
  table.onSelect = [this](int, int row) { didSelectRow(row); };
  overlayView.title = "关闭";
  overlayView.onPress = [this] { detail_.dismiss(); };
  detail_.onChange = [this] { refreshDetail(); };
  add(header);
  add(table);
  add(overlayView);
  add(detailTitle);
  add(detailTable);
  refreshDetail();
}

void NamesViewController::viewDidLoad() {
  persons_ = wantedPersonPrase::sharedwantedPersonPraseManager().prase();
  ui::TableSectionModel rows;
  for (const auto& element : persons_) {
    auto person = element.is_object() ? element.value("wantedPerson", nlohmann::json()) : nullptr;
    rows.rows.push_back({WantedPersonsCell::forPerson(person).rowText(), "", false, false, false});
  }
  table.sections = {std::move(rows)};
}

void NamesViewController::didSelectRow(int row) {
  // The dimmed layer covers the list while a panel is up.
  if (detail_.visible() || row < 0 || row >= static_cast<int>(persons_.size())) return;
  const auto& element = persons_[static_cast<std::size_t>(row)];
  detail_.setPersonInfo(element.is_object() ? element.value("wantedPerson", nlohmann::json())
                                            : nlohmann::json());
  detail_.show();
}

void NamesViewController::refreshDetail() {
  bool visible = detail_.visible();
  overlayView.hidden = detailTitle.hidden = detailTable.hidden = !visible;
  detailTitle.text = detail_.titleView;
  ui::TableSectionModel rows;
  for (const std::string& text : detail_.dataArray)
    rows.rows.push_back({text, "", false, false, false});
  detailTable.sections = {std::move(rows)};
}

}  // namespace vokari
