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
  add(txUser);
  add(btNext);
}

ResetPasswordViewController::~ResetPasswordViewController() {
  if (getcode) getcode->cancel();
}

void ResetPasswordViewController::viewWillAppear() { txUser.focused = true; }

void ResetPasswordViewController::backPressed() {
  if (getcode) getcode->cancel();
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
  // A countdown still running from an earlier visit means a code is already on its way.
  if (ResendCountdown::storedTimeCode(kTimeResetCodeKey) != 0) return openVerification();
  btNext.enabled = false;
  ui::Ui::current().hud->showBusy("正在获取短信验证码...");
  getcode = std::make_unique<GetCodeRequest>(GetCodeRequest::kResetPassword);
  getcode->getcodeDelegate = std::static_pointer_cast<ResetPasswordViewController>(shared_from_this());
  getcode->getCodeWithPhoneNumber(txUser.text);
}

void ResetPasswordViewController::responseSuccess(const std::string& reply) {
  btNext.enabled = true;
  if (!GetCodeRequest::handleReply(reply, 0.8)) return;
  openTimer_ = Platform::current().loop->after(1.0, [this] { openVerification(); });
}

void ResetPasswordViewController::responseFailed(const HttpError& /*error*/) {
  btNext.enabled = true;
  GetCodeRequest::handleFailure();
}

void ResetPasswordViewController::openVerification() {
  btNext.enabled = true;
  push(std::make_shared<ResetAuthCodeViewController>(txUser.text));
}

}  // namespace vokari
