#pragma once
// The login screen: signs a registered user in against the appointment service, stores the
// account and completes it with the personal information the service holds. Start screen when
// nobody is signed in, and where every account anomaly leads.

#include <memory>
#include <string>

#include "common/ShowPasswordToggle.h"
#include "platform/RunLoop.h"
#include "transport/RequestHandle.h"
#include "ui/Screen.h"

namespace vokari {

class LoginViewController final : public ui::Screen, public HttpRequestDelegate {
 public:
  static constexpr int kLoginTag = 1001;
  static constexpr int kPersonTag = 1002;

  LoginViewController();

  void viewDidLoad() override;
  void requestFinished(HttpRequest& request) override;
  void requestFailed(HttpRequest& request) override;

  const ui::TextField& phoneField() const { return phone_; }
  const ui::TextField& passwordField() const { return password_; }

 private:
  void login();
  void loginFinished(HttpRequest& request);
  void findInformation();
  void personFinished(HttpRequest& request);
  void registerPressed();
  void forgotPressed();
  void setSignedIn(bool signedIn);
  void abandonLogin();

  ui::TextField phone_;
  ui::TextField password_;
  ui::CheckBox showPassword_;
  ui::Button btLogin;
  ui::Button forgot_;
  ShowPasswordToggle isShow_{showPassword_, password_};
  RequestHandle loginRequest;
  RequestHandle personRequest;
  Timer focusTimer_;
  Timer mainTimer_;
};

}  // namespace vokari
