#include "ui/Hud.h"

namespace vokari::ui {

void Hud::showBusy(const std::string& text, bool blocksTouches) {
  show(HudKind::Busy, text, blocksTouches, std::nullopt);
}

void Hud::showSuccess(const std::string& text, double seconds) {
  show(HudKind::Success, text, false, seconds);
}

void Hud::showError(const std::string& text, double seconds) {
  show(HudKind::Error, text, false, seconds);
}

void Hud::dismiss() {
  hideTimer_.cancel();
  if (!visible()) return;
  closeRecord();
  state_ = HudState{};
  if (onChange) onChange(state_);
}

std::optional<HudRecord> Hud::last() const {
  if (history_.empty()) return std::nullopt;
  return history_.back();
}

void Hud::show(HudKind kind, const std::string& text, bool blocks,
               std::optional<double> duration) {
  hideTimer_.cancel();
  closeRecord();
  state_ = HudState{kind, text, blocks};
  history_.push_back(HudRecord{kind, text, loop_.now(), std::nullopt, duration});
  if (duration) hideTimer_ = loop_.after(*duration, [this] { dismiss(); });
  if (onChange) onChange(state_);
}

void Hud::closeRecord() {
  if (!history_.empty() && !history_.back().hiddenAt) history_.back().hiddenAt = loop_.now();
}

}  // namespace vokari::ui
