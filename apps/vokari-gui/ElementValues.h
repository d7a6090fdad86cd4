#pragma once
// The top screen's view model as plain Qt values for QML: one row per element, each with its
// kind (which names the QML delegate file, "<Kind>Element.qml"), the index of the element the
// row's actions address, and a map of the element's texts and flags. Knows no screen.

#include <QString>
#include <QVariantMap>
#include <memory>
#include <string>
#include <vector>

#include "ui/Screen.h"

namespace vokari::gui {

struct ElementRow {
  QString kind;
  int element = 0;  // index into ScreenModel::elements of the (first) element drawn
  QVariantMap value;
  std::weak_ptr<ui::CardRows> cards = {};  // a card list's rows ("CardList"): one row each in QML
  bool sheet = false;                      // drawn in the screen's sheet, over the others
  bool operator==(const ElementRow& o) const {
    return kind == o.kind && element == o.element && value == o.value;
  }
};

// Turns a picture's bytes into the id the image provider serves them under.
class PictureIds {
 public:
  virtual ~PictureIds() = default;
  virtual QString idFor(const std::shared_ptr<const std::string>& bytes) = 0;
};

// Buttons keep the role their screen gave them ("role": "primary" or "secondary"); buttons of
// the tile role next to each other are one row of kind "Tiles", drawn as a grid.
// Runs of this many check boxes or more are drawn as one segmented bar (tabs of a list).
inline constexpr int kSegmentRun = 3;

std::vector<ElementRow> elementRows(const ui::ScreenModel& model, PictureIds& pictures);

// A card of a card list: its caption and parts with their geometry in the card's points.
QVariantMap cardValue(const ui::CardModel& card, PictureIds& pictures);

// The rows of the screen's page and those of its sheet (see ScreenModel::sheet), apart.
struct ScreenRows {
  std::vector<ElementRow> page;
  std::vector<ElementRow> sheet;
};
ScreenRows screenRows(const ui::ScreenModel& model, PictureIds& pictures);

// The navigation bar: title, back control and bar buttons; and whether the screen places the
// focus itself.
QVariantMap barValue(const ui::ScreenModel& model);

}  // namespace vokari::gui
