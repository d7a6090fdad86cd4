#include "common/GetCodeRequest.h"

#include "transport/ServiceCall.h"
#include "ui/Ui.h"

namespace vokari {

void GetCodeRequest::getCodeWithPhoneNumber(const std::string& phone) {
  if (type == kResetPassword) {
    // The service wants a password field here; it carries the fixed text "0".
    startJsonCall(getCodeRequest, {.action = "modifyPasswordCode",
                                   .body = {{"LOGIN_NAME", phone}, {"PASSWORD", "0"}},
                                   .delegate = this,
                                   .userInfo = nullptr});
  } else {
    startJsonCall(getCodeRequest, {.action = "getCode",
                                   .body = {{"PHONE_NUMBER", phone}},
                                   .delegate = this,
                                   .userInfo = nullptr});
  }
}

void GetCodeRequest::cancel() {
  getCodeRequest.reset();
}

void GetCodeRequest::requestFinished(HttpRequest& request) {
  if (getcodeDelegate) getcodeDelegate->responseSuccess(jsonReplyText(request).value_or(""));
}

void GetCodeRequest::requestFailed(HttpRequest& request) {
  if (getcodeDelegate) {
    getcodeDelegate->responseFailed(request.error().value_or(HttpError::make(kHttpInternalError)));
  }
}

// A reply that is not a JSON object counts as a refusal too: otherwise the busy overlay would
// stay up with nothing left in flight.
bool GetCodeRequest::handleReply(const std::string& reply, double failureDelay) {
  ui::Hud& hud = *ui::Ui::current().hud;
  if (judgeReply(Backend::Account, replyObject(reply)) == ReplyVerdict::Success) {
    hud.dismiss();
    return true;
  }
  hud.showError("获取短信验证码失败", failureDelay);
  return false;
}

void GetCodeRequest::handleFailure() {
  ui::Ui::current().hud->showError("连接失败", 1.0);
}

}  // namespace vokari
