#include "Session.h"

#include <cstdlib>
#include <ostream>
#include <sstream>

#include "AttachCommand.h"
#include "DisplayWidth.h"

namespace vokari::terminal {
namespace {

std::string hudLine(const ui::HudState& s) {
  switch (s.kind) {
    case ui::HudKind::Busy: return "hud: busy " + s.text;
    case ui::HudKind::Success: return "hud: success " + s.text;
    case ui::HudKind::Error: return "hud: error " + s.text;
    case ui::HudKind::Hidden: break;
  }
  return "hud: hidden";
}

std::string alertLine(const ui::AlertModel& a) {
  std::string line = a.sheet ? "alert: sheet " : "alert: ";
  line += a.title + " | " + a.message + " |";
  for (const auto& b : a.buttons) line += " [" + b + "]";
  return line;
}

std::optional<int> number(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return {};
  return std::atoi(text.c_str());
}

// Rows of a table keep their details in one column, measured in terminal columns.
std::vector<std::string> aligned(const std::vector<std::string>& lines) {
  std::size_t width = 0;
  for (const auto& l : lines) {
    if (auto gap = l.find("  ", 2); l.rfind("  ", 0) == 0 || l.rfind("✓ ", 0) == 0) {
      if (gap != std::string::npos) width = std::max(width, displayWidth(l.substr(0, gap)));
    }
  }
  std::vector<std::string> out;
  for (const auto& l : lines) {
    auto gap = l.find("  ", 2);
    bool row = l.rfind("  ", 0) == 0 || l.rfind("✓ ", 0) == 0;
    out.push_back(row && gap != std::string::npos
                      ? padTo(l.substr(0, gap), width) + "  " + l.substr(gap + 2)
                      : l);
  }
  return out;
}

bool startsWith(const std::string& l, const char* prefix) { return l.rfind(prefix, 0) == 0; }

bool isCheckBox(const std::string& l) { return startsWith(l, "[x] ") || startsWith(l, "[ ] "); }
bool isRow(const std::string& l) { return startsWith(l, "  ") || startsWith(l, "✓ "); }
bool isInput(const std::string& l) {
  return (startsWith(l, "[") && !isCheckBox(l)) ||
         (!startsWith(l, "<") && l.find(" [") != std::string::npos);
}

// What interactive mode numbers, in the order drawn: buttons, inputs, check boxes and rows.
struct Item {
  std::string line;
  bool input;
  int inputIndex;  // 1-based among inputs
};

std::vector<Item> numberedItems(const std::vector<std::string>& lines) {
  std::vector<Item> items;
  int inputs = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {  // line 0 is the navigation bar
    const std::string& l = lines[i];
    bool input = isInput(l);
    if (input) ++inputs;
    if (input || isRow(l) || isCheckBox(l) || startsWith(l, "<")) items.push_back({l, input, inputs});
  }
  return items;
}

}  // namespace

std::string helpText() {
  return "commands:\n"
         "  screen                      print the current screen\n"
         "  press <text> | <n>          press a button, bar button, row or check box\n"
         "  type <field> <text>         fill the input with that placeholder or caption (#n: n-th)\n"
         "  <n> <text>                  fill input number n\n"
         "  return <field>              the return key on an input; cancel <field>: its cancel\n"
         "  alert <button>              answer the alert or sheet on top\n"
         "  back                        the navigation bar's back control\n"
         "  pick <column> <row text>    choose in a picker\n"
         "  wait <seconds> | settle     let time pass / wait for replies (at most 30 s)\n"
         "  position <lat> <lon> | position fail | position denied\n"
         "  network on | network off\n"
         "  push-token <hex> | push <alert text>\n"
         "  attach <path> | attach cancel  answer an open picture/video picker (by content)\n"
         "  expect <text>               fail unless the text is shown\n"
         "  help | quit\n"
         "$CODE stands for the last verification code the built-in services sent.\n";
}

Session::Session(SessionTargets targets, std::ostream& out, bool interactive)
    : t_(std::move(targets)), driver_(*t_.ui), out_(out), interactive_(interactive) {
  attachEvents();
}

void Session::say(const std::string& line) { out_ << line << '\n' << std::flush; }

void Session::attachEvents() {
  t_.ui->hud->onChange = [this](const ui::HudState& s) { say(hudLine(s)); };
  t_.ui->alerts->onShow = [this](const ui::AlertModel& a) { say(alertLine(a)); };
  t_.ui->navigator->onTopChanged = [this](ui::Screen& s) {
    say("screen: " + s.title);
    screenChanged_ = true;
  };
  t_.urls->onOpen = [this](const std::string& url) { say("open: " + url); };
}

void Session::textMessage(const std::string& phone, const std::string& text,
                          const std::string& code) {
  std::lock_guard lock(messagesMutex_);
  messages_.push_back("sms: " + phone + " " + text);
  lastCode_ = code;
}

void Session::flush() {
  std::vector<std::string> lines;
  {
    std::lock_guard lock(messagesMutex_);
    lines.swap(messages_);
  }
  for (const auto& l : lines) say(l);
  if (interactive_ && screenChanged_) printScreen();
}

void Session::printScreen() {
  screenChanged_ = false;
  auto lines = aligned(driver_.screenLines());
  if (!interactive_) {
    for (const auto& l : lines) say(l);
    return;
  }
  // Interactive: number what can be chosen, so "3" presses item 3.
  auto items = numberedItems(lines);
  std::size_t next = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (i > 0 && next < items.size() && items[next].line == l) {
      say("[" + std::to_string(++next) + "] " + l);
    } else {
      say("    " + l);
    }
  }
}

std::string Session::substitute(const std::string& line) const {
  std::string out = line;
  for (auto at = out.find("$CODE"); at != std::string::npos; at = out.find("$CODE", at)) {
    out.replace(at, 5, lastCode_);
    at += lastCode_.size();
  }
  return out;
}

Session::Outcome Session::fail(const std::string& message) {
  say("error: " + message);
  return Outcome::Error;
}

Session::Outcome Session::report(const ui::DriverResult& result) {
  return result.ok ? Outcome::Continue : fail(result.error);
}

Session::Outcome Session::execute(const std::string& raw) {
  std::string line;
  {
    std::lock_guard lock(messagesMutex_);
    line = substitute(raw);
  }
  auto first = line.find_first_not_of(" \t");
  if (first == std::string::npos || line[first] == '#') return Outcome::Continue;
  line = line.substr(first);
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  auto space = line.find(' ');
  std::string command = line.substr(0, space);
  std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
  t_.clock->pump();
  Outcome outcome = run(command, rest);
  t_.clock->pump();
  flush();
  return outcome;
}

Session::Outcome Session::run(const std::string& command, const std::string& rest) {
  if (auto n = number(command)) {
    return rest.empty() ? pressNumbered(*n) : typeNumbered(*n, rest);
  }
  if (command == "help") {
    out_ << helpText() << std::flush;
    return Outcome::Continue;
  }
  if (command == "quit" || command == "exit") return Outcome::Quit;
  if (command == "screen") {
    screenChanged_ = true;
    bool wasInteractive = interactive_;
    interactive_ = false;  // "screen" prints the plain texts, one a line
    printScreen();
    interactive_ = wasInteractive;
    return Outcome::Continue;
  }
  if (command == "press") {
    if (auto n = number(rest); n && interactive_) return pressNumbered(*n);
    return report(driver_.press(rest));
  }
  if (command == "type" || command == "return" || command == "cancel") {
    auto space = rest.find(' ');
    std::string field = rest.substr(0, space);
    if (command == "return") return report(driver_.returnKey(rest));
    if (command == "cancel") return report(driver_.cancel(rest));
    return report(driver_.type(field, space == std::string::npos ? "" : rest.substr(space + 1)));
  }
  if (command == "alert") return report(driver_.alert(rest));
  if (command == "back") return report(driver_.back());
  if (command == "pick") {
    auto space = rest.find(' ');
    auto column = number(rest.substr(0, space));
    if (!column || space == std::string::npos) return fail("pick wants <column> <row text>");
    return report(driver_.pick(*column, rest.substr(space + 1)));
  }
  if (command == "wait") {
    char* end = nullptr;
    double seconds = std::strtod(rest.c_str(), &end);
    if (rest.empty() || *end != '\0' || seconds < 0) return fail("wait wants a number of seconds");
    t_.clock->wait(seconds);
    return Outcome::Continue;
  }
  if (command == "settle") return settle();
  if (command == "position") return position(rest);
  if (command == "network") {
    if (rest != "on" && rest != "off") return fail("network wants on or off");
    t_.reachability->setOverride(rest == "on");
    return Outcome::Continue;
  }
  if (command == "push-token") {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < rest.size(); i += 2) {
      bytes.push_back(static_cast<char>(std::strtol(rest.substr(i, 2).c_str(), nullptr, 16)));
    }
    if (rest.empty() || rest.size() % 2 || rest.find_first_not_of("0123456789abcdefABCDEF") !=
                                                std::string::npos) {
      return fail("push-token wants hexadecimal bytes");
    }
    if (t_.deliverToken) t_.deliverToken(bytes);
    return Outcome::Continue;
  }
  if (command == "push") {
    if (t_.deliverNotification) t_.deliverNotification(rest);
    return Outcome::Continue;
  }
  if (command == "attach") {
    std::string said = attachFile(t_.picker, rest);
    if (said.starts_with("error: ")) return fail(said.substr(7));
    say(said);
    return Outcome::Continue;
  }
  if (command == "expect") {
    if (driver_.shows(rest)) return Outcome::Continue;
    say("expect failed: \"" + rest + "\" is not shown");
    for (const auto& l : driver_.screenLines()) say("  | " + l);
    return Outcome::ExpectFailed;
  }
  return fail("unknown command \"" + command + "\" (try help)");
}

Session::Outcome Session::settle() {
  RunLoop& loop = t_.clock->loop();
  auto quiet = [&] {
    return (!t_.requestsInFlight || t_.requestsInFlight() == 0) && !loop.hasDueWork();
  };
  if (!t_.clock->waitUntil(quiet, 30)) say("settle: still busy after 30 s");
  return Outcome::Continue;
}

Session::Outcome Session::position(const std::string& rest) {
  if (rest == "fail") {
    t_.location->fail();
  } else if (rest == "denied") {
    t_.location->setAuthorization(LocationAuthorization::Denied);
  } else {
    std::istringstream in(rest);
    double lat = 0, lon = 0;
    std::string extra;
    if (!(in >> lat >> lon) || (in >> extra)) return fail("position wants <lat> <lon>, fail or denied");
    t_.location->setAuthorization(LocationAuthorization::Authorized);
    t_.location->report(lat, lon);
  }
  return Outcome::Continue;
}

// The numbers printed in interactive mode.
Session::Outcome Session::pressNumbered(int wanted) {
  auto items = numberedItems(aligned(driver_.screenLines()));
  if (wanted < 1 || wanted > static_cast<int>(items.size())) {
    return fail("no item " + std::to_string(wanted));
  }
  const std::string& l = items[wanted - 1].line;
  if (items[wanted - 1].input) {
    return fail("item " + std::to_string(wanted) + " is an input: type \"" + std::to_string(wanted) +
                " <text>\"");
  }
  if (startsWith(l, "<")) return report(driver_.press(l.substr(1, l.find('>') - 1)));
  if (isCheckBox(l)) return report(driver_.press(l.substr(4)));
  std::string text = l.substr(startsWith(l, "✓ ") ? std::string("✓ ").size() : 2);
  return report(driver_.press(text.substr(0, text.find("  "))));
}

Session::Outcome Session::typeNumbered(int wanted, const std::string& text) {
  auto items = numberedItems(aligned(driver_.screenLines()));
  if (wanted < 1 || wanted > static_cast<int>(items.size())) {
    return fail("no item " + std::to_string(wanted));
  }
  if (!items[wanted - 1].input) return fail("item " + std::to_string(wanted) + " is not an input");
  return report(driver_.type("#" + std::to_string(items[wanted - 1].inputIndex), text));
}

}  // namespace vokari::terminal
