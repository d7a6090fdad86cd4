#include "alarm/UploadLocation.h"

#include <charconv>

#include "core/Endpoints.h"
#include "transport/RequestHandle.h"

namespace vokari {
namespace {

constexpr std::string_view kSosAction = "sosForIOS";
constexpr std::string_view kBeta = "\xCE\xB2";  // U+03B2, the field separator the service splits on

// "%f": six decimals, never the locale's decimal comma.
std::string fixed6(double value) {
  char buffer[64];
  auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  return ec == std::errc{} ? std::string(buffer, end) : std::string("0.000000");
}

double sosTimeOut() {
  const ServiceAction* action = findServiceAction(kSosAction);
  return action ? action->timeOutSeconds : 30.0;
}

}  // namespace

std::string sosText(std::string_view time, std::string_view alarmId, std::string_view phone,
                    double longitude, double latitude) {
  std::string value;
  for (std::string_view field : {time, std::string_view("0"), std::string_view("0"),
                                 std::string_view("1"), alarmId, std::string_view("1"), phone}) {
    value.append(field).append(kBeta);
  }
  value += "ll=" + fixed6(longitude) + "|" + fixed6(latitude);
  return "{\"SOS\":\"" + value + "\"}";
}

void UploadLocation::uploadCurrentLocation(std::string_view text) {
  const std::string url = Endpoints::current().url(Backend::General, kSosAction);
  RequestHandle request(HttpRequest::initWithURL(url));
  request->setRequestMethod("POST");
  // The service recognises position reports by this header, named after the URL itself.
  request->addRequestHeader(url, "sendLocationBaidu");
  request->appendPostData(text);
  request->setTimeOutSeconds(sosTimeOut());
  request->setLane(TransferLane::Immediate);  // nothing may hold up an alarm
  request->startAsynchronous();
  // Let go on purpose: a position must reach the police even when the next send starts or the
  // alarm screen goes away. Nobody listens, so nothing can be called back.
  latest_ = request.keepAlive();
}

void UploadLocation::cancelUpload() {
  if (auto latest = latest_.lock()) latest->cancel();
}

}  // namespace vokari
