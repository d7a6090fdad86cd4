#pragma once
// How the terminal lets time pass: on the real loop, or on a virtual clock (--fake-clock) while
// network replies still arrive in real time.

#include <functional>
#include <memory>

#include "platform/RunLoop.h"

namespace vokari::terminal {

class Clockwork {
 public:
  virtual ~Clockwork() = default;
  virtual RunLoop& loop() = 0;
  // Handles what has arrived and is due, without letting time pass.
  virtual void pump() = 0;
  // Lets the seconds pass, handling replies and timers meanwhile.
  virtual void wait(double seconds) = 0;
  // Waits (at most the real seconds) until the predicate holds, handling replies meanwhile.
  virtual bool waitUntil(const std::function<bool()>& done, double realSeconds) = 0;

  static std::unique_ptr<Clockwork> real();
  static std::unique_ptr<Clockwork> fake();
};

}  // namespace vokari::terminal
