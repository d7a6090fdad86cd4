#pragma once
// One terminal session: reads commands, acts on the top screen through the driver, and prints
// the events they cause (overlay, alerts, opened URLs, text messages, screen changes).

#include <functional>
#include <iosfwd>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Clockwork.h"
#include "platform/Location.h"
#include "platform/MediaPicker.h"
#include "platform/Reachability.h"
#include "platform/UrlOpener.h"
#include "ui/Driver.h"

namespace vokari::terminal {

// What the session drives besides the toolkit; wired by main().
struct SessionTargets {
  Clockwork* clock = nullptr;
  ui::Ui* ui = nullptr;
  ScriptedLocation* location = nullptr;
  DesktopReachability* reachability = nullptr;
  RecordingUrlOpener* urls = nullptr;
  WaitingMediaPicker* picker = nullptr;
  std::function<void(const std::string& tokenBytes)> deliverToken;
  std::function<void(const std::string& alertText)> deliverNotification;
  std::function<std::size_t()> requestsInFlight;
};

class Session final {
 public:
  enum class Outcome { Continue, Quit, Error, ExpectFailed };

  Session(SessionTargets targets, std::ostream& out, bool interactive);

  Outcome execute(const std::string& line);
  // A text message arrived (any thread): printed and its code kept for $CODE.
  void textMessage(const std::string& phone, const std::string& text, const std::string& code);
  // Prints events that came from other threads, and the screen when it changed (interactive).
  void flush();

 private:
  Outcome run(const std::string& command, const std::string& rest);
  Outcome report(const ui::DriverResult& result);
  Outcome fail(const std::string& message);
  Outcome settle();
  Outcome position(const std::string& rest);
  Outcome pressNumbered(int number);
  Outcome typeNumbered(int number, const std::string& text);
  void attachEvents();
  void printScreen();
  void say(const std::string& line);
  std::string substitute(const std::string& line) const;

  SessionTargets t_;
  ui::Driver driver_;
  std::ostream& out_;
  bool interactive_;
  bool screenChanged_ = true;
  std::mutex messagesMutex_;
  std::vector<std::string> messages_;  // sms lines waiting to be printed on the main thread
  std::string lastCode_;
};

std::string helpText();

}  // namespace vokari::terminal
