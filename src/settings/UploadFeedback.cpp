#include "settings/UploadFeedback.h"

#include "transport/ServiceCall.h"

namespace vokari {
namespace {

nlohmann::json feedbackObject(const FeedBack& record) {
  nlohmann::json body{{"TYPE", record.type},
                      {"MESSAGE", record.message},
                      {"PHONE_TYPE", record.phoneType},
                      {"SDK_VERSION", record.sdkVersion},
                      {"APK_VERSION", record.appVersion},
                      {"APK_AGREEMENT", record.agreement}};
  if (record.mobileIMEI) body["MOBILE_IMEI"] = *record.mobileIMEI;
  if (record.phoneNum) body["PHONE_NUMBER"] = *record.phoneNum;
  return body;
}

}  // namespace

std::optional<std::string> UploadFeedback::buildFeedbackJson(
    const std::optional<FeedBack>& record) {
  if (!record) return std::nullopt;
  return jsonBody(feedbackObject(*record));
}

void UploadFeedback::uploadFeedback(const std::optional<FeedBack>& record) {
  if (!record) return;
  JsonCall call;
  call.action = "getClientInformation";
  call.body = feedbackObject(*record);
  call.delegate = this;
  startJsonCall(request_, call);
}

void UploadFeedback::requestFinished(HttpRequest& request) {
  tell(readJsonReply(request, Backend::General).verdict == ReplyVerdict::Success);
}

void UploadFeedback::requestFailed(HttpRequest& /*request*/) {
  tell(false);
}

void UploadFeedback::tell(bool success) {
  if (delegate) delegate->feedbackResponse(success);
}

}  // namespace vokari
