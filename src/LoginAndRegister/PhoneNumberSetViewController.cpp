#include "LoginAndRegister/PhoneNumberSetViewController.h"

#include "common/StoredItem.h"
#include "core/Extern.h"
#include "storage/AccountManager.h"
#include "transport/ServiceCall.h"
#include "ui/Ui.h"

namespace vokari {

PhoneNumberSetViewController::PhoneNumberSetViewController(std::string newPhone)
    : ui::Screen("完成修改"),
      strNewPhoneNum(std::move(newPhone)),
      resend_(GetCodeRequest::kChangePhone, strNewPhoneNum, kTimeResetCodeKey, btSendCode) {
  txAuthCodeInput.placeholder = "请输入短信验证码";
  txAuthCodeInput.keyboard = ui::Keyboard::NumberPad;
  txAuthCodeInput.onReturn = [this] { txAuthCodeInput.focused = false; };
  btSubmit.title = "提交";
  btSubmit.onPress = [this] { submit(); };
  add(txAuthCodeInput);
  add(btSendCode);
  add(btSubmit);
}

void PhoneNumberSetViewController::viewDidLoad() {
  resend_.start();
  txAuthCodeInput.focused = true;
}

void PhoneNumberSetViewController::backPressed() {
  request.reset();
  resend_.leave(false);
  pop();
}

void PhoneNumberSetViewController::submit() {
  if (Extern::isEmptyStringTrim(txAuthCodeInput.text)) {
    ui::Ui::current().alerts->show({"温馨提示", "请输入短信验证码", {"好"}});
    return;
  }
  JsonCall call;
  call.action = "changePhonenumber";
  call.body = {{"OLD_PHONE_NUMBER", storedItem("phone_number")},
               {"NEW_PHONE_NUMBER", strNewPhoneNum},
               {"PASSWORD", storedItem("password")},
               {"CODE", txAuthCodeInput.text}};
  call.delegate = this;
  startJsonCall(request, call);
  setWaiting(true);
}

// The service spends the code on the first request it sees: a second one, or back cancelling
// the first, would leave the phone on the old number while the service moved the account.
void PhoneNumberSetViewController::setWaiting(bool waiting) {
  btSubmit.enabled = !waiting;
  backEnabled = !waiting;
}

void PhoneNumberSetViewController::requestFinished(HttpRequest& finished) {
  setWaiting(false);
  JsonReply reply = readJsonReply(finished, Backend::General);
  if (Extern::isEmptyStringTrim(reply.text)) return;
  ui::Hud& hud = *ui::Ui::current().hud;
  // The general service answers "SUCCESS" elsewhere, but this action's acceptance is "1".
  if (reply.object.value("STATES", nlohmann::json()) != "1") {
    hud.showError("修改失败", 0.8);
    return;
  }
  txAuthCodeInput.text.clear();
  hud.showSuccess("修改成功", 0.8);
  AccountManager& accounts = AccountManager::sharedAccountManage();
  // The service has the new number whatever happens here; a store that keeps the old one is put
  // right by the next appointment call ("账号异常", then login with the new number).
  if (accounts.isLogin())
    static_cast<void>(accounts.changePhoneNumber(storedItem("phone_number"), strNewPhoneNum));
  if (isTop()) pop();
}

void PhoneNumberSetViewController::requestFailed(HttpRequest& /*request*/) {
  setWaiting(false);
  ui::Ui::current().hud->showError("连接失败", 1.0);
}

}  // namespace vokari
