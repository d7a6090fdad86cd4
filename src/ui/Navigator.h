#pragma once
// The window's navigation: a root stack and the stacks presented over it. The top screen of the
// top stack is the one shown. The navigator calls the lifecycle hooks and keeps screens it
// removed alive until the current task has finished, so a screen may pop itself safely.
//
// The rule for navigation that a reply causes (a request's callback, or a timer started by
// one): it happens only while the screen that waited is still the one shown (Screen::isTop()),
// since the user may have gone elsewhere in the meantime. A screen whose reply must lead on
// whatever the user does blocks input while it waits instead (a touch-blocking overlay, or its
// controls and back disabled). What a reply stores (an account, a moved folder) is kept either
// way. The one exception is the account anomaly: a sign-out shows the login screen over
// whatever is shown.

#include <functional>
#include <memory>
#include <vector>

#include "platform/RunLoop.h"
#include "ui/Screen.h"

namespace vokari::ui {

class Navigator final {
 public:
  explicit Navigator(RunLoop& loop) : loop_(loop) {}
  ~Navigator();
  Navigator(const Navigator&) = delete;
  Navigator& operator=(const Navigator&) = delete;

  // Replaces every stack with a new root stack.
  void setRoot(std::shared_ptr<Screen> root);
  void push(Screen& from, std::shared_ptr<Screen> screen);
  void pop(Screen& from);
  void present(Screen& from, std::shared_ptr<Screen> root);
  void dismiss(Screen& from);

  Screen* top() const;
  std::shared_ptr<Screen> topShared() const;
  // Position of the screen in its own stack, or -1 when it is on none.
  int indexInStack(const Screen& screen) const;
  std::size_t stackCount() const { return stacks_.size(); }
  const std::vector<std::shared_ptr<Screen>>& stack(std::size_t i) const { return stacks_[i]; }

  // Told after the top screen changed.
  std::function<void(Screen&)> onTopChanged;

 private:
  using Stack = std::vector<std::shared_ptr<Screen>>;
  int stackOf(const Screen& screen) const;
  void change(const std::function<void()>& mutate);
  void release(std::shared_ptr<Screen> screen);

  RunLoop& loop_;
  std::vector<Stack> stacks_;
  std::vector<std::shared_ptr<Screen>> released_;
  Timer releaseTimer_;  // ours, so a release still queued dies with the navigator
};

}  // namespace vokari::ui
