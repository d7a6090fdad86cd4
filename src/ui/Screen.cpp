#include "ui/Screen.h"

#include <algorithm>

#include "ui/Navigator.h"

namespace vokari::ui {
namespace {

template <typename... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

bool call(const std::function<void()>& f) {
  if (!f) return false;
  f();
  return true;
}

bool performOnField(TextField& field, const Action& action) {
  if (field.hidden || !field.enabled) return false;
  switch (action.kind) {
    case Action::Kind::Edit:
      field.text = action.text;
      if (field.onChange) field.onChange();
      return true;
    case Action::Kind::Return:
      return call(field.onReturn) || true;
    case Action::Kind::EndEditing:
      field.focused = false;
      return call(field.onEndEditing) || true;
    case Action::Kind::Cancel:
      return call(field.onCancel);
    default:
      return false;
  }
}

bool performOnTable(Table& table, const Action& action) {
  if (table.hidden || action.section < 0 || action.row < 0 ||
      action.section >= static_cast<int>(table.sections.size()) ||
      action.row >= static_cast<int>(table.sections[action.section].rows.size())) {
    return false;
  }
  if (action.kind == Action::Kind::Select && table.onSelect) {
    table.onSelect(action.section, action.row);
    return true;
  }
  if (action.kind == Action::Kind::EditRow && table.onEditRow &&
      table.sections[action.section].rows[action.row].editable) {
    table.onEditRow(action.section, action.row, action.text);
    return true;
  }
  return false;
}

bool performOnPicker(Picker& picker, const Action& action) {
  int column = action.section;
  if (picker.hidden || action.kind != Action::Kind::Pick || column < 0 ||
      column >= static_cast<int>(picker.columns.size()) || action.row < 0 ||
      action.row >= static_cast<int>(picker.columns[column].size())) {
    return false;
  }
  if (picker.selected.size() < picker.columns.size()) picker.selected.resize(picker.columns.size());
  picker.selected[column] = action.row;
  if (picker.onPick) picker.onPick(column, action.row);
  return true;
}

}  // namespace

void Screen::loadViewIfNeeded() {
  if (loaded_) return;
  loaded_ = true;
  viewDidLoad();
}

void Screen::backPressed() {
  if (!navigator_) return;
  if (navigator_->indexInStack(*this) > 0) {
    pop();
  } else {
    dismiss();
  }
}

bool Screen::hasBackControl() const {
  if (hidesBackButton || !navigator_) return false;
  return navigator_->indexInStack(*this) > 0 || backOnRoot;
}

ScreenModel Screen::model() const {
  ScreenModel m;
  m.title = title;
  m.backVisible = !leftButton && hasBackControl();
  m.backEnabled = backEnabled;
  if (leftButton && !leftButton->hidden) m.leftButton = *leftButton;
  if (rightButton && !rightButton->hidden) m.rightButton = *rightButton;
  m.placesFocus = placesFocus;
  for (const auto& element : elements_) {
    if (std::ranges::find(sheet_, element) != sheet_.end()) {
      m.sheet.push_back(static_cast<int>(m.elements.size()));
    }
    m.elements.push_back(std::visit(
        [](auto* widget) -> ElementModel {
          using Model = typename std::remove_pointer_t<decltype(widget)>;
          if constexpr (std::is_same_v<Model, Label>) return LabelModel(*widget);
          if constexpr (std::is_same_v<Model, TextField>) return TextFieldModel(*widget);
          if constexpr (std::is_same_v<Model, Button>) return ButtonModel(*widget);
          if constexpr (std::is_same_v<Model, CheckBox>) return CheckBoxModel(*widget);
          if constexpr (std::is_same_v<Model, Table>) return TableModel(*widget);
          if constexpr (std::is_same_v<Model, Picker>) return PickerModel(*widget);
          if constexpr (std::is_same_v<Model, Picture>) {
            PictureModel picture(*widget);
            picture.pressable = static_cast<bool>(widget->onPress);
            return picture;
          }
          if constexpr (std::is_same_v<Model, CardList>) {
            return CardListModel{widget->rows, widget->hidden};
          }
        },
        element));
  }
  return m;
}

bool Screen::perform(const Action& action) {
  if (action.element < 0 || action.element >= static_cast<int>(elements_.size())) return false;
  return std::visit(
      Overloaded{
          [](Label*) { return false; },
          [&](TextField* f) { return performOnField(*f, action); },
          [&](Button* b) {
            return action.kind == Action::Kind::Press && !b->hidden && b->enabled &&
                   call(b->onPress);
          },
          [&](CheckBox* c) {
            return action.kind == Action::Kind::Press && !c->hidden && call(c->onPress);
          },
          [&](Table* t) { return performOnTable(*t, action); },
          [&](Picker* p) { return performOnPicker(*p, action); },
          [&](Picture* p) {
            return action.kind == Action::Kind::Press && !p->hidden && call(p->onPress);
          },
          [&](CardList* c) {
            return action.kind == Action::Kind::Tap && !c->hidden &&
                   c->rows->tap(action.row, action.x, action.y);
          },
      },
      elements_[action.element]);
}

bool Screen::pressLeft() {
  if (!leftButton || leftButton->hidden || !leftButton->enabled) return false;
  return call(leftButton->onPress);
}

bool Screen::pressRight() {
  if (!rightButton || rightButton->hidden || !rightButton->enabled) return false;
  return call(rightButton->onPress);
}

bool Screen::pressBack() {
  if (leftButton || !hasBackControl() || !backEnabled) return false;
  backPressed();
  return true;
}

void Screen::push(std::shared_ptr<Screen> screen) {
  if (navigator_) navigator_->push(*this, std::move(screen));
}

void Screen::pop() {
  if (navigator_) navigator_->pop(*this);
}

void Screen::present(std::shared_ptr<Screen> root) {
  if (navigator_) navigator_->present(*this, std::move(root));
}

void Screen::dismiss() {
  if (navigator_) navigator_->dismiss(*this);
}

bool Screen::isTop() const {
  return navigator_ && navigator_->top() == this;
}

}  // namespace vokari::ui
