#pragma once
// The location service. Positions come from a flag, a command or a test script; a denied
// authorisation and failures can be simulated. Delegates are told on the main thread.

#include <optional>
#include <vector>

namespace vokari {

class LocationDelegate {
 public:
  virtual ~LocationDelegate() = default;
  virtual void locationDidUpdate(double latitude, double longitude) = 0;
  virtual void locationDidFail() = 0;
};

enum class LocationAuthorization { NotDetermined, Authorized, Denied };

class Location {
 public:
  virtual ~Location() = default;
  virtual bool servicesEnabled() const = 0;
  virtual LocationAuthorization authorization() const = 0;
  // The delegate is not owned; it must stop updates before it goes away.
  virtual void startUpdates(LocationDelegate* delegate) = 0;
  virtual void stopUpdates(LocationDelegate* delegate) = 0;
};

// Scripted positions, used by the desktop client and by tests alike.
class ScriptedLocation final : public Location {
 public:
  bool servicesEnabled() const override { return enabled_; }
  LocationAuthorization authorization() const override { return authorization_; }
  void startUpdates(LocationDelegate* delegate) override;
  void stopUpdates(LocationDelegate* delegate) override;

  void setServicesEnabled(bool enabled) { enabled_ = enabled; }
  void setAuthorization(LocationAuthorization a) { authorization_ = a; }
  // Reports a position to every delegate now and to delegates that start later.
  void report(double latitude, double longitude);
  void fail();
  bool updating(const LocationDelegate* delegate) const;

 private:
  bool enabled_ = true;
  LocationAuthorization authorization_ = LocationAuthorization::Authorized;
  std::optional<std::pair<double, double>> last_;
  std::vector<LocationDelegate*> delegates_;
};

}  // namespace vokari
