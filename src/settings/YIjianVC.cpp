#include "settings/YIjianVC.h"

#include "settings/FeedbackTypeSelectView.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

// Blanks only: an opinion of nothing but line breaks still counts as written.
bool onlyBlanks(const std::string& text) {
  return text.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

YIjianVC::YIjianVC() : ui::Screen("意见反馈") {
  moduleRow.sections = {{"", {{"模块位置", kNoModule, true}}}};
  moduleRow.onSelect = [this](int, int) { onSelect(); };
  addrText.label = "意见描述";
  addrText.multiline = true;
  // Return closes the keyboard rather than starting a new line.
  addrText.onReturn = [this] { addrText.focused = false; };
  addrText.onEndEditing = [this] { addrText.focused = false; };
  rating.text = "评价:";
  satisfied.title = "满意";
  satisfied.checked = true;
  satisfied.onPress = [this] { onSatisfactionBox(); };
  unsatisfied.title = "不满意";
  unsatisfied.onPress = [this] { onUnSatisfactionBox(); };
  submit.title = "提交";
  submit.onPress = [this] { uploadMsg(); };
  add(moduleRow);
  add(addrText);
  add(rating);
  add(satisfied);
  add(unsatisfied);
  add(submit);
}

void YIjianVC::setModuleLabel(const std::string& text) {
  moduleRow.sections[0].rows[0].detail = text;
}

void YIjianVC::onSelect() {
  addrText.focused = false;
  FeedbackTypeSelectView::show(guard([this](const std::string& module) {
    strType = module;
    setModuleLabel(module);
  }));
}

void YIjianVC::onSatisfactionBox() {
  satisfied.checked = true;
  unsatisfied.checked = false;
  bagree = true;
}

void YIjianVC::onUnSatisfactionBox() {
  satisfied.checked = false;
  unsatisfied.checked = true;
  bagree = false;
}

void YIjianVC::uploadMsg() {
  if (onlyBlanks(addrText.text)) {
    ui::Ui::current().alerts->show({"", "意见为空", {"好"}});
    return;
  }
  FeedBack record = FeedBack::make();
  record.type = strType;
  record.message = addrText.text;
  record.agreement = bagree ? "满意" : "一般";
  if (!upload_) {
    upload_ = std::make_unique<UploadFeedback>();
    upload_->delegate = this;
  }
  upload_->uploadFeedback(record);
  ui::Ui::current().hud->showBusy("正在发送", /*blocksTouches=*/true);
}

void YIjianVC::feedbackResponse(bool success) {
  ui::Hud& hud = *ui::Ui::current().hud;
  if (success) {
    addrText.text.clear();
    hud.dismiss();
  } else {
    hud.showError("发送失败", 1.0);
  }
}

}  // namespace vokari
