#pragma once
// A signed-in resident on the fake network and the manual clock, with the real booking screens
// behind the factory and stand-ins for the screens of other features.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "storage/AccountManager.h"
#include "support/TestPlatform.h"
#include "transport/FakeHttpEngine.h"
#include "ui/Driver.h"
#include "ui/Ui.h"

namespace vokari::testing {

using nlohmann::json;

inline const char* const kPhone = "13800000001";
inline const char* const kCard = "11010519491231002X";

class Marker final : public ui::Screen {
 public:
  explicit Marker(std::string name) : ui::Screen(std::move(name)) {}
};

// The booking screens as the application builds them; what else is asked for is a marker.
class AppointmentScreens final : public ui::Screens {
 public:
  std::shared_ptr<ui::Screen> login() override { return std::make_shared<Marker>("LOGIN"); }
  std::shared_ptr<ui::Screen> queryReservation() override;
  std::shared_ptr<ui::Screen> reservationMain() override;
  std::shared_ptr<ui::Screen> pointSelect(std::function<void(const json&)> picked) override;
  std::shared_ptr<ui::Screen> pointAndBusiSelect(const json& stationId,
                                                 std::function<void(const json&)> picked) override;
  std::shared_ptr<ui::Screen> reservationDetail(const json& record) override;

  std::vector<json> details;  // the records the detail was opened with
};

class AppointmentTest : public ::testing::Test {
 protected:
  AppointmentTest();

  // The account as registered: phone, password, name and identity number.
  void signIn(bool withPersonalInfo = true);
  std::string stored(const char* key);

  // A root stand-in with the screen pushed on it.
  template <typename S, typename... Args>
  std::shared_ptr<S> open(Args&&... args) {
    auto screen = std::make_shared<S>(std::forward<Args>(args)...);
    toolkit.navigator.setRoot(std::make_shared<Marker>("MAIN"));
    toolkit.navigator.top()->push(screen);
    return screen;
  }

  // Answers the oldest held request to the action; fails the test when there is none.
  void reply(const std::string& action, const std::string& body);
  void replyJson(const std::string& action, const json& body) { reply(action, body.dump()); }
  void failTransport(const std::string& action);
  // The held (unanswered) requests to the action.
  std::vector<std::size_t> held(const std::string& action) const;
  json lastBody(const std::string& action) const;
  const RecordedRequest* last(const std::string& action) const;
  std::size_t count(const std::string& action) const;

  std::string topTitle() const;
  std::string hudText() const { return toolkit.hud.visible() ? toolkit.hud.state().text : ""; }
  ui::HudKind hudKind() const { return toolkit.hud.state().kind; }
  std::string alertMessage() const;
  std::string alertTitle() const;
  std::vector<std::string> lines() const { return driver.screenLines(); }
  bool showsLine(const std::string& line) const;
  void settle() { platform.loop.runUntilIdle(); }
  void advance(double seconds) { platform.loop.advance(seconds); }

  // Replies of the stand-in data.
  static json stations();
  static json types();
  static json times();

  TestPlatform platform;
  FakeHttpEngine engine;
  AppointmentScreens screens;
  ui::Toolkit toolkit{platform.loop, screens};
  ui::Driver driver{toolkit.ui};
};

}  // namespace vokari::testing
