#pragma once
// What every screen that asks for a text-message code does with the request: the busy overlay,
// one GetCodeRequest of the screen's type at a time, the shared judging of the outcome, and
// cancelling on the way out. CodeResend adds the resend countdown of the screens where the code
// is typed. Main thread only.

#include <functional>
#include <memory>
#include <string>

#include "common/GetCodeRequest.h"
#include "common/ResendCountdown.h"
#include "ui/Widgets.h"

namespace vokari {

class CodeSender final : private GetCodeDelegate {
 public:
  // failureDelay: how long a refusal's notice stays up on this screen.
  CodeSender(GetCodeRequest::Type type, double failureDelay);
  CodeSender(const CodeSender&) = delete;
  CodeSender& operator=(const CodeSender&) = delete;

  // Shows "正在获取短信验证码..." and asks a code for the phone, replacing a request in flight.
  void sendMsg(const std::string& phone);
  // Detaches from the request in flight; no callback follows. Going away does the same.
  void cancel();

  // Told after the shared handling: accepted means the code is on its way (overlay gone).
  std::function<void(bool accepted)> onReply;
  // Told after "连接失败" is shown.
  std::function<void()> onFailure;

 private:
  void responseSuccess(const std::string& reply) override;
  void responseFailed(const HttpError& error) override;

  const GetCodeRequest::Type type_;
  const double failureDelay_;
  std::unique_ptr<GetCodeRequest> getcode_;  // ours: it cannot call us once we are gone
};

// The request and resend countdown of a screen where the code is typed. The countdown asks for
// a new code for the screen's number, and is kept for that number; refusals show for 1 s.
class CodeResend final {
 public:
  // btSendCode is the screen's resend control and must outlive this object.
  CodeResend(GetCodeRequest::Type type, std::string phone, std::string cacheKey,
             ui::Button& btSendCode);

  // On opening the screen: resumes or starts the countdown.
  void start() { countdown_.start(); }
  // On going back: cancels the code request, removes the overlay and, when asked, keeps a
  // running count for a later visit.
  void leave(bool keepCountdown);

  const ResendCountdown& countdown() const { return countdown_; }

 private:
  const std::string phone_;
  CodeSender sender_;
  ResendCountdown countdown_;
};

}  // namespace vokari
