#pragma once
// The progress overlay: a busy state with a status text, and success or error notices that
// disappear after their duration by a loop timer. It keeps a record of everything it showed.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/RunLoop.h"

namespace vokari::ui {

enum class HudKind { Hidden, Busy, Success, Error };

struct HudState {
  HudKind kind = HudKind::Hidden;
  std::string text;
  bool blocksTouches = false;
};

struct HudRecord {
  HudKind kind;
  std::string text;
  double shownAt;
  std::optional<double> hiddenAt;
  std::optional<double> duration;  // what a notice asked for
};

class Hud final {
 public:
  explicit Hud(RunLoop& loop) : loop_(loop) {}

  void showBusy(const std::string& text, bool blocksTouches = false);
  void showSuccess(const std::string& text, double seconds);
  void showError(const std::string& text, double seconds);
  void dismiss();

  const HudState& state() const { return state_; }
  bool visible() const { return state_.kind != HudKind::Hidden; }
  const std::vector<HudRecord>& history() const { return history_; }
  // The last notice or busy text shown, for tests.
  std::optional<HudRecord> last() const;

  std::function<void(const HudState&)> onChange;

 private:
  void show(HudKind kind, const std::string& text, bool blocks, std::optional<double> duration);
  void closeRecord();

  RunLoop& loop_;
  HudState state_;
  Timer hideTimer_;
  std::vector<HudRecord> history_;
};

}  // namespace vokari::ui
