#pragma once
// One terminal session: reads commands, acts on the top screen through the driver and the view
// model, and prints the events they cause (overlay, alerts, opened URLs, text messages, screen
// changes).

#include <functional>
#include <iosfwd>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Clockwork.h"
#include "NetworkSwitch.h"
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
  client::NetworkSwitch* network = nullptr;
  RecordingUrlOpener* urls = nullptr;
  WaitingMediaPicker* picker = nullptr;
  std::function<void(const std::string& tokenBytes)> deliverToken;
  std::function<void(const std::string& alertText)> deliverNotification;
  std::function<void()> enterForeground;  // the platform's will-enter-foreground hook
  std::function<void()> becomeActive;     // the platform's did-become-active hook
  std::function<std::size_t()> requestsInFlight;
  std::function<std::size_t()> backgroundTasks;  // conversions not yet handed back
};

// What interactive mode numbers on the top screen, in display order: buttons, inputs, check
// boxes and table rows, read from the screen's view model.
struct ScreenItem {
  enum class Kind { Button, CheckBox, Input, Row };
  Kind kind = Kind::Button;
  int element = 0;     // index in the model's elements
  int section = 0;     // rows only
  int row = 0;         // rows only
  int inputIndex = 0;  // 1-based among inputs and editable rows; 0 when it takes no text
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

  // The commands with their help, in the order `help` lists them.
  static std::string helpText();

 private:
  struct Command {
    const char* name;
    const char* usage;
    const char* help;
    Outcome (Session::*run)(const std::string& rest);
  };
  static const std::vector<Command>& commands();

  Outcome dispatch(const std::string& command, const std::string& rest);
  Outcome report(const ui::DriverResult& result);
  Outcome fail(const std::string& message);

  Outcome help(const std::string& rest);
  Outcome quit(const std::string& rest);
  Outcome screen(const std::string& rest);
  Outcome press(const std::string& rest);
  Outcome row(const std::string& rest);
  Outcome type(const std::string& rest);
  Outcome returnKey(const std::string& rest);
  Outcome cancel(const std::string& rest);
  Outcome alert(const std::string& rest);
  Outcome back(const std::string& rest);
  Outcome pick(const std::string& rest);
  Outcome wait(const std::string& rest);
  Outcome settle(const std::string& rest);
  Outcome position(const std::string& rest);
  Outcome network(const std::string& rest);
  Outcome foreground(const std::string& rest);
  Outcome activate(const std::string& rest);
  Outcome pushToken(const std::string& rest);
  Outcome push(const std::string& rest);
  Outcome attach(const std::string& rest);
  Outcome more(const std::string& rest);
  Outcome scroll(const std::string& rest);
  Outcome expect(const std::string& rest);

  Outcome pressNumbered(int number);
  Outcome typeNumbered(int number, const std::string& text);
  // Performs an action on the top screen unless an alert or a touch-blocking overlay is up.
  Outcome perform(const ui::Action& action, const std::string& what);
  void attachEvents();
  void printScreen(bool numbered);
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

// The model's lines as they are drawn, each with the item it shows when it shows one.
struct DrawnLine {
  std::string text;
  std::optional<ScreenItem> item;
};
std::vector<DrawnLine> drawnLines(const ui::ScreenModel& model, int firstRow = 0);

}  // namespace vokari::terminal
