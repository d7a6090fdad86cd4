#pragma once
// The list model QML draws the top screen from: one row per element (see ElementValues.h), and
// for a card list one row per row of the list, whose card is asked for only when QML asks for
// the row (by index, as it scrolls). A new screen resets the list; on the same screen only rows
// whose values changed are told, and rows a card list learns as it is scrolled are added.

#include <QAbstractListModel>
#include <map>
#include <vector>

#include "ElementValues.h"

namespace vokari::gui {

class ElementListModel final : public QAbstractListModel {
  Q_OBJECT

 public:
  enum Role { KindRole = Qt::UserRole + 1, ElementRole, ValueRole, SerialRole, RowRole };

  explicit ElementListModel(PictureIds& pictures) : pictures_(pictures) {}

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

  // Takes the rows of the screen with the serial; a different serial (another screen) resets.
  // Call between the picture store's beginRefresh and endRefresh: the pictures of the cards QML
  // holds are kept.
  void update(std::vector<ElementRow> rows, int serial);
  const std::vector<ElementRow>& rows() const { return rows_; }
  // QML shows the rows first..last of this model: the card list keeps their cards and the next
  // screenful's.
  void shown(int first, int last);
  // The row of this model that shows the card list's row, and back; -1 when there is none.
  int indexOfCard(int cardRow) const;
  int cardOfIndex(int index) const;

 private:
  const ElementRow* elementAt(int index) const;
  void resetTo(std::vector<ElementRow> rows, int serial);
  // Rows the card list learnt since QML last heard of it go in at its end; the rows QML shows
  // stay where they are.
  void grow(const ui::CardRows& cards);

  PictureIds& pictures_;
  std::vector<ElementRow> rows_;
  int serial_ = -1;
  int cardsAt_ = -1;  // the place of the card list in rows_
  int cardCount_ = 0;
  std::uint64_t generation_ = 0;
  // The pictures of the cards handed to QML, kept while the list keeps their rows.
  mutable std::map<int, std::vector<std::shared_ptr<const std::string>>> cardPictures_;
};

}  // namespace vokari::gui
