#pragma once
// Drives the top screen the way a user does, by what is visible: press a control by its text,
// type into an input by its placeholder or caption, answer an alert by a button's title. The
// terminal client and the screen tests share it, so both see exactly what a renderer shows.

#include <memory>
#include <optional>
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
  // in display order; a row may also be named by the start of its text. A part of a card in a
  // card list is tapped by its label "row.tag" as drawn (rows from 1), or by its title among the
  // rows shown.
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
  // Rows of a card list drawn at once; the window starts at the first row for every new screen.
  static constexpr int kWindowRows = 5;
  // Moves the window of the card list to start at the row (from 0), or to the next rows.
  DriverResult scroll(int firstRow);
  DriverResult more();
  int firstRow() const;

  // Each visible text of the top screen on its own line, in display order.
  std::vector<std::string> screenLines() const;
  // Whether the text appears on the top screen, in the overlay or in an open alert.
  bool shows(const std::string& text) const;

 private:
  DriverResult acceptsInput() const;
  DriverResult fieldAction(const std::string& field, Action action);
  Screen* top() const;
  std::optional<DriverResult> pressPart(Screen& screen, const ScreenModel& m,
                                        const std::string& text);
  Ui& ui_;
  // The screen the window was moved on, by identity: a screen made later at the freed one's
  // address is another screen and starts at the top.
  std::weak_ptr<const Screen> windowScreen_;
  int firstRow_ = 0;
};

// The lines one screen model is drawn as (shared by the terminal's renderer); a card list shows
// the window of kWindowRows rows from firstRow, and asks its list for those rows.
std::vector<std::string> describe(const ScreenModel& model, int firstRow = 0);

}  // namespace vokari::ui
