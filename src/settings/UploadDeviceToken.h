#pragma once
// Reports the device's push token and its unread count to the general service, so that it can
// send police news to this phone. Failures are silent: the next token delivery or notification
// sends again. Main thread only.

#include <optional>
#include <string>
#include <string_view>

namespace vokari {

class UploadDeviceToken final {
 public:
  // The printed form of raw token bytes: lower-case hex in blocks of 8 digits separated by
  // blanks, inside angle brackets ("<0123abcd 89ef4567>").
  static std::string printedToken(std::string_view bytes);
  // The text sent as "TOKEN": the printed form without its first and last character.
  static std::string tokenText(std::string_view printed);

  // Sends {"TOKEN", "NUM"} to getToken. Nothing is sent when the printed token is shorter than
  // 2 characters or there is no badge text. Overlapping calls each make their own request.
  void uploadDeviceToken(const std::string& printedForm, std::optional<std::string> badgeNum);
};

}  // namespace vokari
