#pragma once
// Alerts and action sheets. Each has buttons and a callback told which one was pressed; open
// ones stack, the newest on top. Everything shown is kept in a record for tests.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/RunLoop.h"

namespace vokari::ui {

// The buttons' roles are indices into buttons, -1 for none: the one the return key presses
// (preferred), the one the escape key presses (cancel), and the one that destroys something,
// drawn in red and never pressed by the return key.
struct AlertModel {
  std::string title;
  std::string message;
  std::vector<std::string> buttons;
  bool sheet = false;  // an action sheet rather than an alert
  int destructiveIndex = -1;
  int cancelIndex = -1;
  int preferredIndex = -1;

  // The button the return key presses: the preferred one unless it is destructive. A lone
  // button that destroys nothing is preferred when none is named: the alert only tells something.
  int preferred() const;
  // The button the escape key presses: the cancel one, or a lone button that destroys nothing.
  int cancel() const;
};

using AlertId = int;

struct AlertRecord {
  AlertId id;
  AlertModel model;
  double shownAt;
  std::optional<double> closedAt;
  std::optional<int> pressed;  // none when dismissed from code
};

class Alerts final {
 public:
  explicit Alerts(RunLoop& loop) : loop_(loop) {}

  AlertId show(AlertModel model, std::function<void(int button)> onButton = nullptr);
  // Closes the alert from code; with pressFirst its first button's callback runs as if pressed.
  // Closing an alert that is already closed does nothing.
  void dismiss(AlertId id, bool pressFirst = false);
  // Presses a button of the alert on top: the alert closes, then the callback runs.
  bool press(int button);

  const AlertModel* top() const;
  bool isOpen(AlertId id) const;
  std::size_t openCount() const { return open_.size(); }
  const std::vector<AlertRecord>& history() const { return history_; }

  std::function<void(const AlertModel&)> onShow;
  std::function<void()> onClose;

 private:
  struct Open {
    AlertId id;
    AlertModel model;
    std::function<void(int)> onButton;
  };
  void close(std::size_t index, std::optional<int> pressed);

  RunLoop& loop_;
  std::vector<Open> open_;
  std::vector<AlertRecord> history_;
  AlertId nextId_ = 1;
};

}  // namespace vokari::ui
