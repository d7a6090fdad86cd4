#pragma once
// The password-reset form ("修改密码"): the phone number that receives the code. Opened as a
// navigation stack of its own from the login screen; back closes that stack.

#include <memory>
#include <string>

#include "common/GetCodeRequest.h"
#include "platform/RunLoop.h"
#include "ui/Screen.h"

namespace vokari {

class ResetPasswordViewController final : public ui::Screen, public GetCodeDelegate {
 public:
  ResetPasswordViewController();
  ~ResetPasswordViewController() override;

  void viewWillAppear() override;
  void backPressed() override;
  void responseSuccess(const std::string& reply) override;
  void responseFailed(const HttpError& error) override;

  ui::TextField txUser;
  ui::Button btNext;

 private:
  void next();
  void openVerification();

  std::unique_ptr<GetCodeRequest> getcode;
  Timer openTimer_;
};

}  // namespace vokari
