#pragma once
// The second registration step: the text-message code, the name and the identity number, with
// the resend countdown. It sends the registration and, once accepted, opens the agreement.

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "common/CodeSender.h"
#include "transport/RequestHandle.h"
#include "ui/Screen.h"

namespace vokari {

class AuthCodeViewController final : public ui::Screen, public HttpRequestDelegate {
 public:
  AuthCodeViewController(std::string phone_number, std::string password);

  void viewDidLoad() override;
  // MultiBack: dismisses the overlay, cancels the code request and keeps a running countdown.
  void backPressed() override;

  void requestFinished(HttpRequest& request) override;
  void requestFailed(HttpRequest& request) override;

  // The registration body; SEX is a number and TOKEN the stored push token or "".
  nlohmann::json registerBody() const;
  // The account stored when the agreement is accepted, from the body the service accepted.
  static nlohmann::json accountRecord(const nlohmann::json& body);

  const std::string phone_number;
  const std::string password;
  const ResendCountdown& countdown() const { return resend_.countdown(); }

 private:
  void submit();
  void alert(const std::string& message);

  ui::TextField code_;
  ui::TextField name_;
  ui::TextField idCard_;
  ui::Button btSendCode;
  ui::Button submit_;
  CodeResend resend_;
  RequestHandle request;
};

}  // namespace vokari
