#pragma once
// Drives the top screen the way a user does, by what is visible: press a control by its text,
// type into an input by its placeholder or caption, answer an alert by a button's title. The
// terminal client and the screen tests share it, so both see exactly what a renderer shows.

#include <string>
#include <vector>

#include "ui/Ui.h"

namespace vokari::ui {

struct DriverResult {
  bool ok = true;
  std::string error;
  static DriverResult fail(std::string why) { return {false, std::move(why)}; }
};

class Driver final {
 public:
  explicit Driver(Ui& ui) : ui_(ui) {}

  // The first navigation-bar button, button, row or check box whose visible text is the text,
  // in display order; a row may also be named by the start of its text. A story of a news card
  // is tapped by its label "card.story" (1-based cards, story 0 the main one) or its title.
  DriverResult press(const std::string& text);
  // The input whose placeholder or caption is the field, or the n-th input when field is "#n";
  // an editable row counts as an input captioned with the row's text.
  DriverResult type(const std::string& field, const std::string& text);
  // The return key, the end of editing or the cancel control of an input.
  DriverResult returnKey(const std::string& field);
  DriverResult endEditing(const std::string& field);
  DriverResult cancel(const std::string& field);
  DriverResult alert(const std::string& button);
  DriverResult back();
  // Chooses the row with the text in the given column (1-based) of the first picker.
  DriverResult pick(int column, const std::string& rowText);

  // Each visible text of the top screen on its own line, in display order.
  std::vector<std::string> screenLines() const;
  // Whether the text appears on the top screen, in the overlay or in an open alert.
  bool shows(const std::string& text) const;

 private:
  DriverResult acceptsInput() const;
  DriverResult fieldAction(const std::string& field, Action action);
  Screen* top() const;
  Ui& ui_;
};

// The lines one screen model is drawn as (shared by the terminal's renderer).
std::vector<std::string> describe(const ScreenModel& model);

}  // namespace vokari::ui
