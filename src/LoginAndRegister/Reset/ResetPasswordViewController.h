#pragma once
// The password-reset form ("修改密码"): the phone number that receives the code. Opened as a
// navigation stack of its own from the login screen; back closes that stack.

#include <memory>
#include <string>

#include "common/CodeSender.h"
#include "platform/RunLoop.h"
#include "ui/Screen.h"

namespace vokari {

class ResetPasswordViewController final : public ui::Screen {
 public:
  ResetPasswordViewController();

  void viewWillAppear() override;
  void backPressed() override;

  ui::TextField txUser;
  ui::Button btNext;

 private:
  void next();
  void openVerification();

  std::string strPhone_;  // the number the code was asked for
  CodeSender getcode{GetCodeRequest::kResetPassword, 0.8};
  Timer openTimer_;
};

}  // namespace vokari
