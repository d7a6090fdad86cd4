#pragma once
// The list model QML draws the top screen from: one row per element (see ElementValues.h).
// A new screen resets the list; on the same screen only rows whose values changed are told.

#include <QAbstractListModel>
#include <vector>

#include "ElementValues.h"

namespace vokari::gui {

class ElementListModel final : public QAbstractListModel {
  Q_OBJECT

 public:
  enum Role { KindRole = Qt::UserRole + 1, ElementRole, ValueRole, SerialRole };

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

  // Takes the rows of the screen with the serial; a different serial (another screen) resets.
  void update(std::vector<ElementRow> rows, int serial);
  const std::vector<ElementRow>& rows() const { return rows_; }

 private:
  std::vector<ElementRow> rows_;
  int serial_ = -1;
};

}  // namespace vokari::gui
