#include "ElementListModel.h"

namespace vokari::gui {

int ElementListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant ElementListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) return {};
  const ElementRow& row = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case KindRole:
      return row.kind;
    case ElementRole:
      return row.element;
    case ValueRole:
      return row.value;
    case SerialRole:
      return serial_;
    default:
      return {};
  }
}

QHash<int, QByteArray> ElementListModel::roleNames() const {
  return {
      {KindRole, "kind"}, {ElementRole, "element"}, {ValueRole, "value"}, {SerialRole, "serial"}};
}

void ElementListModel::update(std::vector<ElementRow> rows, int serial) {
  bool sameShape = serial == serial_ && rows.size() == rows_.size();
  for (std::size_t i = 0; sameShape && i < rows.size(); ++i) {
    sameShape = rows[i].kind == rows_[i].kind && rows[i].element == rows_[i].element;
  }
  if (!sameShape) {
    beginResetModel();
    rows_ = std::move(rows);
    serial_ = serial;
    endResetModel();
    return;
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].value == rows_[i].value) continue;
    rows_[i].value = std::move(rows[i].value);
    QModelIndex at = index(static_cast<int>(i));
    emit dataChanged(at, at, {ValueRole});
  }
}

}  // namespace vokari::gui
