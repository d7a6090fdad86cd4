#pragma once
// Whether the internet (here: the configured service host) can currently be reached.

#include <optional>
#include <string>

namespace vokari {

class Reachability {
 public:
  virtual ~Reachability() = default;
  virtual bool isReachable() const = 0;
};

// Switchable: the test fake, and the user's override in the terminal client.
class FakeReachability final : public Reachability {
 public:
  bool isReachable() const override { return reachable_; }
  void setReachable(bool reachable) { reachable_ = reachable; }

 private:
  bool reachable_ = true;
};

// Reachable when the kernel has a route to the host (a UDP connect sends nothing); loopback
// counts. The user can force either answer.
class DesktopReachability final : public Reachability {
 public:
  explicit DesktopReachability(std::string host) : host_(std::move(host)) {}
  bool isReachable() const override;
  void setOverride(std::optional<bool> reachable) { override_ = reachable; }

 private:
  std::string host_;
  std::optional<bool> override_;
};

}  // namespace vokari
