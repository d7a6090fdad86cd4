#pragma once
// The panel a tapped row of the wanted-person list opens over a dimmed layer.

#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/RunLoop.h"

namespace vokari {

// The detail panel. Showing and dismissing animate for 0.4 s; the phase tells a renderer where
// the animation stands, and input to the list waits until the panel is gone.
class WantedPersonDetailView final {
 public:
  enum class Phase { Hidden, Appearing, Shown, Disappearing };
  static constexpr double kAnimationSeconds = 0.4;
  static constexpr double kStartScale = 0.1;  // the panel grows from a tenth of its size

  explicit WantedPersonDetailView(RunLoop& loop) : loop_(loop) {}

  void setPersonInfo(const nlohmann::json& person);
  void show();
  void dismiss();  // also what touching the dimmed layer does

  Phase phase() const { return phase_; }
  bool visible() const { return phase_ != Phase::Hidden; }
  // The panel's scale now: from kStartScale to 1 while appearing, back while disappearing.
  double scale() const;

  nlohmann::json personInfo;
  std::string titleView;
  std::vector<std::string> dataArray;

  // Called after each phase change, so the owner can redraw.
  std::function<void()> onChange;

 private:
  void enter(Phase phase);
  RunLoop& loop_;
  Phase phase_ = Phase::Hidden;
  double phaseStart_ = 0;
  Timer timer_;
};

}  // namespace vokari
