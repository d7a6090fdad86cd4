#include "LoginAndRegister/Register/AgreementVC.h"

#include "LoginAndRegister/Register/AgreementText.h"
#include "common/JsonRow.h"
#include "storage/AccountManager.h"
#include "ui/Ui.h"

namespace vokari {

AgreementVC::AgreementVC() : AgreementVC(nlohmann::json::object(), "") {}

AgreementVC::AgreementVC(nlohmann::json account, std::string phone)
    : ui::Screen("安装协议"), dicAccount(std::move(account)), phoneNum(std::move(phone)) {
  text_.text = kAgreementText;
  accept_.title = "同意";
  accept_.onPress = [this] { agree(); };
  add(text_);
  add(accept_);
}

// Read at every appearance: signing in elsewhere must hide the control, and a page opened
// without an account has nothing to accept.
void AgreementVC::viewWillAppear() {
  accept_.hidden = AccountManager::sharedAccountManage().isLogin() || phoneNum.empty();
}

void AgreementVC::agree() {
  if (!AccountManager::sharedAccountManage().signIn(phoneNum, rowFromJson(dicAccount))) {
    ui::Ui::current().hud->showError("登陆失败", 1.0);  // the account is the service's; login works
    return;
  }
  pushToMain();
}

void AgreementVC::pushToMain() {
  accept_.hidden = true;  // signed in now; a second press would store the account again
  if (auto main = ui::Ui::current().screens->main()) present(main);
}

}  // namespace vokari
