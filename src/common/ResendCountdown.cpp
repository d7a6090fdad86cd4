#include "common/ResendCountdown.h"

#include <cstdlib>

#include "platform/Platform.h"

namespace vokari {
namespace {

constexpr const char* kResendTitle = "重发验证码";

// Reads a count the way the stored "%i" text was meant to be read back: leading blanks, an
// optional sign and digits; anything else counts as 0.
int intValue(const std::string& text) {
  long value = std::strtol(text.c_str(), nullptr, 10);
  if (value > 1000000 || value < -1000000) return 0;
  return static_cast<int>(value);
}

}  // namespace

ResendCountdown::ResendCountdown(std::string cacheKey, std::string phone, ui::Button& btSendCode,
                                 std::function<void()> sendMsg)
    : cacheKey_(std::move(cacheKey)),
      phone_(std::move(phone)),
      btSendCode_(btSendCode),
      sendMsg_(std::move(sendMsg)) {
  btSendCode_.title = title(kStartSeconds);
  btSendCode_.onPress = [this] { resendPressed(); };
  btSendCode_.role = ui::ButtonRole::Secondary;  // beside the form's own action
}

std::string ResendCountdown::title(int seconds) {
  return std::string(kResendTitle) + "(" + std::to_string(seconds) + ")";
}

int ResendCountdown::storedTimeCode(const std::string& cacheKey, const std::string& phone) {
  ExpiringCache& cache = *Platform::current().cache;
  if (cache.get(cacheKey + kPhoneKeySuffix) != phone) return 0;
  std::optional<std::string> stored = cache.get(cacheKey);
  return stored ? intValue(*stored) : 0;
}

void ResendCountdown::start() {
  int stored = storedTimeCode(cacheKey_, phone_);
  timeCode_ = stored != 0 ? stored : kStartSeconds;
  btSendCode_.title = title(timeCode_);
  fireTimerAuthCode();
}

void ResendCountdown::fireTimerAuthCode() {
  if (!ticking()) startTimer();
  if (timeCode_ == 0 && sendMsg_) sendMsg_();
  btSendCode_.enabled = false;
}

// The control is only enabled after a countdown ended, and its title then offers a resend, so
// a press asks for a new code as well as restarting the count.
void ResendCountdown::resendPressed() {
  if (timeCode_ != 0 && sendMsg_) sendMsg_();  // at 0 fireTimerAuthCode asks already
  fireTimerAuthCode();
}

void ResendCountdown::startTimer() {
  timerCode_ = Platform::current().loop->every(1.0, [this] { updateTimeCode(); });
}

void ResendCountdown::updateTimeCode() {
  btSendCode_.title = title(timeCode_);
  if (timeCode_ < 1) {
    timerCode_.cancel();
    timeCode_ = kStartSeconds;
    btSendCode_.enabled = true;
    btSendCode_.title = kResendTitle;
  } else {
    --timeCode_;
  }
}

void ResendCountdown::saveTimecode() {
  if (btSendCode_.enabled || timeCode_ <= 0) return;
  ExpiringCache& cache = *Platform::current().cache;
  cache.set(cacheKey_, std::to_string(timeCode_), timeCode_);
  cache.set(cacheKey_ + kPhoneKeySuffix, phone_, timeCode_);
}

}  // namespace vokari
