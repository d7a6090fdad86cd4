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
  // The booking form, its two pickers (each hands the picked record to `picked`, then closes)
  // and the detail of one booking record.
  virtual std::shared_ptr<Screen> reservationMain() { return nullptr; }
  virtual std::shared_ptr<Screen> pointSelect(
      std::function<void(const nlohmann::json& station)> /*picked*/) {
    return nullptr;
  }
  virtual std::shared_ptr<Screen> pointAndBusiSelect(
      const nlohmann::json& /*stationId*/,
      std::function<void(const nlohmann::json& business)> /*picked*/) {
    return nullptr;
  }
  virtual std::shared_ptr<Screen> reservationDetail(const nlohmann::json& /*record*/) {
    return nullptr;
  }
  virtual std::shared_ptr<Screen> settings() { return nullptr; }
  virtual std::shared_ptr<Screen> alarmNumber() { return nullptr; }
  virtual std::shared_ptr<Screen> phoneNumberSet(const std::string& /*newPhone*/) {
    return nullptr;
  }
  virtual std::shared_ptr<Screen> alarmHelp() { return nullptr; }
  virtual std::shared_ptr<Screen> areaSelect() { return nullptr; }
};

}  // namespace vokari::ui
