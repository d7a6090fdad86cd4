#include "LoginAndRegister/PhoneNumberSetViewController.h"

#include "common/StoredItem.h"
#include "core/Extern.h"
#include "storage/AccountManager.h"
#include "storage/StorageNotice.h"
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

namespace {
constexpr const char* kPhoneChangeUnfinished = "号码已修改，本机资料将在下次启动时更新";
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
  AccountManager& accounts = AccountManager::sharedAccountManage();
  // The service has the new number whatever happens here: the change is only a success once the
  // account, its folder and its database have it too. A step that fails is finished at the next
  // start.
  Status changed = accounts.isLogin()
                       ? accounts.changePhoneNumber(storedItem("phone_number"), strNewPhoneNum)
                       : Status::success();
  if (changed) {
    hud.showSuccess("修改成功", 0.8);
  } else {
    hud.showError(changed.diskFull() ? kDiskFullNotice : kPhoneChangeUnfinished,
                  kStorageNoticeSeconds);
  }
  if (isTop()) pop();
}

void PhoneNumberSetViewController::requestFailed(HttpRequest& /*request*/) {
  setWaiting(false);
  ui::Ui::current().hud->showError("连接失败", 1.0);
}

}  // namespace vokari
