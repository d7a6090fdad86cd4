#include "Session.h"

#include <algorithm>
#include <cstdlib>
#include <ostream>

#include "AttachCommand.h"
#include "DisplayWidth.h"
#include "Options.h"

namespace vokari::terminal {
namespace {

std::string hudLine(const ui::HudState& s) {
  switch (s.kind) {
    case ui::HudKind::Busy:
      return "hud: busy " + s.text;
    case ui::HudKind::Success:
      return "hud: success " + s.text;
    case ui::HudKind::Error:
      return "hud: error " + s.text;
    case ui::HudKind::Hidden:
      break;
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
  if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
    return {};
  return std::atoi(text.c_str());
}

std::pair<std::string, std::string> firstWord(const std::string& text) {
  auto space = text.find(' ');
  if (space == std::string::npos) return {text, ""};
  return {text.substr(0, space), text.substr(space + 1)};
}

// The lines one element is drawn as, by the toolkit's own renderer (a card list: the window
// from firstRow, each card labelled with its own row number).
std::vector<std::string> linesOf(const ui::ElementModel& element, int firstRow = 0) {
  ui::ScreenModel alone;
  alone.elements.push_back(element);
  std::vector<std::string> lines = ui::describe(alone, firstRow);
  lines.erase(lines.begin());  // the navigation bar
  return lines;
}

void addTable(const ui::TableModel& table, int element, int& inputs, std::vector<DrawnLine>& out) {
  for (int s = 0; s < static_cast<int>(table.sections.size()); ++s) {
    const ui::TableSectionModel& section = table.sections[s];
    if (!section.heading.empty()) out.push_back({"# " + section.heading, std::nullopt});
    for (int r = 0; r < static_cast<int>(section.rows.size()); ++r) {
      ui::TableModel one;
      one.sections.push_back({"", {section.rows[r]}});
      ScreenItem item{ScreenItem::Kind::Row, element, s, r, 0};
      if (section.rows[r].editable) item.inputIndex = ++inputs;
      out.push_back({linesOf(one).front(), item});
    }
  }
}

// Rows of a table keep their details in one column, measured in terminal columns.
std::vector<std::string> aligned(const std::vector<std::string>& lines) {
  auto isRow = [](const std::string& l) { return l.rfind("  ", 0) == 0 || l.rfind("✓ ", 0) == 0; };
  std::size_t width = 0;
  for (const auto& l : lines) {
    if (auto gap = l.find("  ", 2); isRow(l) && gap != std::string::npos)
      width = std::max(width, displayWidth(l.substr(0, gap)));
  }
  std::vector<std::string> out;
  for (const auto& l : lines) {
    auto gap = l.find("  ", 2);
    out.push_back(isRow(l) && gap != std::string::npos
                      ? padTo(l.substr(0, gap), width) + "  " + l.substr(gap + 2)
                      : l);
  }
  return out;
}

std::vector<ScreenItem> itemsOf(const std::vector<DrawnLine>& lines) {
  std::vector<ScreenItem> items;
  for (const auto& line : lines) {
    if (line.item) items.push_back(*line.item);
  }
  return items;
}

// Settle gives up after this much real time, so a script never hangs on a service that does not
// answer.
constexpr double kSettleSeconds = 30;

}  // namespace

std::vector<DrawnLine> drawnLines(const ui::ScreenModel& model, int firstRow) {
  ui::ScreenModel bar = model;
  bar.elements.clear();
  std::vector<DrawnLine> out{{ui::describe(bar).front(), std::nullopt}};
  int inputs = 0;
  for (int i = 0; i < static_cast<int>(model.elements.size()); ++i) {
    const ui::ElementModel& e = model.elements[i];
    std::optional<ScreenItem> item;
    if (auto* b = std::get_if<ui::ButtonModel>(&e); b && !b->hidden) {
      item = ScreenItem{ScreenItem::Kind::Button, i};
    } else if (auto* c = std::get_if<ui::CheckBoxModel>(&e); c && !c->hidden) {
      item = ScreenItem{ScreenItem::Kind::CheckBox, i};
    } else if (auto* f = std::get_if<ui::TextFieldModel>(&e); f && !f->hidden) {
      item = ScreenItem{ScreenItem::Kind::Input, i, 0, 0, ++inputs};
    } else if (auto* t = std::get_if<ui::TableModel>(&e); t && !t->hidden) {
      addTable(*t, i, inputs, out);
      continue;
    }
    for (const auto& text : linesOf(e, firstRow)) out.push_back({text, item});
  }
  return out;
}

const std::vector<Session::Command>& Session::commands() {
  static const std::vector<Command> table = {
      {"screen", "screen", "print the current screen", &Session::screen},
      {"press", "press <text> | <n>",
       "press the bar button, button, check box or row with that text (buttons first; a row also "
       "by the start of its text), or item n; <row>.<part> taps a part of a card as labelled "
       "(a news card: 0 the main story, 1-3 the further ones)",
       &Session::press},
      {"more", "more", "show the next rows of a long list", &Session::more},
      {"scroll", "scroll <n>", "show a long list from its row n", &Session::scroll},
      {"row", "row <text>",
       "select the table row with that text (or starting with it), never a button of the same "
       "text: \"row 交警\" picks the directory row where \"press 交警\" hits the tab",
       &Session::row},
      {"type", "type <field> <text>",
       "fill the input with that placeholder or caption (#n: the n-th input)", &Session::type},
      {"return", "return <field>", "the return key on an input", &Session::returnKey},
      {"cancel", "cancel <field>", "the cancel control of a search input", &Session::cancel},
      {"alert", "alert <button>", "answer the alert or sheet on top", &Session::alert},
      {"back", "back", "the navigation bar's back control", &Session::back},
      {"pick", "pick <column> <row text>", "choose in a picker", &Session::pick},
      {"wait", "wait <seconds>", "let the time pass, handling replies and timers meanwhile",
       &Session::wait},
      {"settle", "settle",
       "wait until no request or conversion is running and nothing is due now (at most 30 s); "
       "timers still to "
       "come (a notice's end, a screen opened after 1 s) are left to \"wait\"",
       &Session::settle},
      {"position", "position <lat>,<lon> | <lat> <lon> | fail | denied",
       "the phone's position; fail: a location failure; denied: permission withdrawn, which "
       "also reports a location failure",
       &Session::position},
      {"network", "network on | off",
       "off: the network is unreachable and every request fails as without a connection",
       &Session::network},
      {"foreground", "foreground", "the application returns to the foreground",
       &Session::foreground},
      {"activate", "activate", "the application becomes active", &Session::activate},
      {"push-token", "push-token <hex>", "the push service delivers a device token",
       &Session::pushToken},
      {"push", "push <alert text>", "a notification arrives", &Session::push},
      {"attach", "attach <path> | attach cancel",
       "answer an open picture or video picker (the kind is told by the content)",
       &Session::attach},
      {"expect", "expect <text>", "fail unless the text is on the screen, the overlay or an alert",
       &Session::expect},
      {"help", "help", "this list", &Session::help},
      {"quit", "quit | exit", "end the session", &Session::quit},
  };
  return table;
}

std::string Session::helpText() {
  std::string text = "commands:\n";
  auto line = [&](const std::string& usage, const std::string& help) {
    text +=
        "  " + usage + std::string(usage.size() < 28 ? 28 - usage.size() : 1, ' ') + help + "\n";
  };
  for (const Command& c : commands()) line(c.usage, c.help);
  line("<n> | <n> <text>", "in a terminal: press item n, or fill input n");
  return text + "$CODE stands for the last verification code the built-in services sent.\n";
}

Session::Session(SessionTargets targets, std::ostream& out, bool interactive)
    : t_(std::move(targets)), driver_(*t_.ui), out_(out), interactive_(interactive) {
  attachEvents();
}

void Session::say(const std::string& line) {
  out_ << line << '\n' << std::flush;
}

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
  if (interactive_ && screenChanged_) printScreen(true);
}

// Interactive mode numbers what can be chosen, so "3" presses item 3.
void Session::printScreen(bool numbered) {
  screenChanged_ = false;
  ui::Screen* top = t_.ui->navigator ? t_.ui->navigator->top() : nullptr;
  if (!top) return;
  std::vector<DrawnLine> lines = drawnLines(top->model(), driver_.firstRow());
  std::vector<std::string> texts;
  for (const auto& l : lines) texts.push_back(l.text);
  texts = aligned(texts);
  int next = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!numbered) {
      say(texts[i]);
    } else if (lines[i].item) {
      say("[" + std::to_string(++next) + "] " + texts[i]);
    } else {
      say("    " + texts[i]);
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
  auto [command, rest] = firstWord(line);
  if (command == "exit") command = "quit";
  t_.clock->pump();
  Outcome outcome = dispatch(command, rest);
  t_.clock->pump();
  // Drawn as a screen would be, printed or not: a long list learns which rows are on screen.
  driver_.screenLines();
  flush();
  return outcome;
}

Session::Outcome Session::dispatch(const std::string& command, const std::string& rest) {
  if (auto n = number(command)) return rest.empty() ? pressNumbered(*n) : typeNumbered(*n, rest);
  for (const Command& c : commands()) {
    if (command == c.name) return (this->*c.run)(rest);
  }
  return fail("unknown command \"" + command + "\" (try help)");
}

Session::Outcome Session::help(const std::string&) {
  out_ << helpText() << std::flush;
  return Outcome::Continue;
}

Session::Outcome Session::quit(const std::string&) {
  return Outcome::Quit;
}

// The plain texts, one a line, also in a terminal.
Session::Outcome Session::screen(const std::string&) {
  printScreen(false);
  return Outcome::Continue;
}

Session::Outcome Session::press(const std::string& rest) {
  if (auto n = number(rest); n && interactive_) return pressNumbered(*n);
  return report(driver_.press(rest));
}

Session::Outcome Session::row(const std::string& rest) {
  ui::Screen* top = t_.ui->navigator ? t_.ui->navigator->top() : nullptr;
  if (!top) return fail("no screen is shown");
  std::vector<ScreenItem> rows;
  std::vector<std::string> texts;
  ui::ScreenModel model = top->model();
  for (const auto& line : drawnLines(model)) {
    if (!line.item || line.item->kind != ScreenItem::Kind::Row) continue;
    const auto& table = std::get<ui::TableModel>(model.elements[line.item->element]);
    rows.push_back(*line.item);
    texts.push_back(table.sections[line.item->section].rows[line.item->row].text);
  }
  for (bool exact : {true, false}) {  // exact texts first, then by the start
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (exact ? texts[i] == rest : texts[i].rfind(rest, 0) == 0) {
        return perform(ui::Action::select(rows[i].element, rows[i].section, rows[i].row), texts[i]);
      }
    }
  }
  return fail("no row \"" + rest + "\" on the screen");
}

Session::Outcome Session::type(const std::string& rest) {
  auto [field, text] = firstWord(rest);
  return report(driver_.type(field, text));
}

Session::Outcome Session::returnKey(const std::string& rest) {
  return report(driver_.returnKey(rest));
}

Session::Outcome Session::cancel(const std::string& rest) {
  return report(driver_.cancel(rest));
}

Session::Outcome Session::alert(const std::string& rest) {
  return report(driver_.alert(rest));
}

Session::Outcome Session::back(const std::string&) {
  return report(driver_.back());
}

Session::Outcome Session::pick(const std::string& rest) {
  auto [columnText, rowText] = firstWord(rest);
  auto column = number(columnText);
  if (!column || rowText.empty()) return fail("pick wants <column> <row text>");
  return report(driver_.pick(*column, rowText));
}

Session::Outcome Session::wait(const std::string& rest) {
  char* end = nullptr;
  double seconds = std::strtod(rest.c_str(), &end);
  if (rest.empty() || *end != '\0' || !(seconds >= 0))
    return fail("wait wants a number of seconds");
  t_.clock->wait(seconds);
  return Outcome::Continue;
}

Session::Outcome Session::settle(const std::string&) {
  RunLoop& loop = t_.clock->loop();
  auto quiet = [&] {
    return (!t_.requestsInFlight || t_.requestsInFlight() == 0) &&
           (!t_.backgroundTasks || t_.backgroundTasks() == 0) && !loop.hasDueWork();
  };
  if (!t_.clock->waitUntil(quiet, kSettleSeconds)) say("settle: still busy after 30 s");
  return Outcome::Continue;
}

Session::Outcome Session::position(const std::string& rest) {
  if (rest == "fail") {
    t_.location->fail();
  } else if (rest == "denied") {
    // A phone whose permission is withdrawn stops delivering positions and reports a failure.
    t_.location->setAuthorization(LocationAuthorization::Denied);
    t_.location->fail();
  } else if (auto place = client::parsePosition(rest)) {
    t_.location->setAuthorization(LocationAuthorization::Authorized);
    t_.location->report(place->first, place->second);
  } else {
    return fail("position wants <lat>,<lon>, <lat> <lon>, fail or denied");
  }
  return Outcome::Continue;
}

Session::Outcome Session::network(const std::string& rest) {
  if (rest != "on" && rest != "off") return fail("network wants on or off");
  t_.reachability->setOverride(rest == "on");
  if (t_.network) t_.network->setOnline(rest == "on");
  return Outcome::Continue;
}

Session::Outcome Session::foreground(const std::string&) {
  if (t_.enterForeground) t_.enterForeground();
  return Outcome::Continue;
}

Session::Outcome Session::activate(const std::string&) {
  if (t_.becomeActive) t_.becomeActive();
  return Outcome::Continue;
}

Session::Outcome Session::pushToken(const std::string& rest) {
  if (rest.empty() || rest.size() % 2 ||
      rest.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
    return fail("push-token wants hexadecimal bytes");
  }
  std::string bytes;
  for (std::size_t i = 0; i + 1 < rest.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::strtol(rest.substr(i, 2).c_str(), nullptr, 16)));
  }
  if (t_.deliverToken) t_.deliverToken(bytes);
  return Outcome::Continue;
}

Session::Outcome Session::push(const std::string& rest) {
  if (t_.deliverNotification) t_.deliverNotification(rest);
  return Outcome::Continue;
}

Session::Outcome Session::attach(const std::string& rest) {
  std::string said = attachFile(t_.picker, rest);
  if (said.starts_with("error: ")) return fail(said.substr(7));
  say(said);
  return Outcome::Continue;
}

Session::Outcome Session::more(const std::string&) {
  Outcome outcome = report(driver_.more());
  if (outcome == Outcome::Continue) screenChanged_ = true;
  return outcome;
}

Session::Outcome Session::scroll(const std::string& rest) {
  auto n = number(rest);
  if (!n) return fail("scroll takes a row number");
  Outcome outcome = report(driver_.scroll(*n - 1));
  if (outcome == Outcome::Continue) screenChanged_ = true;
  return outcome;
}

Session::Outcome Session::expect(const std::string& rest) {
  if (driver_.shows(rest)) return Outcome::Continue;
  say("expect failed: \"" + rest + "\" is not shown");
  for (const auto& l : driver_.screenLines()) say("  | " + l);
  return Outcome::ExpectFailed;
}

Session::Outcome Session::perform(const ui::Action& action, const std::string& what) {
  ui::Screen* top = t_.ui->navigator ? t_.ui->navigator->top() : nullptr;
  if (!top) return fail("no screen is shown");
  if (t_.ui->alerts && t_.ui->alerts->top()) return fail("an alert is open: answer it first");
  if (t_.ui->hud && t_.ui->hud->state().blocksTouches)
    return fail("the screen is busy (\"" + t_.ui->hud->state().text + "\")");
  if (!top->perform(action)) return fail("\"" + what + "\" is disabled");
  return Outcome::Continue;
}

// The numbers printed in interactive mode.
Session::Outcome Session::pressNumbered(int wanted) {
  ui::Screen* top = t_.ui->navigator ? t_.ui->navigator->top() : nullptr;
  if (!top) return fail("no screen is shown");
  std::vector<ScreenItem> items = itemsOf(drawnLines(top->model(), driver_.firstRow()));
  if (wanted < 1 || wanted > static_cast<int>(items.size()))
    return fail("no item " + std::to_string(wanted));
  const ScreenItem& item = items[wanted - 1];
  std::string name = "item " + std::to_string(wanted);
  switch (item.kind) {
    case ScreenItem::Kind::Input:
      return fail(name + " is an input: type \"" + std::to_string(wanted) + " <text>\"");
    case ScreenItem::Kind::Row:
      return perform(ui::Action::select(item.element, item.section, item.row), name);
    case ScreenItem::Kind::Button:
    case ScreenItem::Kind::CheckBox:
      break;
  }
  return perform(ui::Action::on(ui::Action::Kind::Press, item.element), name);
}

Session::Outcome Session::typeNumbered(int wanted, const std::string& text) {
  ui::Screen* top = t_.ui->navigator ? t_.ui->navigator->top() : nullptr;
  if (!top) return fail("no screen is shown");
  std::vector<ScreenItem> items = itemsOf(drawnLines(top->model(), driver_.firstRow()));
  if (wanted < 1 || wanted > static_cast<int>(items.size()))
    return fail("no item " + std::to_string(wanted));
  const ScreenItem& item = items[wanted - 1];
  if (item.inputIndex == 0) return fail("item " + std::to_string(wanted) + " is not an input");
  return report(driver_.type("#" + std::to_string(item.inputIndex), text));
}

}  // namespace vokari::terminal
