#include "common/CodeSender.h"

#include "ui/Ui.h"

namespace vokari {

CodeSender::CodeSender(GetCodeRequest::Type type, double failureDelay)
    : type_(type), failureDelay_(failureDelay) {}

void CodeSender::sendMsg(const std::string& phone) {
  ui::Ui::current().hud->showBusy("正在获取短信验证码...");
  getcode_ = std::make_unique<GetCodeRequest>(type_);
  getcode_->getcodeDelegate = this;
  getcode_->getCodeWithPhoneNumber(phone);
}

void CodeSender::cancel() {
  if (getcode_) getcode_->cancel();
}

void CodeSender::responseSuccess(const std::string& reply) {
  bool accepted = GetCodeRequest::handleReply(reply, failureDelay_);
  if (onReply) onReply(accepted);
}

void CodeSender::responseFailed(const HttpError& /*error*/) {
  GetCodeRequest::handleFailure();
  if (onFailure) onFailure();
}

CodeResend::CodeResend(GetCodeRequest::Type type, std::string phone, std::string cacheKey,
                       ui::Button& btSendCode)
    : phone_(std::move(phone)),
      sender_(type, 1.0),
      countdown_(std::move(cacheKey), phone_, btSendCode, [this] { sender_.sendMsg(phone_); }) {}

void CodeResend::leave(bool keepCountdown) {
  sender_.cancel();
  ui::Ui::current().hud->dismiss();
  if (keepCountdown) countdown_.saveTimecode();
}

}  // namespace vokari
