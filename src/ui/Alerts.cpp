#include "ui/Alerts.h"

namespace vokari::ui {

namespace {

int roleOr(const AlertModel& a, int named) {
  int count = static_cast<int>(a.buttons.size());
  int chosen = named >= 0 ? named : count == 1 ? 0 : -1;
  return chosen < count && chosen != a.destructiveIndex ? chosen : -1;
}

}  // namespace

int AlertModel::preferred() const {
  return roleOr(*this, preferredIndex);
}

int AlertModel::cancel() const {
  return roleOr(*this, cancelIndex);
}

AlertId Alerts::show(AlertModel model, std::function<void(int)> onButton) {
  AlertId id = nextId_++;
  history_.push_back(AlertRecord{id, model, loop_.now(), std::nullopt, std::nullopt});
  open_.push_back(Open{id, std::move(model), std::move(onButton)});
  if (onShow) onShow(open_.back().model);
  return id;
}

void Alerts::dismiss(AlertId id, bool pressFirst) {
  for (std::size_t i = 0; i < open_.size(); ++i) {
    if (open_[i].id == id) return close(i, pressFirst ? std::optional<int>(0) : std::nullopt);
  }
}

bool Alerts::press(int button) {
  if (open_.empty()) return false;
  if (button < 0 || button >= static_cast<int>(open_.back().model.buttons.size())) return false;
  close(open_.size() - 1, button);
  return true;
}

const AlertModel* Alerts::top() const {
  return open_.empty() ? nullptr : &open_.back().model;
}

bool Alerts::isOpen(AlertId id) const {
  for (const auto& alert : open_) {
    if (alert.id == id) return true;
  }
  return false;
}

void Alerts::close(std::size_t index, std::optional<int> pressed) {
  Open alert = std::move(open_[index]);
  open_.erase(open_.begin() + static_cast<std::ptrdiff_t>(index));
  for (auto& record : history_) {
    if (record.id == alert.id) {
      record.closedAt = loop_.now();
      record.pressed = pressed;
    }
  }
  if (onClose) onClose();
  // The callback runs after the alert is gone, so it may open another one.
  if (pressed && alert.onButton) alert.onButton(*pressed);
}

}  // namespace vokari::ui
