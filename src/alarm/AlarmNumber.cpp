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
  add(tf_phone);
  add(explanation);
}

AlarmNumber::~AlarmNumber() {
  if (getcode) getcode->cancel();
}

void AlarmNumber::viewDidLoad() { tf_phone.text = storedPhone(); }

void AlarmNumber::viewWillAppear() { tf_phone.focused = true; }

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
  if (ResendCountdown::storedTimeCode(kTimeResetCodeKey) != 0) return openPhoneChange(newPhone);
  ui::Ui::current().hud->showBusy("正在获取短信验证码...");
  getcode = std::make_unique<GetCodeRequest>(GetCodeRequest::kChangePhone);
  getcode->getcodeDelegate = std::static_pointer_cast<AlarmNumber>(shared_from_this());
  getcode->getCodeWithPhoneNumber(newPhone);
  backEnabled = false;
}

void AlarmNumber::responseSuccess(const std::string& reply) {
  backEnabled = true;
  if (GetCodeRequest::handleReply(reply, 0.8)) openPhoneChange(tf_phone.text);
}

void AlarmNumber::responseFailed(const HttpError& /*error*/) {
  backEnabled = true;
  GetCodeRequest::handleFailure();
}

void AlarmNumber::openPhoneChange(const std::string& newPhone) {
  if (auto screen = ui::Ui::current().screens->phoneNumberSet(newPhone)) push(std::move(screen));
}

}  // namespace vokari
