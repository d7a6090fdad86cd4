#pragma once
// A main screen on the manual clock, with a fake engine that holds every request until the test
// answers it, and a factory that counts what was asked.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "alarm/MainViewController.h"
#include "storage/AccountManager.h"
#include "support/TestPlatform.h"
#include "transport/FakeHttpEngine.h"
#include "ui/Driver.h"
#include "ui/Ui.h"

namespace vokari::testing {

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
  void signIn() {
    ASSERT_TRUE(AccountManager::sharedAccountManage().signIn(
        kPhone, {{"phone_number", kPhone}, {"password", "secret1"}}));
  }
  // Shows the main screen as the root (it loads and appears).
  void showMain() { toolkit.navigator.setRoot(main); }
  void tapAlarm() { ASSERT_TRUE(driver.press("E键报警").ok); }
  std::size_t sends() const { return engine.requests().size(); }
  const RecordedRequest& send(std::size_t i) const { return engine.requests().at(i); }

  TestPlatform platform;
  FakeHttpEngine engine;
  CountingScreens screens;
  ui::Toolkit toolkit{platform.loop, screens};
  ui::Driver driver{toolkit.ui};
  std::shared_ptr<MainViewController> main = std::make_shared<MainViewController>();
};

// The eight fields of an SOS text ({"SOS":"f1βf2β...βf8"}); empty when it has another shape.
std::vector<std::string> sosFields(const std::string& body);

}  // namespace vokari::testing
