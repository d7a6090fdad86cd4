#include "LoginAndRegister/Login/LoginViewController.h"

#include "LoginAndRegister/Register/RegisterViewController.h"
#include "common/JsonRow.h"
#include "common/StoredItem.h"
#include "core/Extern.h"
#include "core/FieldRules.h"
#include "core/IsIdCard.h"
#include "platform/Platform.h"
#include "storage/AccountManager.h"
#include "transport/ServiceCall.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

// The first person of a findInformation reply as the account keys it completes. The sex is
// only derived from a number the identity check accepts; otherwise the stored one stays.
Row personAccount(const nlohmann::json& person) {
  Row row{{"idcard_type", std::string("身份证")}};
  if (auto name = person.find("schedule_name"); name != person.end()) {
    row["username"] = valueFromJson(*name);
  }
  std::optional<std::string> card = stringMember(person, "schedule_card_number");
  if (auto found = person.find("schedule_card_number"); found != person.end()) {
    row["idcard_number"] = valueFromJson(*found);
  }
  if (card && IsIdCard::personIdValidation(*card)) {
    row["sex"] = std::int64_t{IsIdCard::getSex(*card)};
  }
  return row;
}

}  // namespace

LoginViewController::LoginViewController() : ui::Screen("登录") {
  hidesBackButton = true;
  placesFocus = true;  // the phone input, a second after the screen loads
  rightButton = ui::Button{};
  rightButton->title = "注册";
  rightButton->onPress = [this] { registerPressed(); };
  phone_.placeholder = "请输入手机号";
  phone_.keyboard = ui::Keyboard::NumberPad;
  password_.placeholder = "请输入密码";
  phone_.onReturn = [this] { phone_.focused = false; };
  password_.onReturn = [this] { password_.focused = false; };
  btLogin.title = "登录";
  btLogin.onPress = [this] { login(); };
  forgot_.title = "忘记密码?";
  forgot_.onPress = [this] { forgotPressed(); };
  forgot_.role = ui::ButtonRole::Secondary;
  add(phone_);
  add(password_);
  add(showPassword_);
  add(btLogin);
  add(forgot_);
}

void LoginViewController::viewDidLoad() {
  focusTimer_ = Platform::current().loop->after(1.0, [this] { phone_.focused = true; });
}

void LoginViewController::login() {
  phone_.focused = false;
  password_.focused = false;
  ui::Hud& hud = *ui::Ui::current().hud;
  if (!FieldRules::isMobilePhone(phone_.text)) {
    ++phone_.shakes;
    hud.showError("请输入以1开头的11位手机号码！", 1.0);
    return;
  }
  if (!FieldRules::isPassword(password_.text)) {
    ++password_.shakes;
    hud.showError("请输入6-30位长度密码！", 1.0);
    return;
  }
  startJsonCall(loginRequest,
                {.action = "login",
                 .body = {{"LOGIN_NAME", phone_.text}, {"PASSWORD", password_.text}},
                 .delegate = this,
                 .tag = kLoginTag,
                 .userInfo = {{"phone_number", phone_.text}, {"password", password_.text}}});
  btLogin.enabled = false;
  hud.showBusy("登陆中...");
}

void LoginViewController::requestFinished(HttpRequest& request) {
  btLogin.enabled = true;
  if (request.tag() == kLoginTag) loginFinished(request);
  if (request.tag() == kPersonTag) personFinished(request);
}

void LoginViewController::requestFailed(HttpRequest& /*request*/) {
  btLogin.enabled = true;
  setSignedIn(false);
  ui::Ui::current().hud->showError("连接失败", 1.0);
}

void LoginViewController::loginFinished(HttpRequest& request) {
  ui::Hud& hud = *ui::Ui::current().hud;
  ReplyVerdict verdict = readJsonReply(request, Backend::Appointment).verdict;
  if (verdict == ReplyVerdict::Success) {
    Row account = rowFromJson(request.userInfo());
    account["newsbookarea"] = std::string("2,3,4,5,6,7,8,9,10,11");
    if (!AccountManager::sharedAccountManage().signIn(textOf(account, "phone_number").value_or(""),
                                                      account)) {
      hud.showError("登陆失败", 1.0);  // no account stored: the main screen would have none
      return;
    }
    setSignedIn(true);
    findInformation();  // the overlay stays up
  } else if (verdict == ReplyVerdict::Refused) {
    hud.showError("账号或密码错误", 1.0);
  } else {
    hud.showError("登陆失败", 1.0);  // also for "6": on this road it is a plain failure
  }
}

void LoginViewController::findInformation() {
  startJsonCall(personRequest, {.action = "findInformation",
                                .body = {{"LOGIN_NAME", storedItem("phone_number")},
                                         {"PASSWORD", storedItem("password")}},
                                .delegate = this,
                                .tag = kPersonTag,
                                .userInfo = nullptr});
}

// The login is accepted already: whatever this reply holds, the user goes on to the main screen.
void LoginViewController::personFinished(HttpRequest& request) {
  JsonReply reply = readJsonReply(request, Backend::Appointment);
  nlohmann::json list = reply.object.value("USER_LIST", nlohmann::json());
  if (reply.verdict == ReplyVerdict::Success && list.is_array() && !list.empty() &&
      list[0].is_object()) {
    // Not stored, the details are asked for again at the next personal-centre visit.
    static_cast<void>(
        AccountManager::sharedAccountManage().updateAccountInfo(personAccount(list[0])));
  }
  ui::Ui::current().hud->showSuccess("登陆成功", 0.8);
  mainTimer_ = Platform::current().loop->after(1.0, [this] {
    if (!isTop()) return;
    if (auto main = ui::Ui::current().screens->main()) present(main);
  });
}

// Once the login is accepted the main screen follows whatever the user does, so the forms that
// would lead elsewhere are offered only until then (and again after a transport failure).
void LoginViewController::setSignedIn(bool signedIn) {
  rightButton->enabled = !signedIn;
  forgot_.enabled = !signedIn;
}

// Leaving for another form gives up a login still waiting for its reply: it would otherwise
// lead to the main screen over the form.
void LoginViewController::abandonLogin() {
  if (!loginRequest.running()) return;
  loginRequest.reset();
  ui::Ui::current().hud->dismiss();
  btLogin.enabled = true;
}

void LoginViewController::registerPressed() {
  abandonLogin();
  ui::Ui::current().hud->dismiss();
  present(std::make_shared<RegisterViewController>());
}

void LoginViewController::forgotPressed() {
  abandonLogin();
  if (auto reset = ui::Ui::current().screens->resetPassword()) present(reset);
}

}  // namespace vokari
