#include "LoginAndRegister/Reset/ResetPasswordViewController.h"

#include "LoginAndRegister/Reset/ResetAuthCodeViewController.h"
#include "common/ResendCountdown.h"
#include "core/Extern.h"
#include "platform/Platform.h"
#include "ui/Ui.h"

namespace vokari {

ResetPasswordViewController::ResetPasswordViewController() : ui::Screen("修改密码") {
  backOnRoot = true;
  txUser.placeholder = "手机号";
  txUser.keyboard = ui::Keyboard::NumberPad;
  btNext.title = "下一步";
  btNext.onPress = [this] { next(); };
  // "下一步" stays off from the press until the verification screen opens, so one press sends
  // one code.
  getcode.onReply = [this](bool accepted) {
    if (!accepted) {
      btNext.enabled = true;
      return;
    }
    openTimer_ = Platform::current().loop->after(1.0, [this] { openVerification(); });
  };
  getcode.onFailure = [this] { btNext.enabled = true; };
  add(txUser);
  add(btNext);
}

void ResetPasswordViewController::viewWillAppear() {
  txUser.focused = true;
}

void ResetPasswordViewController::backPressed() {
  getcode.cancel();
  openTimer_.cancel();
  ui::Ui::current().hud->dismiss();
  dismiss();
}

void ResetPasswordViewController::next() {
  txUser.focused = false;
  if (Extern::textLength(txUser.text) != 11) {
    ++txUser.shakes;
    ui::Ui::current().hud->showError("请输入以1开头的11位手机号码！", 1.0);
    return;
  }
  // The number as pressed: an edit while the code is on its way must not change where it went.
  strPhone_ = txUser.text;
  // A countdown still running from an earlier visit means a code is already on its way there.
  if (ResendCountdown::storedTimeCode(kTimeResetCodeKey, strPhone_) != 0) return openVerification();
  btNext.enabled = false;
  getcode.sendMsg(strPhone_);
}

void ResetPasswordViewController::openVerification() {
  btNext.enabled = true;
  if (!isTop()) return;
  push(std::make_shared<ResetAuthCodeViewController>(strPhone_));
}

}  // namespace vokari
