#pragma once
// The resend countdown shared by every screen that checks a text-message code: a one-second
// ticker on the main loop counts down the seconds until the resend control is offered again,
// and leaving the screen keeps the remaining seconds in the expiring cache so that a later visit
// resumes them. Beside each count the cache keeps the number the code went to, under the key
// with kPhoneKeySuffix and the same lifetime: a count only stands for that number, since a code
// screen for another number would wait for a code that was never sent. Main thread only.

#include <functional>
#include <string>

#include "platform/RunLoop.h"
#include "ui/Widgets.h"

namespace vokari {

// Cache keys: registration, and the password-reset and phone-change screens (which share one).
inline constexpr const char* kTimeRegCodeKey = "TIMEREGCODE";
inline constexpr const char* kTimeResetCodeKey = "TIMERESETCODE";
inline constexpr const char* kPhoneKeySuffix = "_PHONE";

class ResendCountdown final {
 public:
  static constexpr int kStartSeconds = 60;

  // phone is the number the screen's code goes to. btSendCode is the screen's resend control;
  // it must outlive this object (both are members of the screen). sendMsg asks for a new code
  // with the screen's type and number.
  ResendCountdown(std::string cacheKey, std::string phone, ui::Button& btSendCode,
                  std::function<void()> sendMsg);
  ResendCountdown(const ResendCountdown&) = delete;
  ResendCountdown& operator=(const ResendCountdown&) = delete;

  // On opening the screen: resumes the count stored for this number or starts at 60, then
  // fireTimerAuthCode.
  void start();
  // Starts the ticker if none runs, requests a code when the count is 0, disables the control.
  void fireTimerAuthCode();
  // One tick: shows the count, then either ends the countdown or counts one second down.
  void updateTimeCode();
  // On leaving: stores a running count under the key, with itself as the lifetime in seconds,
  // and the number beside it.
  void saveTimecode();

  int timeCode() const { return timeCode_; }
  bool ticking() const { return timerCode_.active(); }

  // The stored count of a key as the forms read it: 0 when absent, empty or not a number, and
  // 0 when the code it counts for went to a number other than phone.
  static int storedTimeCode(const std::string& cacheKey, const std::string& phone);
  static std::string title(int seconds);  // "重发验证码(%i)"

 private:
  void startTimer();
  void resendPressed();

  std::string cacheKey_;
  std::string phone_;
  ui::Button& btSendCode_;
  std::function<void()> sendMsg_;
  int timeCode_ = kStartSeconds;
  Timer timerCode_;
};

}  // namespace vokari
