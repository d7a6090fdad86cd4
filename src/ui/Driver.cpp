#include "ui/Driver.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>

namespace vokari::ui {
namespace {

std::string masked(const TextFieldModel& f) {
  if (!f.secure) return f.text;
  std::string dots;
  for (std::size_t i = 0; i < f.text.size(); ++i) {
    if ((f.text[i] & 0xC0) != 0x80) dots += "•";
  }
  return dots;
}

void describeField(const TextFieldModel& f, std::vector<std::string>& out) {
  std::string line = f.label.empty() ? "" : f.label + " ";
  line += f.text.empty() ? "[" + f.placeholder + "]" : "[" + masked(f) + "]";
  if (!f.enabled) line += " (disabled)";
  out.push_back(line);
}

void describeTable(const TableModel& t, std::vector<std::string>& out) {
  for (const auto& section : t.sections) {
    if (!section.heading.empty()) out.push_back("# " + section.heading);
    for (const auto& row : section.rows) {
      std::string line = row.checked ? "✓ " : "  ";
      line += row.text;
      if (!row.detail.empty()) line += "  " + row.detail;
      if (row.disclosure) line += "  >";
      out.push_back(line);
    }
  }
}

void describePicker(const PickerModel& p, std::vector<std::string>& out) {
  for (std::size_t c = 0; c < p.columns.size(); ++c) {
    int selected = c < p.selected.size() ? p.selected[c] : 0;
    std::string line = "picker " + std::to_string(c + 1) + ":";
    for (std::size_t r = 0; r < p.columns[c].size(); ++r) {
      line +=
          static_cast<int>(r) == selected ? " (" + p.columns[c][r] + ")" : " " + p.columns[c][r];
    }
    out.push_back(line);
  }
}

std::string pictureState(const PictureModel& p) {
  if (p.source.empty()) return "no picture";
  if (p.failed) return "picture ✗";
  return p.bytes ? "picture ✓" : "picture …";
}

// A card as its caption, then one line per part labelled "row.tag" (rows counted from 1), so
// that a person can tap a part by that label or by its title.
void describeCard(const CardModel& c, int row, std::vector<std::string>& out) {
  std::string n = std::to_string(row + 1) + ".";
  out.push_back("— " + c.caption + " —");
  for (const auto& part : c.parts) {
    out.push_back("  " + n + std::to_string(part.tag) + " " + part.title + "  " +
                  pictureState(part.picture));
  }
}

void describeCards(const CardListModel& l, int first, std::vector<std::string>& out) {
  std::shared_ptr<CardRows> rows = l.rows.lock();
  if (l.hidden || !rows) return;
  rows->reach(first + Driver::kWindowRows);
  first = std::clamp(first, 0, std::max(0, rows->count() - 1));
  rows->show(first, first + Driver::kWindowRows - 1);
  int last = std::min(rows->count(), first + Driver::kWindowRows) - 1;
  for (int row = first; row <= last; ++row) describeCard(*rows->card(row), row, out);
  if (first > 0 || last + 1 < rows->count()) {
    // Rows not yet reached are not counted: "50+" says that more may follow.
    out.push_back("… " + std::to_string(first + 1) + "–" + std::to_string(last + 1) + " of " +
                  std::to_string(rows->count()) + (rows->more() ? "+" : "") + " (more, scroll N)");
  }
}

void describeElement(const ElementModel& e, int firstRow, std::vector<std::string>& out) {
  if (auto* cards = std::get_if<CardListModel>(&e)) {
    describeCards(*cards, firstRow, out);
  } else if (auto* l = std::get_if<LabelModel>(&e)) {
    if (l->hidden) return;
    std::size_t start = 0;
    while (start <= l->text.size()) {
      std::size_t end = l->text.find('\n', start);
      if (end == std::string::npos) end = l->text.size();
      out.push_back(l->text.substr(start, end - start));
      start = end + 1;
    }
  } else if (auto* f = std::get_if<TextFieldModel>(&e)) {
    if (!f->hidden) describeField(*f, out);
  } else if (auto* b = std::get_if<ButtonModel>(&e)) {
    if (!b->hidden) out.push_back("<" + b->title + ">" + (b->enabled ? "" : " (disabled)"));
  } else if (auto* c = std::get_if<CheckBoxModel>(&e)) {
    if (!c->hidden) out.push_back((c->checked ? "[x] " : "[ ] ") + c->title);
  } else if (auto* t = std::get_if<TableModel>(&e)) {
    if (!t->hidden) describeTable(*t, out);
  } else if (auto* p = std::get_if<PickerModel>(&e)) {
    if (!p->hidden) describePicker(*p, out);
  } else if (auto* pic = std::get_if<PictureModel>(&e)) {
    if (!pic->hidden)
      out.push_back("[picture " + pic->source + (pic->bytes ? "" : " (loading)") + "]");
  }
}

bool startsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// The point a finger taps to act on a part: the middle of its tap area.
std::pair<double, double> partPoint(const CardPartModel& p) {
  return {p.tapArea.x + p.tapArea.width / 2, p.tapArea.y + p.tapArea.height / 2};
}

// The row (from 0) and part a label "row.tag" names, when it has that shape.
std::optional<std::pair<int, int>> partLabel(const std::string& text) {
  std::size_t dot = text.find('.');
  if (dot == 0 || dot == std::string::npos || dot + 1 == text.size() || dot > 7 ||
      text.size() - dot > 4 || text.find_first_not_of("0123456789.") != std::string::npos ||
      text.find('.', dot + 1) != std::string::npos) {
    return std::nullopt;
  }
  return std::make_pair(std::stoi(text.substr(0, dot)) - 1, std::stoi(text.substr(dot + 1)));
}

}  // namespace

std::vector<std::string> describe(const ScreenModel& m, int firstRow) {
  std::vector<std::string> out;
  std::string bar;
  if (m.backVisible) bar += m.backEnabled ? "<返回> " : "<返回> (disabled) ";
  if (m.leftButton) bar += "<" + m.leftButton->title + "> ";
  bar += "== " + m.title + " ==";
  if (m.rightButton) {
    bar += " <" + m.rightButton->title + ">" + (m.rightButton->enabled ? "" : " (disabled)");
  }
  out.push_back(bar);
  for (const auto& e : m.elements) describeElement(e, firstRow, out);
  return out;
}

Screen* Driver::top() const {
  return ui_.navigator ? ui_.navigator->top() : nullptr;
}

DriverResult Driver::acceptsInput() const {
  if (!top()) return DriverResult::fail("no screen is shown");
  if (ui_.alerts && ui_.alerts->top())
    return DriverResult::fail("an alert is open: answer it first");
  if (ui_.hud && ui_.hud->state().blocksTouches) {
    return DriverResult::fail("the screen is busy (\"" + ui_.hud->state().text + "\")");
  }
  return {};
}

DriverResult Driver::press(const std::string& text) {
  if (auto r = acceptsInput(); !r.ok) return r;
  Screen& screen = *top();
  ScreenModel m = screen.model();
  auto pressed = [&](bool ok) {
    return ok ? DriverResult{} : DriverResult::fail("\"" + text + "\" is disabled");
  };
  if (m.leftButton && m.leftButton->title == text) return pressed(screen.pressLeft());
  if (m.rightButton && m.rightButton->title == text) return pressed(screen.pressRight());
  if (auto part = pressPart(screen, m, text)) return *part;
  for (int pass = 0; pass < 2; ++pass) {  // exact texts first, then rows by their start
    for (int i = 0; i < static_cast<int>(m.elements.size()); ++i) {
      const ElementModel& e = m.elements[i];
      if (auto* b = std::get_if<ButtonModel>(&e);
          b && pass == 0 && !b->hidden && b->title == text) {
        return pressed(screen.perform(Action::on(Action::Kind::Press, i)));
      }
      if (auto* c = std::get_if<CheckBoxModel>(&e);
          c && pass == 0 && !c->hidden && c->title == text) {
        return pressed(screen.perform(Action::on(Action::Kind::Press, i)));
      }
      auto* t = std::get_if<TableModel>(&e);
      if (!t || t->hidden) continue;
      for (int s = 0; s < static_cast<int>(t->sections.size()); ++s) {
        for (int r = 0; r < static_cast<int>(t->sections[s].rows.size()); ++r) {
          const auto& row = t->sections[s].rows[r];
          bool match = pass == 0 ? row.text == text : startsWith(row.text, text);
          if (match) return pressed(screen.perform(Action::select(i, s, r)));
        }
      }
    }
  }
  return DriverResult::fail("nothing named \"" + text + "\" on the screen");
}

int Driver::firstRow() const {
  std::shared_ptr<const Screen> shown = windowScreen_.lock();
  return shown && shown.get() == top() ? firstRow_ : 0;
}

std::optional<DriverResult> Driver::pressPart(Screen& screen, const ScreenModel& m,
                                              const std::string& text) {
  std::optional<std::pair<int, int>> label = partLabel(text);
  for (int i = 0; i < static_cast<int>(m.elements.size()); ++i) {
    auto* l = std::get_if<CardListModel>(&m.elements[i]);
    std::shared_ptr<CardRows> rows = l ? l->rows.lock() : nullptr;
    if (!rows || l->hidden) continue;
    // A label names any row; a title only the rows in the window shown.
    int first = label ? label->first : firstRow();
    int last = label ? label->first : std::min(rows->count(), first + kWindowRows) - 1;
    for (int row = first; row <= last; ++row) {
      const CardModel* card = rows->card(row);
      if (!card) continue;
      for (const auto& part : card->parts) {
        bool named = label ? part.tag == label->second : !part.title.empty() && part.title == text;
        if (!named) continue;
        auto [x, y] = partPoint(part);
        if (screen.perform(Action::tap(i, row, x, y))) return DriverResult{};
        return DriverResult::fail("\"" + text + "\" is disabled");
      }
    }
  }
  return std::nullopt;
}

DriverResult Driver::scroll(int firstRow) {
  if (auto r = acceptsInput(); !r.ok) return r;
  for (const auto& e : top()->model().elements) {
    auto* l = std::get_if<CardListModel>(&e);
    std::shared_ptr<CardRows> rows = l ? l->rows.lock() : nullptr;
    if (!rows || l->hidden) continue;
    rows->reach(firstRow + 1);
    if (firstRow < 0 || firstRow >= rows->count()) {
      return DriverResult::fail("the list has rows 1 to " + std::to_string(rows->count()));
    }
    windowScreen_ = top()->weak_from_this();
    firstRow_ = firstRow;
    return {};
  }
  return DriverResult::fail("no list on the screen");
}

DriverResult Driver::more() {
  return scroll(firstRow() + kWindowRows);
}

DriverResult Driver::fieldAction(const std::string& field, Action action) {
  if (auto r = acceptsInput(); !r.ok) return r;
  Screen& screen = *top();
  ScreenModel m = screen.model();
  int wanted = field.size() > 1 && field[0] == '#' ? std::atoi(field.c_str() + 1) : 0;
  int seen = 0;
  for (int i = 0; i < static_cast<int>(m.elements.size()); ++i) {
    if (auto* f = std::get_if<TextFieldModel>(&m.elements[i]); f && !f->hidden) {
      ++seen;
      if (wanted ? seen == wanted : (f->placeholder == field || f->label == field)) {
        action.element = i;
        if (!screen.perform(action)) return DriverResult::fail("the input is disabled");
        return {};
      }
    }
    auto* t = std::get_if<TableModel>(&m.elements[i]);
    if (!t || t->hidden || action.kind != Action::Kind::Edit) continue;
    for (int s = 0; s < static_cast<int>(t->sections.size()); ++s) {
      for (int r = 0; r < static_cast<int>(t->sections[s].rows.size()); ++r) {
        const auto& row = t->sections[s].rows[r];
        if (!row.editable) continue;
        ++seen;
        if (wanted ? seen == wanted : row.text == field) {
          screen.perform(Action::editRow(i, s, r, action.text));
          return {};
        }
      }
    }
  }
  return DriverResult::fail("no input \"" + field + "\" on the screen");
}

DriverResult Driver::type(const std::string& field, const std::string& text) {
  return fieldAction(field, Action::edit(0, text));
}

DriverResult Driver::returnKey(const std::string& field) {
  return fieldAction(field, Action::on(Action::Kind::Return, 0));
}

DriverResult Driver::endEditing(const std::string& field) {
  return fieldAction(field, Action::on(Action::Kind::EndEditing, 0));
}

DriverResult Driver::cancel(const std::string& field) {
  return fieldAction(field, Action::on(Action::Kind::Cancel, 0));
}

DriverResult Driver::alert(const std::string& button) {
  const AlertModel* open = ui_.alerts ? ui_.alerts->top() : nullptr;
  if (!open) return DriverResult::fail("no alert is open");
  for (int i = 0; i < static_cast<int>(open->buttons.size()); ++i) {
    if (open->buttons[i] == button) {
      ui_.alerts->press(i);
      return {};
    }
  }
  return DriverResult::fail("the alert has no button \"" + button + "\"");
}

DriverResult Driver::back() {
  if (auto r = acceptsInput(); !r.ok) return r;
  Screen& screen = *top();
  ScreenModel m = screen.model();
  if (m.leftButton) {
    return screen.pressLeft() ? DriverResult{} : DriverResult::fail("the back control is disabled");
  }
  if (!m.backVisible) return DriverResult::fail("the screen has no back control");
  if (!screen.pressBack()) return DriverResult::fail("the back control is disabled");
  return {};
}

DriverResult Driver::pick(int column, const std::string& rowText) {
  if (auto r = acceptsInput(); !r.ok) return r;
  Screen& screen = *top();
  ScreenModel m = screen.model();
  for (int i = 0; i < static_cast<int>(m.elements.size()); ++i) {
    auto* p = std::get_if<PickerModel>(&m.elements[i]);
    if (!p || p->hidden) continue;
    if (column < 1 || column > static_cast<int>(p->columns.size())) {
      return DriverResult::fail("the picker has no column " + std::to_string(column));
    }
    const auto& rows = p->columns[column - 1];
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
      if (rows[r] == rowText) {
        screen.perform(Action::pick(i, column - 1, r));
        return {};
      }
    }
    return DriverResult::fail("the picker has no row \"" + rowText + "\"");
  }
  return DriverResult::fail("no picker on the screen");
}

std::vector<std::string> Driver::screenLines() const {
  Screen* screen = top();
  return screen ? describe(screen->model(), firstRow()) : std::vector<std::string>{};
}

bool Driver::shows(const std::string& text) const {
  auto has = [&](const std::string& s) { return s.find(text) != std::string::npos; };
  for (const auto& line : screenLines()) {
    if (has(line)) return true;
  }
  if (ui_.hud && ui_.hud->visible() && has(ui_.hud->state().text)) return true;
  if (const AlertModel* a = ui_.alerts ? ui_.alerts->top() : nullptr) {
    if (has(a->title) || has(a->message)) return true;
    for (const auto& b : a->buttons) {
      if (has(b)) return true;
    }
  }
  return false;
}

}  // namespace vokari::ui
