#include "ui/Navigator.h"

namespace vokari::ui {

Navigator::~Navigator() {
  for (auto& stack : stacks_) {
    for (auto& screen : stack) screen->navigator_ = nullptr;
  }
}

int Navigator::stackOf(const Screen& screen) const {
  for (std::size_t s = 0; s < stacks_.size(); ++s) {
    for (const auto& entry : stacks_[s]) {
      if (entry.get() == &screen) return static_cast<int>(s);
    }
  }
  return -1;
}

int Navigator::indexInStack(const Screen& screen) const {
  int s = stackOf(screen);
  if (s < 0) return -1;
  const Stack& stack = stacks_[s];
  for (std::size_t i = 0; i < stack.size(); ++i) {
    if (stack[i].get() == &screen) return static_cast<int>(i);
  }
  return -1;
}

Screen* Navigator::top() const {
  return topShared().get();
}

std::shared_ptr<Screen> Navigator::topShared() const {
  if (stacks_.empty() || stacks_.back().empty()) return nullptr;
  return stacks_.back().back();
}

// Every change goes through here: the old top is told it disappears, the new top that it
// appears (loading it first), and the listener that the top changed.
void Navigator::change(const std::function<void()>& mutate) {
  std::shared_ptr<Screen> before = topShared();
  mutate();
  std::shared_ptr<Screen> after = topShared();
  if (before == after) return;
  if (before) before->viewWillDisappear();
  if (after) {
    after->loadViewIfNeeded();
    after->viewWillAppear();
    if (onTopChanged) onTopChanged(*after);
  }
}

void Navigator::release(std::shared_ptr<Screen> screen) {
  screen->navigator_ = nullptr;
  released_.push_back(std::move(screen));
  if (releaseTimer_.active()) return;
  releaseTimer_ = loop_.after(0, [this] {
    auto dropping = std::move(released_);
    released_.clear();
  });
}

void Navigator::setRoot(std::shared_ptr<Screen> root) {
  change([&] {
    auto old = std::move(stacks_);
    stacks_.clear();
    for (auto& stack : old) {
      for (auto& screen : stack) {
        if (screen != root) release(std::move(screen));
      }
    }
    root->navigator_ = this;
    stacks_.push_back({std::move(root)});
  });
}

void Navigator::push(Screen& from, std::shared_ptr<Screen> screen) {
  int s = stackOf(from);
  if (s < 0 || !screen) return;
  change([&] {
    screen->navigator_ = this;
    stacks_[s].push_back(std::move(screen));
  });
}

void Navigator::pop(Screen& from) {
  int s = stackOf(from);
  if (s < 0 || stacks_[s].size() < 2) return;
  change([&] {
    auto screen = std::move(stacks_[s].back());
    stacks_[s].pop_back();
    release(std::move(screen));
  });
}

void Navigator::present(Screen& from, std::shared_ptr<Screen> root) {
  if (stackOf(from) < 0 || !root) return;
  change([&] {
    root->navigator_ = this;
    stacks_.push_back({std::move(root)});
  });
}

void Navigator::dismiss(Screen& from) {
  int s = stackOf(from);
  if (s <= 0) return;  // the root stack cannot be dismissed
  change([&] {
    while (static_cast<int>(stacks_.size()) > s) {
      for (auto& screen : stacks_.back()) release(std::move(screen));
      stacks_.pop_back();
    }
  });
}

}  // namespace vokari::ui
