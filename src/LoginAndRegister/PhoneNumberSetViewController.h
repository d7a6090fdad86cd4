#pragma once
// The phone change ("完成修改"): the code sent to the new number; once the service accepts it,
// the user's folder, database file and account move to the new number.

#include <memory>
#include <string>

#include "common/CodeSender.h"
#include "transport/RequestHandle.h"
#include "ui/Screen.h"

namespace vokari {

class PhoneNumberSetViewController final : public ui::Screen, public HttpRequestDelegate {
 public:
  explicit PhoneNumberSetViewController(std::string strNewPhoneNum);

  void viewDidLoad() override;
  void backPressed() override;  // the countdown is not kept from here
  void requestFinished(HttpRequest& request) override;
  void requestFailed(HttpRequest& request) override;

  const std::string strNewPhoneNum;
  const ResendCountdown& countdown() const { return resend_.countdown(); }

  ui::TextField txAuthCodeInput;
  ui::Button btSendCode;
  ui::Button btSubmit;

 private:
  void submit();
  void setWaiting(bool waiting);

  CodeResend resend_;
  RequestHandle request;
};

}  // namespace vokari
