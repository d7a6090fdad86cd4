#include "LoginAndRegister/Register/AuthCodeViewController.h"

#include "LoginAndRegister/Register/AgreementVC.h"
#include "core/Extern.h"
#include "core/FieldRules.h"
#include "core/IsIdCard.h"
#include "platform/Platform.h"
#include "transport/ServiceCall.h"
#include "ui/Ui.h"

namespace vokari {

AuthCodeViewController::AuthCodeViewController(std::string phone, std::string pass)
    : ui::Screen("完成注册"),
      phone_number(std::move(phone)),
      password(std::move(pass)),
      resend_(GetCodeRequest::kRegister, phone_number, kTimeRegCodeKey, btSendCode) {
  code_.placeholder = "请输入短信验证码";
  code_.keyboard = ui::Keyboard::NumberPad;
  name_.placeholder = "姓名";
  idCard_.placeholder = "身份证";
  idCard_.keyboard = ui::Keyboard::NumbersAndPunctuation;
  code_.onReturn = [this] { code_.focused = false; };
  name_.onReturn = [this] {
    name_.focused = false;
    idCard_.focused = true;
  };
  idCard_.onReturn = [this] { idCard_.focused = false; };
  submit_.title = "完成";
  submit_.onPress = [this] { submit(); };
  add(code_);
  add(btSendCode);
  add(name_);
  add(idCard_);
  add(submit_);
}

void AuthCodeViewController::viewDidLoad() {
  resend_.start();
}

void AuthCodeViewController::backPressed() {
  resend_.leave(true);
  pop();
}

void AuthCodeViewController::alert(const std::string& message) {
  ui::Ui::current().alerts->show({"", message, {"好"}});
}

void AuthCodeViewController::submit() {
  if (!FieldRules::isVerificationCode(code_.text)) return alert("请输入验证码");
  if (!FieldRules::isFullName(name_.text)) return alert("请输入正确的姓名");
  if (!IsIdCard::personIdValidation(idCard_.text)) return alert("请输入正确的身份证号码");
  // The screen takes no input until the outcome, as if the registration ran on the main thread.
  ui::Ui::current().hud->showBusy("正在注册...", true);
  nlohmann::json body = registerBody();
  startJsonCall(request, {.action = "register", .body = body, .delegate = this, .userInfo = body});
}

nlohmann::json AuthCodeViewController::registerBody() const {
  std::optional<std::string> token = Platform::current().settings->get("token");
  return {{"PHONE_NUMBER", phone_number},
          {"PASSWORD", password},
          {"CODE", code_.text},
          {"MOBILE_TYPE", "2"},
          {"NAME", name_.text},
          {"SF_CODE", idCard_.text},
          {"SEX", IsIdCard::getSex(idCard_.text)},
          {"TOKEN", Extern::isEmptyStringTrim(token) ? "" : *token}};
}

nlohmann::json AuthCodeViewController::accountRecord(const nlohmann::json& body) {
  return {{"phone_number", body.value("PHONE_NUMBER", "")},
          {"password", body.value("PASSWORD", "")},
          {"newsbookarea", "2,3,4,5,6,7,8,9,10,11"},
          {"idcard_number", body.value("SF_CODE", "")},
          {"username", body.value("NAME", "")},
          {"idcard_type", "身份证"},
          {"sex", body.value("SEX", 0)}};
}

void AuthCodeViewController::requestFinished(HttpRequest& finished) {
  ui::Hud& hud = *ui::Ui::current().hud;
  JsonReply reply = readJsonReply(finished, Backend::Account);
  if (Extern::isEmptyStringTrim(reply.text)) {
    hud.dismiss();  // nothing to tell, but the screen must take input again
    return;
  }
  if (reply.verdict == ReplyVerdict::Success) {
    hud.showSuccess("注册成功", 1.0);
    if (isTop())
      push(std::make_shared<AgreementVC>(accountRecord(finished.userInfo()), phone_number));
  } else if (reply.verdict == ReplyVerdict::Refused) {
    hud.showError("此账号已存在，请直接登录", 1.0);
  } else {
    hud.showError("注册失败", 1.0);
  }
}

void AuthCodeViewController::requestFailed(HttpRequest& /*failed*/) {
  ui::Ui::current().hud->showError("连接失败", 1.0);
}

}  // namespace vokari
