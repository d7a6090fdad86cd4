#include "settings/FeedBack.h"

#include "core/DeviceString.h"
#include "core/SystemInfo.h"
#include "platform/Platform.h"
#include "storage/AccountManager.h"

namespace vokari {

FeedBack FeedBack::make() {
  FeedBack record;
  const DeviceInfo& device = Platform::current().device;
  record.phoneType = DeviceString::deviceString();
  record.sdkVersion = device.systemVersion;
  record.appVersion = SystemInfo::currentAppVersion();
  // A desktop has no SIM card, so no carrier: the key is then left out.
  if (!device.carrierName.empty()) record.mobileIMEI = device.carrierName;
  if (auto phone = AccountManager::sharedAccountManage().getUserItemForKey("phone_number")) {
    record.phoneNum = textOf(*phone);
  }
  return record;
}

}  // namespace vokari
