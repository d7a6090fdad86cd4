#pragma once
// Sends one SOS text of a running alarm to the general back-end. Replies and failures are not
// read: the alarm's next scheduled send is the only repetition. Main thread only.

#include <memory>
#include <string>
#include <string_view>

namespace vokari {

class HttpRequest;

class UploadLocation final {
 public:
  UploadLocation() = default;
  UploadLocation(const UploadLocation&) = delete;
  UploadLocation& operator=(const UploadLocation&) = delete;

  // Posts the text as the raw UTF-8 body to "serverAgent!sosForIOS.action" with the header
  // "<request URL>: sendLocationBaidu" and a 30-second time-out. Every send is kept alive to
  // run to its end, without a listener: sends of one alarm never cut each other short, and
  // neither does this object going away.
  void uploadCurrentLocation(std::string_view text);
  // Cancels the latest send if it is still running; used when a new alarm starts.
  void cancelUpload();

  // The latest send while it runs (for inspection); none once it has ended.
  std::shared_ptr<HttpRequest> upload() const { return latest_.lock(); }

 private:
  std::weak_ptr<HttpRequest> latest_;
};

// The SOS text: {"SOS":"time β0β0β1β alarmId β1β phone βll=longitude|latitude"} with U+03B2
// between the fields (no blanks) and six decimals per coordinate, longitude first.
std::string sosText(std::string_view time, std::string_view alarmId, std::string_view phone,
                    double longitude, double latitude);

}  // namespace vokari
