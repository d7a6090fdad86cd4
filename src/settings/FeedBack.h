#pragma once
// One opinion sent to the general service, with the facts about the phone that travel with it.

#include <optional>
#include <string>

namespace vokari {

struct FeedBack {
  std::string type;                       // "TYPE": the module; the screen fills it
  std::string message;                    // "MESSAGE": the opinion as typed
  std::string phoneType;                  // "PHONE_TYPE": the device model text
  std::string sdkVersion;                 // "SDK_VERSION": the system version
  std::string appVersion;                 // "APK_VERSION": the application version
  std::optional<std::string> mobileIMEI;  // "MOBILE_IMEI": the mobile carrier, none without one
  std::string agreement;                  // "APK_AGREEMENT": "满意" or "一般"
  std::optional<std::string> phoneNum;    // "PHONE_NUMBER": the stored account's number

  // A fresh record with the device facts and the account's number filled in.
  static FeedBack make();
};

}  // namespace vokari
