#include "LoginAndRegister/Reset/ResetAuthCodeViewController.h"

#include "core/Extern.h"
#include "core/FieldRules.h"
#include "transport/ServiceCall.h"
#include "ui/Ui.h"

namespace vokari {

ResetAuthCodeViewController::ResetAuthCodeViewController(std::string phone)
    : ui::Screen("完成修改"),
      strPhone(std::move(phone)),
      resend_(GetCodeRequest::kResetPassword, strPhone, kTimeResetCodeKey, btSendCode) {
  txAuthCodeInput.placeholder = "请输入短信验证码";
  txAuthCodeInput.keyboard = ui::Keyboard::NumberPad;
  txAuthCodeInput.onReturn = [this] {
    txAuthCodeInput.focused = false;
    txNewPwdInput.focused = true;
  };
  txNewPwdInput.placeholder = "密码";
  txNewPwdInput.secure = true;
  txNewPwdInput.onReturn = [this] { txNewPwdInput.focused = false; };
  btModify.title = "修改密码";
  btModify.onPress = [this] { modify(); };
  add(txAuthCodeInput);
  add(btSendCode);
  add(txNewPwdInput);
  add(showPassword);
  add(btModify);
}

void ResetAuthCodeViewController::viewDidLoad() {
  resend_.start();
  txAuthCodeInput.focused = true;
}

void ResetAuthCodeViewController::backPressed() {
  resetPwdRequest.reset();
  resend_.leave(true);
  pop();
}

void ResetAuthCodeViewController::modify() {
  if (Extern::isEmptyStringTrim(txAuthCodeInput.text)) {
    ui::Ui::current().alerts->show({"", "请输入验证码", {"好"}});
    return;
  }
  if (!FieldRules::isPassword(txNewPwdInput.text)) {
    ++txNewPwdInput.shakes;
    ui::Ui::current().hud->showError("请输入6-30位长度密码！", 1.0);
    return;
  }
  JsonCall call;
  call.action = "modifyPassword";
  call.body = {
      {"LOGIN_NAME", strPhone}, {"PASSWORD", txNewPwdInput.text}, {"CODE", txAuthCodeInput.text}};
  call.delegate = this;
  startJsonCall(resetPwdRequest, call);
  setWaiting(true);
}

// The service spends the code on the first request it sees, so nothing may cut that one short
// (a second press, or back) while its outcome is unknown: a refusal of a second one would tell
// the user the change failed when it went through.
void ResetAuthCodeViewController::setWaiting(bool waiting) {
  btModify.enabled = !waiting;
  backEnabled = !waiting;
}

void ResetAuthCodeViewController::requestFinished(HttpRequest& request) {
  setWaiting(false);
  JsonReply reply = readJsonReply(request, Backend::Account);
  if (Extern::isEmptyStringTrim(reply.text)) return;
  ui::Ui& ui = ui::Ui::current();
  if (reply.verdict != ReplyVerdict::Success) {
    ui.hud->showError("修改密码失败", 0.8);
    return;
  }
  txAuthCodeInput.text.clear();
  txNewPwdInput.text.clear();
  ui.hud->showSuccess("修改密码成功", 0.8);
  if (!isTop()) return;
  // A fresh stack: nothing of the reset road stays behind the login screen.
  if (auto login = ui.screens->login()) ui.navigator->setRoot(std::move(login));
}

void ResetAuthCodeViewController::requestFailed(HttpRequest& /*request*/) {
  setWaiting(false);
  ui::Ui::current().hud->showError("连接失败", 1.0);
}

}  // namespace vokari
