#pragma once
// A fixture for screen tests: fake platform on the manual clock, the fake HTTP engine, and the
// toolkit with a driver. Screens of other features that the factory hands out are stand-ins
// named by their title.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "support/TestPlatform.h"
#include "transport/FakeHttpEngine.h"
#include "ui/Driver.h"
#include "ui/Ui.h"

namespace vokari::testing {

// A screen that shows only its title.
class StandIn final : public ui::Screen {
 public:
  explicit StandIn(std::string title) : ui::Screen(std::move(title)) {}
};

// Answers every role with a stand-in titled after it, unless a test sets its own maker.
class StandInScreens : public ui::Screens {
 public:
  std::function<std::shared_ptr<ui::Screen>()> makeLogin = [] {
    return std::make_shared<StandIn>("LOGIN");
  };
  std::function<std::shared_ptr<ui::Screen>()> makeResetPassword;  // none by default

  std::shared_ptr<ui::Screen> login() override { return makeLogin(); }
  std::shared_ptr<ui::Screen> main() override { return std::make_shared<StandIn>("MAIN"); }
  std::shared_ptr<ui::Screen> resetPassword() override {
    return makeResetPassword ? makeResetPassword() : nullptr;
  }
  std::shared_ptr<ui::Screen> phoneNumberSet(const std::string& newPhone) override {
    return std::make_shared<StandIn>("PHONE CHANGE " + newPhone);
  }
};

struct ScreenTest : ::testing::Test {
  TestPlatform platform;
  FakeHttpEngine http;
  StandInScreens screens;
  ui::Toolkit toolkit{platform.loop, screens};
  ui::Driver driver{toolkit.ui};

  void advance(double seconds) { platform.loop.advance(seconds); }
  void settle() { platform.loop.runUntilIdle(); }
  std::string topTitle() const {
    ui::Screen* top = toolkit.navigator.top();
    return top ? top->title : "";
  }
  // The body of the latest request to the action, as JSON.
  nlohmann::json lastBody(const std::string& action) const {
    const RecordedRequest* request = http.last("!" + action + ".action");
    return request ? nlohmann::json::parse(request->body, nullptr, false) : nlohmann::json();
  }
  std::size_t count(const std::string& action) const {
    std::size_t n = 0;
    for (const auto& r : http.requests())
      n += r.url.find("!" + action + ".action") != std::string::npos;
    return n;
  }
  std::string hudText() const { return toolkit.hud.visible() ? toolkit.hud.state().text : ""; }
  // The last notice or busy text, and what it asked for.
  std::string lastHud() const { return toolkit.hud.last() ? toolkit.hud.last()->text : ""; }
  std::optional<double> lastHudDuration() const {
    return toolkit.hud.last() ? toolkit.hud.last()->duration : std::nullopt;
  }
  std::string alertMessage() const {
    const ui::AlertModel* open = toolkit.alerts.top();
    return open ? open->message : "";
  }
  // A countdown left behind on a code screen: the count, and the number the code went to.
  void storeCountdown(const std::string& key, int seconds, const std::string& phone) {
    platform.cache.set(key, std::to_string(seconds), seconds);
    platform.cache.set(key + "_PHONE", phone, seconds);
  }
};

}  // namespace vokari::testing
