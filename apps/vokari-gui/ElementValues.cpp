#include "ElementValues.h"

#include <QStringList>
#include <QVariantList>
#include <algorithm>
#include <variant>

namespace vokari::gui {
namespace {

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

QString keyboardName(ui::Keyboard k) {
  switch (k) {
    case ui::Keyboard::NumberPad:
      return "number";
    case ui::Keyboard::PhonePad:
      return "phone";
    case ui::Keyboard::NumbersAndPunctuation:
      return "numbers";
    case ui::Keyboard::Default:
      break;
  }
  return "default";
}

QVariantMap labelValue(const ui::LabelModel& l) {
  return {{"text", q(l.text)}, {"hidden", l.hidden}};
}

QVariantMap inputValue(const ui::TextFieldModel& f) {
  return {{"text", q(f.text)},    {"placeholder", q(f.placeholder)},
          {"label", q(f.label)},  {"keyboard", keyboardName(f.keyboard)},
          {"secure", f.secure},   {"multiline", f.multiline},
          {"enabled", f.enabled}, {"hidden", f.hidden},
          {"focused", f.focused}, {"shakes", f.shakes}};
}

QString roleName(ui::ButtonRole role) {
  switch (role) {
    case ui::ButtonRole::Secondary:
      return "secondary";
    case ui::ButtonRole::Tile:
      return "tile";
    case ui::ButtonRole::Cancel:
      return "cancel";
    case ui::ButtonRole::Primary:
      break;
  }
  return "primary";
}

QVariantMap buttonValue(const ui::ButtonModel& b) {
  return {{"title", q(b.title)},
          {"enabled", b.enabled},
          {"hidden", b.hidden},
          {"role", roleName(b.role)}};
}

QVariantMap checkBoxValue(const ui::CheckBoxModel& c) {
  return {{"title", q(c.title)}, {"checked", c.checked}, {"hidden", c.hidden}};
}

QVariantMap tableValue(const ui::TableModel& t) {
  QVariantList sections;
  for (const auto& s : t.sections) {
    QVariantList rows;
    for (const auto& r : s.rows) {
      rows.push_back(QVariantMap{{"text", q(r.text)},
                                 {"detail", q(r.detail)},
                                 {"disclosure", r.disclosure},
                                 {"checked", r.checked},
                                 {"editable", r.editable},
                                 {"icon", q(r.icon)}});
    }
    sections.push_back(QVariantMap{{"heading", q(s.heading)}, {"rows", rows}});
  }
  return {{"sections", sections}, {"hidden", t.hidden}};
}

QVariantMap pickerValue(const ui::PickerModel& p) {
  QVariantList columns, selected;
  for (std::size_t c = 0; c < p.columns.size(); ++c) {
    QStringList rows;
    for (const auto& r : p.columns[c]) rows.push_back(q(r));
    columns.push_back(rows);
    selected.push_back(c < p.selected.size() ? p.selected[c] : 0);
  }
  return {{"columns", columns}, {"selected", selected}, {"hidden", p.hidden}};
}

QVariantMap pictureValue(const ui::PictureModel& p, PictureIds& pictures) {
  return {{"source", q(p.source)}, {"width", p.width},
          {"height", p.height},    {"picture", pictures.idFor(p.bytes)},
          {"hidden", p.hidden},    {"pressable", p.pressable}};
}

QVariantMap rectValue(const ui::Rect& r) {
  return {{"x", r.x}, {"y", r.y}, {"width", r.width}, {"height", r.height}};
}

// A row for one element; buttons are grouped by the caller.
ElementRow rowFor(const ui::ElementModel& e, int index, PictureIds& pictures) {
  return std::visit(
      [&](const auto& m) -> ElementRow {
        using M = std::decay_t<decltype(m)>;
        if constexpr (std::is_same_v<M, ui::LabelModel>) return {"Label", index, labelValue(m)};
        if constexpr (std::is_same_v<M, ui::TextFieldModel>) return {"Input", index, inputValue(m)};
        if constexpr (std::is_same_v<M, ui::ButtonModel>) return {"Button", index, buttonValue(m)};
        if constexpr (std::is_same_v<M, ui::CheckBoxModel>) {
          return {"CheckBox", index, checkBoxValue(m)};
        }
        if constexpr (std::is_same_v<M, ui::TableModel>) return {"Table", index, tableValue(m)};
        if constexpr (std::is_same_v<M, ui::PickerModel>) return {"Picker", index, pickerValue(m)};
        if constexpr (std::is_same_v<M, ui::PictureModel>) {
          return {"Picture", index, pictureValue(m, pictures)};
        }
        if constexpr (std::is_same_v<M, ui::CardListModel>) {
          // Stands for the list's rows, which the list model asks for by index.
          ElementRow row{"CardList", index, {{"hidden", m.hidden}}};
          row.cards = m.rows;
          return row;
        }
      },
      e);
}

bool isTile(const ui::ElementModel& e) {
  auto* button = std::get_if<ui::ButtonModel>(&e);
  return button && button->role == ui::ButtonRole::Tile;
}

template <typename M>
bool isA(const ui::ElementModel& e) {
  return std::holds_alternative<M>(e);
}

int runFrom(const ui::ScreenModel& model, std::size_t i, bool (*belongs)(const ui::ElementModel&)) {
  int run = 0;
  while (i + run < model.elements.size() && belongs(model.elements[i + run])) ++run;
  return run;
}

// One row for a run of tiles, pictures or check boxes (segments); each item keeps its element.
template <typename M, typename ValueOf>
ElementRow groupRow(const ui::ScreenModel& model, std::size_t i, int run, const char* kind,
                    ValueOf valueOf) {
  QVariantList items;
  for (int k = 0; k < run; ++k) {
    QVariantMap item = valueOf(std::get<M>(model.elements[i + k]));
    item["element"] = static_cast<int>(i + k);
    items.push_back(item);
  }
  return {kind, static_cast<int>(i), {{"items", items}, {"hidden", false}}};
}

QVariant barButton(const std::optional<ui::ButtonModel>& b) {
  if (!b) return {};
  return buttonValue(*b);
}

}  // namespace

QVariantMap cardValue(const ui::CardModel& c, PictureIds& pictures) {
  QVariantList parts;
  for (const auto& part : c.parts) {
    parts.push_back(QVariantMap{{"tag", part.tag},
                                {"title", q(part.title)},
                                {"titleRect", rectValue(part.titleRect)},
                                {"titleOverPicture", part.titleOverPicture},
                                {"ruled", part.ruled},
                                {"picture", pictures.idFor(part.picture.bytes)},
                                {"pictureRect", rectValue(part.pictureRect)},
                                {"tapRect", rectValue(part.tapArea)}});
  }
  return {{"caption", q(c.caption)}, {"captionRect", rectValue(c.captionRect)},
          {"width", c.width},        {"height", c.height},
          {"parts", parts},          {"hidden", false}};
}

ScreenRows screenRows(const ui::ScreenModel& model, PictureIds& pictures) {
  ScreenRows rows;
  for (ElementRow& row : elementRows(model, pictures)) {
    (row.sheet ? rows.sheet : rows.page).push_back(std::move(row));
  }
  return rows;
}

std::vector<ElementRow> elementRows(const ui::ScreenModel& model, PictureIds& pictures) {
  std::vector<ElementRow> rows;
  auto inSheet = [&](std::size_t i) {
    return std::ranges::find(model.sheet, static_cast<int>(i)) != model.sheet.end();
  };
  for (std::size_t i = 0; i < model.elements.size();) {
    if (int tiles = runFrom(model, i, isTile); tiles > 0) {
      rows.push_back(groupRow<ui::ButtonModel>(model, i, tiles, "Tiles", buttonValue));
      i += tiles;
      continue;
    }
    // Pictures in a row are drawn side by side, wrapping as the window's width allows.
    if (int shots = runFrom(model, i, isA<ui::PictureModel>); shots > 1) {
      rows.push_back(groupRow<ui::PictureModel>(
          model, i, shots, "Pictures",
          [&](const ui::PictureModel& p) { return pictureValue(p, pictures); }));
      i += shots;
      continue;
    }
    if (int boxes = runFrom(model, i, isA<ui::CheckBoxModel>); boxes >= kSegmentRun) {
      rows.push_back(groupRow<ui::CheckBoxModel>(model, i, boxes, "Segments", checkBoxValue));
      i += boxes;
      continue;
    }
    rows.push_back(rowFor(model.elements[i], static_cast<int>(i), pictures));
    ++i;
  }
  for (ElementRow& row : rows) row.sheet = inSheet(static_cast<std::size_t>(row.element));
  return rows;
}

QVariantMap barValue(const ui::ScreenModel& model) {
  return {{"title", q(model.title)},
          {"backVisible", model.backVisible},
          {"backEnabled", model.backEnabled},
          {"left", barButton(model.leftButton)},
          {"right", barButton(model.rightButton)},
          {"placesFocus", model.placesFocus}};
}

}  // namespace vokari::gui
