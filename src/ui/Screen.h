#pragma once
// A screen: its own state and widgets, the lifecycle hooks the navigator calls, the view model
// it publishes and the user actions it accepts. Screens talk to the rest of the toolkit only
// through the navigator, the overlay, the alerts and the screen factory (see Ui.h).

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/Liveness.h"
#include "ui/CardList.h"
#include "ui/Widgets.h"

namespace vokari::ui {

class Navigator;

// What a renderer draws for one screen.
struct ScreenModel {
  std::string title;
  bool backVisible = false;
  bool backEnabled = true;
  std::optional<ButtonModel> leftButton;  // replaces the back control when present
  std::optional<ButtonModel> rightButton;
  std::vector<ElementModel> elements;  // display order
  // Elements drawn together as a sheet over the others (a picker with its buttons), by index;
  // the sheet shows while one of them does.
  std::vector<int> sheet;
  // The screen puts the focus on an input itself when it chooses; otherwise a renderer starts
  // on the first input.
  bool placesFocus = false;
};

// A user action addressed to the element at an index of ScreenModel::elements.
struct Action {
  enum class Kind { Press, Edit, Return, EndEditing, Cancel, Select, EditRow, Pick, Tap };
  Kind kind = Kind::Press;
  int element = 0;
  std::string text;  // Edit, EditRow
  int section = 0;   // Select, EditRow; the column for Pick
  int row = 0;       // Select, EditRow, Pick; Tap: the row of a card list
  double x = 0;      // Tap: the point in the row's card, in points
  double y = 0;

  static Action on(Kind kind, int element) { return make(kind, element, "", 0, 0); }
  static Action edit(int element, std::string text) {
    return make(Kind::Edit, element, std::move(text), 0, 0);
  }
  static Action select(int element, int section, int row) {
    return make(Kind::Select, element, "", section, row);
  }
  static Action editRow(int element, int section, int row, std::string text) {
    return make(Kind::EditRow, element, std::move(text), section, row);
  }
  static Action pick(int element, int column, int row) {
    return make(Kind::Pick, element, "", column, row);
  }
  static Action tap(int element, int row, double x, double y) {
    Action a = make(Kind::Tap, element, "", 0, row);
    a.x = x;
    a.y = y;
    return a;
  }

 private:
  static Action make(Kind kind, int element, std::string text, int section, int row) {
    Action a;
    a.kind = kind;
    a.element = element;
    a.text = std::move(text);
    a.section = section;
    a.row = row;
    return a;
  }
};

class Screen : public std::enable_shared_from_this<Screen> {
 public:
  explicit Screen(std::string title = "") : title(std::move(title)) {}
  virtual ~Screen() = default;
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  // Lifecycle, in the platform's order: viewDidLoad once before the screen first shows, then
  // viewWillAppear / viewWillDisappear each time it becomes or stops being the top screen.
  virtual void viewDidLoad() {}
  virtual void viewWillAppear() {}
  virtual void viewWillDisappear() {}
  void loadViewIfNeeded();
  bool isViewLoaded() const { return loaded_; }

  // The navigation bar's back control; by default it pops, or closes a presented stack.
  virtual void backPressed();

  ScreenModel model() const;
  // Answers false when the element does not exist, is hidden or disabled, or takes no such action.
  bool perform(const Action& action);
  bool pressLeft();
  bool pressRight();
  bool pressBack();

  // Navigation from this screen (no-ops while it is on no stack).
  void push(std::shared_ptr<Screen> screen);
  void pop();
  void present(std::shared_ptr<Screen> root);  // a new navigation stack over the current one
  void dismiss();                              // closes the stack this screen is on
  Navigator* navigator() const { return navigator_; }
  // Whether this is the screen shown. A reply navigates only while it holds (see Navigator.h).
  bool isTop() const;

  std::string title;
  std::optional<Button> leftButton;
  std::optional<Button> rightButton;
  bool backEnabled = true;
  bool hidesBackButton = false;
  // Roots of presented stacks show a back control that closes the stack when this is set.
  bool backOnRoot = false;
  bool placesFocus = false;  // see ScreenModel

 protected:
  // The callable, made a no-op once this screen is destroyed: the one way to hand a screen's
  // member work to alerts, sheets, deferred tasks and helpers that may outlive it.
  template <typename F>
  auto guard(F f) const {
    return alive_.guard(std::move(f));
  }

  // Lists a widget in display order; the widget must live as long as the screen.
  template <typename W>
  void add(W& widget) {
    elements_.emplace_back(&widget);
  }
  // Lists a widget drawn in the screen's sheet (see ScreenModel::sheet).
  template <typename W>
  void addToSheet(W& widget) {
    add(widget);
    sheet_.emplace_back(&widget);
  }
  // Takes a widget out of the display (before the screen lets go of it); no-op when not listed.
  template <typename W>
  void remove(W& widget) {
    std::erase(elements_, Element(&widget));
    std::erase(sheet_, Element(&widget));
  }

 private:
  friend class Navigator;
  using Element =
      std::variant<Label*, TextField*, Button*, CheckBox*, Table*, Picker*, Picture*, CardList*>;
  bool hasBackControl() const;

  std::vector<Element> elements_;
  std::vector<Element> sheet_;
  Navigator* navigator_ = nullptr;
  bool loaded_ = false;
  Liveness alive_;
};

}  // namespace vokari::ui
