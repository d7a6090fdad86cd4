#include "platform/Location.h"

#include <algorithm>

namespace vokari {

void ScriptedLocation::startUpdates(LocationDelegate* delegate) {
  if (!delegate || updating(delegate)) return;
  delegates_.push_back(delegate);
  // A real location service delivers the current fix shortly after updates start.
  if (last_ && authorization_ != LocationAuthorization::Denied) {
    delegate->locationDidUpdate(last_->first, last_->second);
  }
}

void ScriptedLocation::stopUpdates(LocationDelegate* delegate) {
  delegates_.erase(std::remove(delegates_.begin(), delegates_.end(), delegate), delegates_.end());
}

bool ScriptedLocation::updating(const LocationDelegate* delegate) const {
  return std::find(delegates_.begin(), delegates_.end(), delegate) != delegates_.end();
}

void ScriptedLocation::report(double latitude, double longitude) {
  last_ = {latitude, longitude};
  for (auto* d : std::vector(delegates_)) d->locationDidUpdate(latitude, longitude);
}

void ScriptedLocation::fail() {
  last_.reset();
  for (auto* d : std::vector(delegates_)) d->locationDidFail();
}

}  // namespace vokari
