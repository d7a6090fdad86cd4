#include "reports/WantedPersons.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "core/Extern.h"
#include "platform/Platform.h"
#include "platform/Resources.h"

namespace vokari {
namespace {

constexpr std::string_view kMarkup = "\\U3000";
constexpr std::string_view kIdeographicSpace = "\u3000";

std::string removeAll(std::string text, std::string_view part) {
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at)) {
    text.erase(at, part.size());
  }
  return text;
}

// The detail cleans harder than the list: the markup text, real ideographic spaces, and blanks
// at either end.
std::string detailName(const nlohmann::json& person) {
  return Extern::trim(removeAll(nameWithoutMarkup(personText(person, "name")), kIdeographicSpace));
}

}  // namespace

wantedPersonPrase& wantedPersonPrase::sharedwantedPersonPraseManager() {
  static wantedPersonPrase shared;
  return shared;
}

std::string wantedPersonPrase::resourcePath() {
  return ::vokari::resourcePath("names.json");
}

nlohmann::json wantedPersonPrase::prase() const {
  std::ifstream in(path, std::ios::binary);
  if (!in) return nlohmann::json::array();
  std::stringstream text;
  text << in.rdbuf();
  auto doc = nlohmann::json::parse(text.str(), nullptr, /*allow_exceptions=*/false);
  if (!doc.is_object()) return nlohmann::json::array();
  auto array = doc.find("wantedPersonArray");
  return array != doc.end() && array->is_array() ? *array : nlohmann::json::array();
}

std::string personText(const nlohmann::json& person, const char* key) {
  if (!person.is_object()) return "";
  auto value = person.find(key);
  return value != person.end() && value->is_string() ? value->get<std::string>() : "";
}

std::string nameWithoutMarkup(std::string_view name) {
  return removeAll(std::string(name), kMarkup);
}

WantedPersonsCell WantedPersonsCell::forPerson(const nlohmann::json& person) {
  return {nameWithoutMarkup(personText(person, "name")), personText(person, "idcard"),
          personText(person, "type")};
}

std::string WantedPersonsCell::rowText() const {
  return lbName + " | " + lbIdcard + " | " + lbType;
}

void WantedPersonDetailView::setPersonInfo(const nlohmann::json& person) {
  personInfo = person;
  std::string name = detailName(person);
  titleView = "在逃" + name + "资料";
  dataArray = {"姓名: " + name,
               "性别: " + personText(person, "gender"),
               "身份证号: " + personText(person, "idcard"),
               "户籍地区划: " + personText(person, "area"),
               "户籍地详址: " + personText(person, "adress"),
               "案件类别: " + personText(person, "type")};
}

void WantedPersonDetailView::enter(Phase phase) {
  phase_ = phase;
  phaseStart_ = loop_.now();
  if (onChange) onChange();
}

void WantedPersonDetailView::show() {
  if (phase_ == Phase::Appearing || phase_ == Phase::Shown) return;
  enter(Phase::Appearing);
  timer_ = loop_.after(kAnimationSeconds, [this] { enter(Phase::Shown); });
}

void WantedPersonDetailView::dismiss() {
  if (phase_ == Phase::Hidden || phase_ == Phase::Disappearing) return;
  enter(Phase::Disappearing);
  timer_ = loop_.after(kAnimationSeconds, [this] { enter(Phase::Hidden); });
}

double WantedPersonDetailView::scale() const {
  double progress = std::clamp((loop_.now() - phaseStart_) / kAnimationSeconds, 0.0, 1.0);
  switch (phase_) {
    case Phase::Hidden:
      return 0;
    case Phase::Shown:
      return 1;
    case Phase::Appearing:
      return kStartScale + (1 - kStartScale) * progress;
    case Phase::Disappearing:
      return 1 - (1 - kStartScale) * progress;
  }
  return 0;
}

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
