#pragma once
// A token an object holds so that work it handed out (alert buttons, deferred tasks, callbacks of
// helpers it owns) becomes a no-op once the object is gone. The check happens on the main loop at
// the moment the callback runs, so it holds however late the callback arrives. Main thread only.

#include <functional>
#include <memory>
#include <utility>

namespace vokari {

class Liveness final {
 public:
  Liveness() = default;
  Liveness(const Liveness&) = delete;
  Liveness& operator=(const Liveness&) = delete;

  // The callable, wrapped so that calling it after this token is destroyed (or revoke()d) does
  // nothing. The wrapper may be copied and outlive the token; its result type is void.
  template <typename F>
  auto guard(F f) const {
    return [weak = std::weak_ptr<const char>(alive_), f = std::move(f)](auto&&... args) mutable {
      if (weak.expired()) return;
      std::invoke(f, std::forward<decltype(args)>(args)...);
    };
  }

  // Turns every wrapper handed out so far into a no-op; later ones work again.
  void revoke() { alive_ = std::make_shared<const char>(); }

 private:
  std::shared_ptr<const char> alive_ = std::make_shared<const char>();
};

}  // namespace vokari
