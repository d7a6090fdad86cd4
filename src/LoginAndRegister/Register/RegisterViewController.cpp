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
  getcode.onReply = [this](bool accepted) {
    if (!accepted) {
      next_.enabled = true;
      return;
    }
    openTimer_ = Platform::current().loop->after(1.0, [this] { openAuthCode(); });
  };
  getcode.onFailure = [this] { next_.enabled = true; };
  add(phone_);
  add(password_);
  add(showPassword_);
  add(next_);
}

void RegisterViewController::backPressed() {
  getcode.cancel();
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
  // The code of an earlier visit is still valid, if it went to this number.
  if (ResendCountdown::storedTimeCode(kTimeRegCodeKey, phone_number) != 0) return openAuthCode();
  // Off until the code screen opens: a second press would send a second text with another code.
  next_.enabled = false;
  getcode.sendMsg(phone_number);
}

void RegisterViewController::openAuthCode() {
  next_.enabled = true;
  if (!isTop()) return;
  push(std::make_shared<AuthCodeViewController>(phone_number, password));
}

}  // namespace vokari
