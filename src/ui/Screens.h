#pragma once
// The screen factory. A screen that opens a screen of another feature folder asks this
// interface, which the composition root implements, so feature folders never include each other;
// a screen of its own folder it builds directly. A role exists only while something asks for it.
// A factory answers null for a screen that this build does not have yet.

#include <functional>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "ui/Screen.h"

namespace vokari::ui {

class Screens {
 public:
  virtual ~Screens() = default;

  virtual std::shared_ptr<Screen> login() { return nullptr; }
  virtual std::shared_ptr<Screen> main() { return nullptr; }
  virtual std::shared_ptr<Screen> resetPassword() { return nullptr; }
  // The agreement screen; with an account record and phone number it offers acceptance.
  virtual std::shared_ptr<Screen> agreement(const nlohmann::json& /*account*/,
                                            const std::string& /*phone*/) {
    return nullptr;
  }
  virtual std::shared_ptr<Screen> personalCenter(const nlohmann::json& /*person*/) {
    return nullptr;
  }
  virtual std::shared_ptr<Screen> news() { return nullptr; }
  virtual std::shared_ptr<Screen> reportPrizes() { return nullptr; }
  virtual std::shared_ptr<Screen> queryReservation() { return nullptr; }
  virtual std::shared_ptr<Screen> settings() { return nullptr; }
  virtual std::shared_ptr<Screen> alarmNumber() { return nullptr; }
  virtual std::shared_ptr<Screen> phoneNumberSet(const std::string& /*newPhone*/) {
    return nullptr;
  }
  virtual std::shared_ptr<Screen> alarmHelp() { return nullptr; }
  virtual std::shared_ptr<Screen> areaSelect() { return nullptr; }
};

}  // namespace vokari::ui
