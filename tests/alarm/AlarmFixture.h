#pragma once
// A signed-in (or not) main screen on the manual clock, with an engine that records every
// request and answers only when a test tells it to, and a factory that counts what was asked.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "alarm/MainViewController.h"
#include "storage/AccountManager.h"
#include "support/TestPlatform.h"
#include "transport/HttpEngine.h"
#include "ui/Driver.h"
#include "ui/Ui.h"

namespace vokari::testing {

class RecordingEngine final : public HttpEngine {
 public:
  RecordingEngine() { HttpEngine::install(this); }
  ~RecordingEngine() override { HttpEngine::install(nullptr); }
  void start(std::shared_ptr<HttpExchange> exchange) override { started.push_back(exchange); }
  void cancel(const std::shared_ptr<HttpExchange>& exchange) override {
    cancelled.push_back(exchange);
  }
  HttpResult perform(std::shared_ptr<HttpExchange>) override {
    return HttpResult::failure(kHttpConnectionFailure);
  }
  std::vector<std::shared_ptr<HttpExchange>> started;
  std::vector<std::shared_ptr<HttpExchange>> cancelled;
};

struct CountingScreens final : ui::Screens {
  std::shared_ptr<ui::Screen> answer(const char* name) {
    asked.emplace_back(name);
    return std::move(next);
  }
  std::shared_ptr<ui::Screen> news() override { return answer("news"); }
  std::shared_ptr<ui::Screen> reportPrizes() override { return answer("reportPrizes"); }
  std::shared_ptr<ui::Screen> queryReservation() override { return answer("queryReservation"); }
  std::shared_ptr<ui::Screen> settings() override { return answer("settings"); }
  std::shared_ptr<ui::Screen> next;  // the next screen handed out, once
  std::vector<std::string> asked;
};

inline const char* const kPhone = "13800000001";

class AlarmTest : public ::testing::Test {
 protected:
  // Ends every send still running, so no request outlives the test's loop and engine.
  void TearDown() override {
    for (const auto& exchange : engine.started) exchange->report(HttpResult::failure(kHttpTimedOut));
    platform.loop.runUntilIdle();
  }
  void signIn() {
    ASSERT_TRUE(AccountManager::sharedAccountManage().signIn(
        kPhone, {{"phone_number", kPhone}, {"password", "secret1"}}));
  }
  // Shows the main screen as the root (it loads and appears).
  void showMain() { toolkit.navigator.setRoot(main); }
  void tapAlarm() { ASSERT_TRUE(driver.press("E键报警").ok); }
  std::size_t sends() const { return engine.started.size(); }
  const HttpExchange& send(std::size_t i) const { return *engine.started.at(i); }

  TestPlatform platform;
  RecordingEngine engine;
  CountingScreens screens;
  ui::Toolkit toolkit{platform.loop, screens};
  ui::Driver driver{toolkit.ui};
  std::shared_ptr<MainViewController> main = std::make_shared<MainViewController>();
};

// The eight fields of an SOS text ({"SOS":"f1βf2β...βf8"}); empty when it has another shape.
std::vector<std::string> sosFields(const std::string& body);

}  // namespace vokari::testing
