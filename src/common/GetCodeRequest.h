#pragma once
// The verification-code request of the account service, used by every screen that checks a
// text-message code: registration (type 0), password reset (type 1) and phone change (type 2).
// Main thread only.

#include <string>

#include "transport/RequestHandle.h"

namespace vokari {

// Told the outcome of a code request. Both callbacks are optional to answer.
class GetCodeDelegate {
 public:
  virtual ~GetCodeDelegate() = default;
  // The reply text (empty when the reply had no readable body).
  virtual void responseSuccess(const std::string& /*reply*/) {}
  virtual void responseFailed(const HttpError& /*error*/) {}
};

class GetCodeRequest final : public HttpRequestDelegate {
 public:
  enum Type { kRegister = 0, kResetPassword = 1, kChangePhone = 2 };

  // Going away cancels the request in flight (its handle does): no callback follows.
  explicit GetCodeRequest(int type) : type(type) {}
  GetCodeRequest(const GetCodeRequest&) = delete;
  GetCodeRequest& operator=(const GetCodeRequest&) = delete;

  // Starts one request for a code sent to the phone, cancelling one still in flight. Type 1
  // asks "modifyPasswordCode" with {"LOGIN_NAME", "PASSWORD": "0"}; the others ask "getCode"
  // with {"PHONE_NUMBER"}.
  void getCodeWithPhoneNumber(const std::string& phone);
  // Detaches from the request in flight and cancels it; no callback follows.
  void cancel();

  // What every code screen does with a reply: "1" dismisses the overlay and answers true;
  // anything else ends the overlay with "获取短信验证码失败" after the screen's delay.
  static bool handleReply(const std::string& reply, double failureDelay);
  // What every code screen does on a transport failure: "连接失败" for 1 s.
  static void handleFailure();

  int type;
  // Not owned. The delegate owns this object (or outlives it), so it is never told anything
  // after it is gone.
  GetCodeDelegate* getcodeDelegate = nullptr;
  RequestHandle getCodeRequest;

 private:
  void requestFinished(HttpRequest& request) override;
  void requestFailed(HttpRequest& request) override;
};

}  // namespace vokari
