// Every screen's reply handling, driven through the fake engine as a user would drive it. The
// first line of the input is a script: its first byte picks the screen to start on (and whether
// somebody is signed in), each further byte one step: press a control, type into a field,
// answer an alert, answer the oldest request still out, let time pass, go back. The rest of the
// input holds the replies, separated by lines "----", each starting with a byte that says how
// it comes (JSON, XML, no Content-Type, a server error, a failed transfer).

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzInput.h"
#include "LoginAndRegister/AreaSelectViewController.h"
#include "LoginAndRegister/Login/LoginViewController.h"
#include "LoginAndRegister/Login/PersonalcenterViewController.h"
#include "LoginAndRegister/PhoneNumberSetViewController.h"
#include "LoginAndRegister/Register/AuthCodeViewController.h"
#include "LoginAndRegister/Register/RegisterViewController.h"
#include "LoginAndRegister/Reset/ResetAuthCodeViewController.h"
#include "LoginAndRegister/Reset/ResetPasswordViewController.h"
#include "alarm/AlarmNumber.h"
#include "alarm/EKeyServiceViewController.h"
#include "alarm/MainViewController.h"
#include "app/AppScreens.h"
#include "appointments/PointAndBusiSelectViewController.h"
#include "appointments/PointSelectViewController.h"
#include "appointments/QueryReservationViewController.h"
#include "appointments/ReservationDetailViewController.h"
#include "appointments/ReservationMainViewController.h"
#include "news/NewsViewController.h"
#include "reports/LinkViewController.h"
#include "reports/NamesViewController.h"
#include "reports/ReportQueryViewController.h"
#include "reports/ReportViewController.h"
#include "settings/NewSettingViewController.h"
#include "settings/YIjianVC.h"
#include "storage/AccountManager.h"
#include "support/ScreenTest.h"

using namespace vokari;
using nlohmann::json;
using ScreenPtr = std::shared_ptr<ui::Screen>;

namespace {

const json kPerson = {{"schedule_name", "李四"},
                      {"schedule_card_number", "110101199001011234"},
                      {"schedule_sex", "1"},
                      {"schedule_phone", "13800000000"}};

const std::vector<std::function<ScreenPtr()>> kStarts = {
    [] { return std::make_shared<LoginViewController>(); },
    [] { return std::make_shared<RegisterViewController>(); },
    [] { return std::make_shared<AuthCodeViewController>("13800000000", "secret1"); },
    [] { return std::make_shared<ResetPasswordViewController>(); },
    [] { return std::make_shared<ResetAuthCodeViewController>("13800000000"); },
    [] { return std::make_shared<PhoneNumberSetViewController>("13700000003"); },
    [] { return std::make_shared<PersonalcenterViewController>(kPerson); },
    [] { return std::make_shared<AreaSelectViewController>(); },
    [] { return std::make_shared<MainViewController>(); },
    [] { return std::make_shared<AlarmNumber>(); },
    [] { return std::make_shared<EKeyServiceViewController>(); },
    [] { return std::make_shared<NewsViewController>(); },
    [] { return std::make_shared<NewSettingViewController>(); },
    [] { return std::make_shared<YIjianVC>(); },
    [] { return std::make_shared<ReservationMainViewController>(); },
    [] { return std::make_shared<QueryReservationViewController>(); },
    [] { return std::make_shared<PointSelectViewController>([](const json&) {}); },
    [] { return std::make_shared<PointAndBusiSelectViewController>("1", [](const json&) {}); },
    [] { return std::make_shared<ReservationDetailViewController>(kPerson); },
    [] { return std::make_shared<ReportViewController>(); },
    [] { return std::make_shared<ReportQueryViewController>(); },
    [] {
      return std::make_shared<LinkViewController>("http://127.0.0.1:38888/CrimeReports/Guide.aspx",
                                                  "举报指南");
    },
    [] { return std::make_shared<NamesViewController>(); },
};

// Texts a user types: valid ones get requests sent, the rest probe the checks.
const std::vector<std::string> kTexts = {"13800000000", "secret1",
                                         "123456",      "110101199003071235",
                                         "张三",        "",
                                         "1380000000",  "11010119900101125X",
                                         "a@b.cn",      std::string(40, 'x'),
                                         "4321",        "13700000003"};

// VOKARI_FUZZ_TRACE=1 prints each step, to see what an input does.
const bool trace = std::getenv("VOKARI_FUZZ_TRACE") != nullptr;

struct World {
  vokari::testing::TestPlatform platform;
  FakeHttpEngine http;
  AppScreens screens;
  ui::Toolkit toolkit{platform.loop, screens};
  ui::Driver driver{toolkit.ui};

  void settle() { platform.loop.runUntilIdle(); }

  // The names a user could press: buttons, rows and check boxes as the screen draws them.
  std::vector<std::string> pressable() const {
    std::vector<std::string> names;
    for (const std::string& line : driver.screenLines()) {
      for (std::size_t open = line.find('<'); open != std::string::npos;
           open = line.find('<', open + 1)) {
        const auto close = line.find('>', open);
        if (close == std::string::npos) break;
        // Going back has a step of its own.
        if (auto name = line.substr(open + 1, close - open - 1); name != "返回")
          names.push_back(name);
      }
      if (line.starts_with("[ ] ") || line.starts_with("[x] ")) names.push_back(line.substr(4));
      if (line.starts_with("  ") || line.starts_with("✓ ")) {
        std::string row = line.substr(line.starts_with("  ") ? 2 : 4);
        names.push_back(row.substr(0, row.find("  ")));
      }
    }
    return names;
  }

  void answer(std::string_view chunk) {
    const auto held = http.pending();
    if (held.empty()) return;
    if (trace) std::fprintf(stderr, "answer %s\n", http.requests()[held.front()].url.c_str());
    fuzz::FuzzInput reply(reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size());
    FakeReply fake;
    switch (reply.choose(5)) {
      case 0:
        fake = FakeReply::json(std::string(reply.rest()));
        break;
      case 1:
        fake = {200, {{"Content-Type", "text/xml; charset=utf-8"}}, std::string(reply.rest())};
        break;
      case 2:
        fake = {200, {}, std::string(reply.rest())};
        break;
      case 3:
        fake = {500, {{"Content-Type", "text/html"}}, std::string(reply.rest())};
        break;
      default:
        fake = FakeReply::failure(reply.rest().empty() ? 2 : 1);
        break;
    }
    http.respond(held.front(), fake);
    settle();
  }
};

std::vector<std::string_view> replies(std::string_view rest) {
  std::vector<std::string_view> out;
  while (!rest.empty()) {
    const auto end = rest.find("\n----\n");
    out.push_back(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 6);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const auto end = all.find('\n');
  fuzz::FuzzInput script(data, end == std::string_view::npos ? size : end);
  const auto bodies =
      replies(end == std::string_view::npos ? std::string_view() : all.substr(end + 1));
  std::size_t nextReply = 0;

  World world;
  const std::size_t start = script.choose(kStarts.size() * 2);
  if (start % 2 == 1) {
    Row account{{"phone_number", "13800000000"},
                {"password", "secret1"},
                {"newsbookarea", "2,3,4,5,6,7,8,9,10,11"}};
    if (!AccountManager::sharedAccountManage().signIn("13800000000", account)) return 0;
  }
  world.toolkit.navigator.setRoot(std::make_shared<vokari::testing::StandIn>("ROOT"));
  world.toolkit.navigator.top()->push(kStarts[start / 2]());
  world.settle();

  for (int step = 0; step < 64 && !script.rest().empty(); ++step) {
    switch (script.choose(6)) {
      case 0: {
        const auto names = world.pressable();
        if (names.empty()) break;
        const std::string& name = names[script.choose(names.size())];
        const auto pressed = world.driver.press(name);
        if (trace) {
          std::fprintf(stderr, "press %s: %s (of", name.c_str(), pressed.error.c_str());
          for (const auto& each : names) std::fprintf(stderr, " [%s]", each.c_str());
          std::fprintf(stderr, ")\n");
        }
        break;
      }
      case 1: {
        const std::string field = "#" + std::to_string(1 + script.choose(6));
        const std::string& text = kTexts[script.choose(kTexts.size())];
        const auto typed = world.driver.type(field, text);
        if (trace)
          std::fprintf(stderr, "type %s %s: %s\n", field.c_str(), text.c_str(),
                       typed.error.c_str());
        break;
      }
      case 2:
        if (const ui::AlertModel* alert = world.toolkit.alerts.top();
            alert && !alert->buttons.empty())
          (void)world.driver.alert(alert->buttons[script.choose(alert->buttons.size())]);
        break;
      case 3:
        if (nextReply < bodies.size()) world.answer(bodies[nextReply++]);
        break;
      case 4:
        world.platform.loop.advance(static_cast<double>(script.choose(64)));
        break;
      default:
        (void)world.driver.back();
        break;
    }
    world.settle();
  }
  // Whatever is still out gets the remaining replies, in order.
  while (nextReply < bodies.size() && !world.http.pending().empty())
    world.answer(bodies[nextReply++]);
  world.platform.loop.advance(120);
  return 0;
}
