#include "LoginAndRegister/Register/RegisterViewController.h"

#include "LoginAndRegister/Register/AuthCodeViewController.h"
#include "common/ResendCountdown.h"
#include "core/Extern.h"
#include "core/FieldRules.h"
#include "platform/Platform.h"
#include "ui/Ui.h"

namespace vokari {

RegisterViewController::RegisterViewController() : ui::Screen("注册") {
  backOnRoot = true;
  phone_.placeholder = "请输入手机号";
  phone_.keyboard = ui::Keyboard::NumberPad;
  password_.placeholder = "请输入密码";
  phone_.onReturn = [this] { phone_.focused = false; };
  password_.onReturn = [this] { password_.focused = false; };
  next_.title = "下一步";
  next_.onPress = [this] { next(); };
  add(phone_);
  add(password_);
  add(showPassword_);
  add(next_);
}

RegisterViewController::~RegisterViewController() {
  if (getcode) getcode->cancel();
}

void RegisterViewController::backPressed() {
  if (getcode) getcode->cancel();
  openTimer_.cancel();
  ui::Ui::current().hud->dismiss();
  dismiss();
}

void RegisterViewController::next() {
  ui::Hud& hud = *ui::Ui::current().hud;
  // Only the length: the service is the judge of the number itself.
  if (Extern::textLength(phone_.text) != 11) {
    hud.showError("请输入以1开头的11位手机号码！", 1.0);
    return;
  }
  if (!FieldRules::isPassword(password_.text)) {
    hud.showError("请输入6-30位长度密码！", 1.0);
    return;
  }
  // The code goes to the number typed now, so that is the number the next screen registers.
  phone_number = phone_.text;
  password = password_.text;
  if (ResendCountdown::storedTimeCode(kTimeRegCodeKey) == 0) {
    requestCode();
  } else {
    openAuthCode();  // the code of the earlier visit is still valid
  }
}

void RegisterViewController::requestCode() {
  ui::Ui::current().hud->showBusy("正在获取短信验证码...");
  getcode = std::make_unique<GetCodeRequest>(GetCodeRequest::kRegister);
  getcode->getcodeDelegate = std::static_pointer_cast<RegisterViewController>(shared_from_this());
  getcode->getCodeWithPhoneNumber(phone_number);
}

void RegisterViewController::responseSuccess(const std::string& reply) {
  if (!GetCodeRequest::handleReply(reply, 0.8)) return;
  openTimer_ = Platform::current().loop->after(1.0, [this] { openAuthCode(); });
}

void RegisterViewController::responseFailed(const HttpError& /*error*/) {
  GetCodeRequest::handleFailure();
}

void RegisterViewController::openAuthCode() {
  push(std::make_shared<AuthCodeViewController>(phone_number, password));
}

}  // namespace vokari
