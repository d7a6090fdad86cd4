#pragma once
// A signed-in user on fake platform services, a fake network and the recording toolkit.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "storage/AccountManager.h"
#include "support/TestPlatform.h"
#include "transport/FakeHttpEngine.h"
#include "ui/Driver.h"
#include "ui/Ui.h"

namespace vokari::testing {

inline const char* const kPhone = "13800000001";

// A stand-in screen for those of other features, named by what the factory was asked for.
class Marker final : public ui::Screen {
 public:
  explicit Marker(std::string name) : ui::Screen(std::move(name)) {}
};

class RecordingScreens final : public ui::Screens {
 public:
  std::shared_ptr<ui::Screen> alarmNumber() override { return make("alarmNumber"); }
  std::shared_ptr<ui::Screen> areaSelect() override { return make("areaSelect"); }
  std::shared_ptr<ui::Screen> alarmHelp() override { return make("alarmHelp"); }
  std::shared_ptr<ui::Screen> login() override { return make("login"); }
  std::shared_ptr<ui::Screen> agreement(const nlohmann::json&, const std::string&) override {
    return make("agreement");
  }
  std::shared_ptr<ui::Screen> personalCenter(const nlohmann::json& person) override {
    people.push_back(person);
    return make("personalCenter");
  }
  std::vector<nlohmann::json> people;

 private:
  static std::shared_ptr<ui::Screen> make(const char* name) {
    return std::make_shared<Marker>(name);
  }
};

class SettingsTest : public ::testing::Test {
 protected:
  void signIn(const std::string& areas = "2,3,4,5,6,7,8,9,10,11") {
    ASSERT_TRUE(AccountManager::sharedAccountManage().signIn(
        kPhone, {{"phone_number", kPhone}, {"password", "secret1"}, {"newsbookarea", areas}}));
  }
  std::string stored(const char* key) {
    auto value = AccountManager::sharedAccountManage().getUserItemForKey(key);
    return value ? textOf(*value).value_or("") : "";
  }
  nlohmann::json lastBody(const std::string& action) {
    const RecordedRequest* request = engine.last(action);
    return request ? nlohmann::json::parse(request->body) : nlohmann::json();
  }
  std::string topTitle() const {
    auto* top = toolkit.navigator.top();
    return top ? top->title : "";
  }
  std::string lastAlert() const {
    const auto& history = toolkit.alerts.history();
    return history.empty() ? "" : history.back().model.message;
  }

  TestPlatform platform;
  FakeHttpEngine engine;
  RecordingScreens screens;
  ui::Toolkit toolkit{platform.loop, screens};
  ui::Driver driver{toolkit.ui};
};

}  // namespace vokari::testing
