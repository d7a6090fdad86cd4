#include "reports/WantedPersonDetailView.h"

#include <algorithm>

#include "core/Extern.h"
#include "core/JsonText.h"
#include "reports/WantedPersonsCell.h"

namespace vokari {
namespace {

// The detail cleans harder than the list: the markup text, real ideographic spaces, and blanks
// at either end.
std::string detailName(const nlohmann::json& person) {
  return Extern::trim(removeAll(nameWithoutMarkup(textMember(person, "name")), "\u3000"));
}

}  // namespace

void WantedPersonDetailView::setPersonInfo(const nlohmann::json& person) {
  personInfo = person;
  std::string name = detailName(person);
  titleView = "在逃" + name + "资料";
  dataArray = {"姓名: " + name,
               "性别: " + textMember(person, "gender"),
               "身份证号: " + textMember(person, "idcard"),
               "户籍地区划: " + textMember(person, "area"),
               "户籍地详址: " + textMember(person, "adress"),
               "案件类别: " + textMember(person, "type")};
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

}  // namespace vokari
