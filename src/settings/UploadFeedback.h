#pragma once
// Sends one feedback record to the general service and tells its delegate whether the service
// accepted it. Main thread only.

#include <memory>
#include <optional>
#include <string>

#include "settings/FeedBack.h"
#include "transport/RequestHandle.h"

namespace vokari {

class FeedbackDelegate {
 public:
  virtual ~FeedbackDelegate() = default;
  // Yes when the service answered "SUCCESS"; no for any other reply or a failed request.
  virtual void feedbackResponse(bool success) = 0;
};

class UploadFeedback final : public HttpRequestDelegate {
 public:
  // Going away cancels a send in flight (its handle does): its outcome is dropped.
  UploadFeedback() = default;
  UploadFeedback(const UploadFeedback&) = delete;
  UploadFeedback& operator=(const UploadFeedback&) = delete;

  // Sends the record (nothing for an absent one), cancelling a send still in flight.
  void uploadFeedback(const std::optional<FeedBack>& record);
  // The record's JSON text with the eight keys; a key whose value is missing is left out.
  static std::optional<std::string> buildFeedbackJson(const std::optional<FeedBack>& record);

  FeedbackDelegate* delegate = nullptr;  // not owned

 private:
  void requestFinished(HttpRequest& request) override;
  void requestFailed(HttpRequest& request) override;
  void tell(bool success);

  RequestHandle request_;
};

}  // namespace vokari
