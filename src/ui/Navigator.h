#pragma once
// The window's navigation: a root stack and the stacks presented over it. The top screen of the
// top stack is the one shown. The navigator calls the lifecycle hooks and keeps screens it
// removed alive until the current task has finished, so a screen may pop itself safely.

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
  bool releasePosted_ = false;
};

}  // namespace vokari::ui
