#include "ElementValues.h"

#include <QStringList>
#include <QVariantList>
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

QVariantMap buttonValue(const ui::ButtonModel& b) {
  return {{"title", q(b.title)}, {"enabled", b.enabled}, {"hidden", b.hidden}};
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
  return {{"source", q(p.source)},
          {"width", p.width},
          {"height", p.height},
          {"picture", pictures.idFor(p.bytes)},
          {"hidden", p.hidden}};
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

template <typename M>
int runFrom(const ui::ScreenModel& model, std::size_t i) {
  int run = 0;
  while (i + run < model.elements.size() && std::holds_alternative<M>(model.elements[i + run])) {
    ++run;
  }
  return run;
}

// One row for a run of buttons (tiles) or check boxes (segments); each item keeps its element.
template <typename M>
ElementRow groupRow(const ui::ScreenModel& model, std::size_t i, int run, const char* kind,
                    QVariantMap (*valueOf)(const M&)) {
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
                                {"pictureFailed", part.picture.failed},
                                {"pictureRect", rectValue(part.pictureRect)}});
  }
  return {{"caption", q(c.caption)}, {"captionRect", rectValue(c.captionRect)},
          {"width", c.width},        {"height", c.height},
          {"parts", parts},          {"hidden", false}};
}

std::vector<ElementRow> elementRows(const ui::ScreenModel& model, PictureIds& pictures) {
  std::vector<ElementRow> rows;
  for (std::size_t i = 0; i < model.elements.size();) {
    int run = runFrom<ui::ButtonModel>(model, i);
    if (run >= kTileRun) {
      rows.push_back(groupRow<ui::ButtonModel>(model, i, run, "Tiles", buttonValue));
      i += run;
      continue;
    }
    if (int boxes = runFrom<ui::CheckBoxModel>(model, i); boxes >= kSegmentRun) {
      rows.push_back(groupRow<ui::CheckBoxModel>(model, i, boxes, "Segments", checkBoxValue));
      i += boxes;
      continue;
    }
    rows.push_back(rowFor(model.elements[i], static_cast<int>(i), pictures));
    // A button right under another is the lesser choice ("忘记密码?" under "登录").
    if (run > 0) {
      rows.back().value["secondary"] =
          i > 0 && std::holds_alternative<ui::ButtonModel>(model.elements[i - 1]);
    }
    ++i;
  }
  return rows;
}

QVariantMap barValue(const ui::ScreenModel& model) {
  return {{"title", q(model.title)},
          {"backVisible", model.backVisible},
          {"backEnabled", model.backEnabled},
          {"left", barButton(model.leftButton)},
          {"right", barButton(model.rightButton)}};
}

}  // namespace vokari::gui
