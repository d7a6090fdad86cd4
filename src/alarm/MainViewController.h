#pragma once
// The hub screen: six entries, the one-key alarm (dial 110 and send the phone's position at the
// tap and every minute for six minutes), position tracking, and the network / location warnings.
// Main thread only.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/Location.h"
#include "platform/RunLoop.h"
#include "ui/Alerts.h"
#include "ui/Screen.h"

namespace vokari {

class UploadLocation;

class MainViewController final : public ui::Screen, public LocationDelegate {
 public:
  MainViewController();
  ~MainViewController() override;  // stops position updates

  // Loads: starts position tracking's manager and runs checkNetAndLocation.
  void viewDidLoad() override;
  // Starts position updates when the platform's location services are enabled.
  void viewWillAppear() override;

  // Hooks of the application object: on becoming active it runs checkNetAndLocation; on
  // entering the foreground it inverts isShowAlert, then calls dismissAlerts.

  // Warns about denied location (first) or no network; answers whether the network is
  // reachable and location not denied. Shows nothing while isShowAlert is set.
  bool checkNetAndLocation();
  // Closes both warnings as if their first button were pressed.
  void dismissAlerts();
  // A warning is showing, or warnings are suppressed until the next return to the foreground.
  bool isShowAlert() const { return isShowAlert_; }
  void setIsShowAlert(bool value) { isShowAlert_ = value; }

  // The one-key alarm, on a tap of "E键报警": stops a running alarm, then (signed in only) makes
  // a new alarm id, sends at once when the network is reachable and calls.
  void CallPhone();
  // Starts the 60-second schedule and opens "tel:110".
  void call();
  // One step of the schedule: sends while the schedule is at most 420 s, then stops it.
  void sendPerformance();
  // Sends the last position with the current alarm id, unless there is no position (both 0).
  void SendSOAP();

  // LocationDelegate: the last fix is kept; a failure forgets it.
  void locationDidUpdate(double latitude, double longitude) override;
  void locationDidFail() override;

  double latitude = 0;
  double longitude = 0;
  std::int32_t locationtime = 0;
  std::string mAlarmID;
  bool alarmRunning() const { return timer_.active(); }
  const UploadLocation* upload() const { return upload_.get(); }

 private:
  void addEntry(ui::Button& button, const char* title, void (MainViewController::*action)());
  void xuanchuan();
  void onEKeyService();
  void jubao();
  void onReservation();
  void onSetting();
  void onAlarm();
  void open(std::shared_ptr<ui::Screen> screen);
  void showWarning(std::optional<ui::AlertId>& handle, ui::AlertModel model);

  ui::Button bt110, btNews, btOneKey, btReport, btPepople, btSet;
  Location* LM = nullptr;  // the platform's location service, once loaded
  Timer timer_;
  std::unique_ptr<UploadLocation> upload_;
  bool isShowAlert_ = false;
  std::optional<ui::AlertId> netAlert, positionAlert;
};

}  // namespace vokari
