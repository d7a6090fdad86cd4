#include "alarm/AlarmNumber.h"

#include "common/ResendCountdown.h"
#include "core/Extern.h"
#include "storage/AccountManager.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

std::string storedPhone() {
  auto value = AccountManager::sharedAccountManage().getUserItemForKey("phone_number");
  return value ? textOf(*value).value_or("") : "";
}

}  // namespace

AlarmNumber::AlarmNumber() : ui::Screen("手机号码") {
  tf_phone.keyboard = ui::Keyboard::PhonePad;
  tf_phone.label = "手机号码";
  explanation.text = kExplanation;
  rightButton = ui::Button{};
  rightButton->title = "下一步";
  rightButton->onPress = [this] { MultiSave(); };
  getcode.onReply = [this](bool accepted) {
    setWaiting(false);
    if (accepted) openPhoneChange(newPhone_);
  };
  getcode.onFailure = [this] { setWaiting(false); };
  add(tf_phone);
  add(explanation);
}

void AlarmNumber::viewDidLoad() {
  tf_phone.text = storedPhone();
}

void AlarmNumber::viewWillAppear() {
  tf_phone.focused = true;
}

void AlarmNumber::warn(const std::string& message) {
  ui::Ui::current().alerts->show({"警告", message, {"确定"}});
}

void AlarmNumber::MultiSave() {
  const std::string newPhone = tf_phone.text;  // as typed: a leading blank makes it too long
  if (Extern::textLength(newPhone) != 11 || !newPhone.starts_with("1")) {
    return warn("请输入以1开头的11位数手机号码");
  }
  if (newPhone == storedPhone()) return warn("手机号码未更改");
  // A code asked for a moment ago (here or on the reset road) is still valid: go on with it.
  // A code for this number asked a moment ago (here or on the reset road) is still valid.
  if (ResendCountdown::storedTimeCode(kTimeResetCodeKey, newPhone) != 0) {
    return openPhoneChange(newPhone);
  }
  newPhone_ = newPhone;  // the code goes here, whatever is typed while it is on its way
  getcode.sendMsg(newPhone);
  setWaiting(true);
}

// While the code request runs, neither back nor a second "下一步" can cut it short.
void AlarmNumber::setWaiting(bool waiting) {
  backEnabled = !waiting;
  rightButton->enabled = !waiting;
}

void AlarmNumber::openPhoneChange(const std::string& newPhone) {
  if (!isTop()) return;
  if (auto screen = ui::Ui::current().screens->phoneNumberSet(newPhone)) push(std::move(screen));
}

}  // namespace vokari
