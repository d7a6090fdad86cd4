#pragma once
// The reset verification screen ("完成修改"): the text-message code and the new password, with
// the resend countdown shared with the phone change. Success leads to the login screen.

#include <memory>
#include <string>

#include "common/CodeSender.h"
#include "common/ShowPasswordToggle.h"
#include "transport/RequestHandle.h"
#include "ui/Screen.h"

namespace vokari {

class ResetAuthCodeViewController final : public ui::Screen, public HttpRequestDelegate {
 public:
  explicit ResetAuthCodeViewController(std::string strPhone);

  void viewDidLoad() override;
  void backPressed() override;  // back: keeps a running countdown for a later visit
  void requestFinished(HttpRequest& request) override;
  void requestFailed(HttpRequest& request) override;

  const std::string strPhone;
  const ResendCountdown& countdown() const { return resend_.countdown(); }

  ui::TextField txAuthCodeInput;
  ui::Button btSendCode;
  ui::TextField txNewPwdInput;
  ui::CheckBox showPassword;
  ui::Button btModify;

 private:
  void modify();
  void setWaiting(bool waiting);

  ShowPasswordToggle isShow_{showPassword, txNewPwdInput};
  CodeResend resend_;
  RequestHandle resetPwdRequest;
};

}  // namespace vokari
