#pragma once
// The registration form: a phone number and a password, then a text-message code for the
// number (unless a countdown from an earlier visit is still alive) and on to the verification
// screen. It is the root of a stack of its own, opened from the login screen.

#include <memory>
#include <string>

#include "common/CodeSender.h"
#include "common/ShowPasswordToggle.h"
#include "platform/RunLoop.h"
#include "ui/Screen.h"

namespace vokari {

class RegisterViewController final : public ui::Screen {
 public:
  RegisterViewController();

  // Cancels the code request, dismisses the overlay and closes the registration stack.
  void backPressed() override;

  // Copied from the inputs when the form moves on, and handed to the verification screen.
  std::string phone_number;
  std::string password;

 private:
  void next();
  void openAuthCode();

  ui::TextField phone_;
  ui::TextField password_;
  ui::CheckBox showPassword_;
  ui::Button next_;
  ShowPasswordToggle isShow_{showPassword_, password_};
  CodeSender getcode{GetCodeRequest::kRegister, 0.8};
  Timer openTimer_;
};

}  // namespace vokari
