#include "Clockwork.h"

namespace vokari::terminal {
namespace {

class RealClockwork final : public Clockwork {
 public:
  RunLoop& loop() override { return loop_; }
  void pump() override {
    loop_.runUntil([] { return true; }, 0);
  }
  void wait(double seconds) override {
    loop_.runUntil([] { return false; }, seconds);
  }
  bool waitUntil(const std::function<bool()>& done, double realSeconds) override {
    return loop_.runUntil(done, realSeconds);
  }

 private:
  RealRunLoop loop_;
};

class FakeClockwork final : public Clockwork {
 public:
  FakeClockwork() : loop_(WallClock::now()) {}
  RunLoop& loop() override { return loop_; }
  void pump() override { loop_.runUntilIdle(); }
  void wait(double seconds) override {
    // Replies that already arrived are handled before time moves on.
    loop_.runUntilIdle();
    loop_.advance(seconds);
  }
  bool waitUntil(const std::function<bool()>& done, double realSeconds) override {
    return loop_.waitUntil(done, realSeconds);
  }

 private:
  ManualRunLoop loop_;
};

}  // namespace

std::unique_ptr<Clockwork> Clockwork::real() {
  return std::make_unique<RealClockwork>();
}
std::unique_ptr<Clockwork> Clockwork::fake() {
  return std::make_unique<FakeClockwork>();
}

}  // namespace vokari::terminal
