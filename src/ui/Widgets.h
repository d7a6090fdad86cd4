#pragma once
// The widgets screens are built from. Each widget is its plain model (what a renderer draws)
// plus the callbacks the screen attaches. Screens own their widgets as members.

#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace vokari::ui {

enum class Keyboard { Default, NumberPad, PhonePad, NumbersAndPunctuation };

struct LabelModel {
  std::string text;  // may hold line breaks
  bool hidden = false;
};

struct TextFieldModel {
  std::string text;
  std::string placeholder;
  std::string label;  // a caption shown before the input, when it has one
  Keyboard keyboard = Keyboard::Default;
  bool secure = false;
  bool multiline = false;
  bool enabled = true;
  bool hidden = false;
  bool focused = false;
  int shakes = 0;  // times the input was shaken to point at a refused value
};

// What a button is to its screen, which a renderer draws it as: the screen's main action, a lesser
// one, one of the large entries of a hub screen (tiles side by side draw as one grid), or the
// control that closes a sheet without a change (the escape key presses it).
enum class ButtonRole { Primary, Secondary, Tile, Cancel };

struct ButtonModel {
  std::string title;
  bool enabled = true;
  bool hidden = false;
  ButtonRole role = ButtonRole::Primary;
};

struct CheckBoxModel {
  std::string title;
  bool checked = false;
  bool hidden = false;
};

struct TableRowModel {
  std::string text;
  std::string detail;
  bool disclosure = false;  // the ">" mark
  bool checked = false;     // the tick
  bool editable = false;    // the detail is an input (edited with the row's text as field name)
  std::string icon = {};    // an icon resource drawn before the text; none when empty
};

struct TableSectionModel {
  std::string heading;
  std::vector<TableRowModel> rows;
};

struct TableModel {
  std::vector<TableSectionModel> sections;
  bool hidden = false;
};

struct PickerModel {
  std::vector<std::vector<std::string>> columns;
  std::vector<int> selected;  // one index per column
  bool hidden = false;
};

// A picture from a network address (news cards) or a local file (attachment thumbnails). The
// bytes are the encoded picture (JPEG or PNG) once it has arrived; renderers decode them.
struct PictureModel {
  std::string source;  // the address or file path it comes from
  double width = 0;    // points
  double height = 0;
  std::shared_ptr<const std::string> bytes;  // none while loading, or when it could not be had
  bool failed = false;                       // it could not be had (asked again when next shown)
  bool hidden = false;
  bool pressable = false;  // it takes taps (set from the widget's onPress)
};

// A rectangle in points, from the top left corner of the element it lies in.
struct Rect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
  bool contains(double px, double py) const {
    return px >= x && px < x + width && py >= y && py < y + height;
  }
};

// One part of a card: a title with its picture, and the area a tap on it acts on.
struct CardPartModel {
  int tag = 0;  // the filler's name for the part; a tap reports it
  std::string title;
  Rect titleRect;
  bool titleOverPicture = false;  // drawn over the picture's lower edge on a dark band
  bool ruled = false;             // a thin line above the part
  PictureModel picture;
  Rect pictureRect;
  Rect tapArea;
};

// A card of a long list: a caption above it and its parts. All geometry is in points within
// the card, so every renderer draws, and every test taps, the same places.
struct CardModel {
  std::string caption;
  Rect captionRect;
  double width = 0;
  double height = 0;
  std::vector<CardPartModel> parts;  // in the order taps are tested

  // The tag of the first part whose tap area holds the point; none (-1) elsewhere.
  int partAt(double px, double py) const {
    for (const auto& part : parts) {
      if (part.tapArea.contains(px, py)) return part.tag;
    }
    return -1;
  }
};

struct Label : LabelModel {};

struct TextField : TextFieldModel {
  std::function<void()> onChange;      // after every edit of the text
  std::function<void()> onReturn;      // the return key
  std::function<void()> onEndEditing;  // focus left the input
  std::function<void()> onCancel;      // a search field's cancel control
};

struct Button : ButtonModel {
  std::function<void()> onPress;
};

struct CheckBox : CheckBoxModel {
  std::function<void()> onPress;
};

struct Table : TableModel {
  std::function<void(int section, int row)> onSelect;
  // An editable row's detail was changed by the user.
  std::function<void(int section, int row, const std::string& text)> onEditRow;
};

struct Picker : PickerModel {
  std::function<void(int column, int row)> onPick;
};

struct Picture : PictureModel {
  std::function<void()> onPress;  // none: the picture takes no taps
};

class CardRows;

// A long list of cards whose cards are built only for the rows a renderer asks for (see
// CardList.h). The rows are reached through the list while its screen lives.
struct CardListModel {
  std::weak_ptr<CardRows> rows;
  bool hidden = false;
};

// What a renderer sees of one element, in display order.
using ElementModel = std::variant<LabelModel, TextFieldModel, ButtonModel, CheckBoxModel,
                                  TableModel, PickerModel, PictureModel, CardListModel>;

}  // namespace vokari::ui
