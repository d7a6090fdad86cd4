#pragma once
// The push-notification service as the application uses it. Token delivery and incoming
// notifications are simulated by whoever drives the application (the terminal or a test).

namespace vokari {

class Push {
 public:
  virtual ~Push() = default;
  virtual void registerUserNotificationTypes(int types) = 0;
  virtual void registerForRemoteNotifications() = 0;
  virtual void setBadgeNumber(int badge) = 0;
  virtual int badgeNumber() const = 0;
  virtual void setIdleTimerDisabled(bool disabled) = 0;
};

class RecordingPush final : public Push {
 public:
  void registerUserNotificationTypes(int t) override { types = t; }
  void registerForRemoteNotifications() override { ++remoteRegistrations; }
  void setBadgeNumber(int b) override { badge = b; }
  int badgeNumber() const override { return badge; }
  void setIdleTimerDisabled(bool d) override { idleTimerDisabled = d; }

  int types = 0;
  int remoteRegistrations = 0;
  int badge = 0;
  bool idleTimerDisabled = false;
};

}  // namespace vokari
