#include "settings/UploadDeviceToken.h"

#include "transport/ServiceCall.h"

namespace vokari {

std::string UploadDeviceToken::printedToken(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "<";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0 && i % 4 == 0) out += ' ';
    const auto byte = static_cast<unsigned char>(bytes[i]);
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0f];
  }
  return out + ">";
}

std::string UploadDeviceToken::tokenText(std::string_view printed) {
  if (printed.size() < 2) return {};
  return std::string(printed.substr(1, printed.size() - 2));
}

void UploadDeviceToken::uploadDeviceToken(const std::string& printedForm,
                                          std::optional<std::string> badgeNum) {
  if (printedForm.size() < 2 || !badgeNum) return;
  // The outcome changes nothing, so no delegate is attached and the request is let go of to run
  // to its end: it can never call back into a sender that has gone away, and overlapping
  // reports do not cancel each other.
  RequestHandle request;
  JsonCall call;
  call.action = "getToken";
  call.body = {{"TOKEN", tokenText(printedForm)}, {"NUM", *badgeNum}};
  startJsonCall(request, call);
  request.keepAlive();
}

}  // namespace vokari
