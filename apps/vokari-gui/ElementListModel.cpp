#include "ElementListModel.h"

#include <algorithm>

namespace vokari::gui {
namespace {

int cardListIn(const std::vector<ElementRow>& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i].cards.expired()) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

int ElementListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return static_cast<int>(rows_.size()) + (cardsAt_ >= 0 ? cardCount_ - 1 : 0);
}

int ElementListModel::indexOfCard(int cardRow) const {
  if (cardsAt_ < 0 || cardRow < 0 || cardRow >= cardCount_) return -1;
  return cardsAt_ + cardRow;
}

int ElementListModel::cardOfIndex(int index) const {
  if (cardsAt_ < 0 || index < cardsAt_ || index >= cardsAt_ + cardCount_) return -1;
  return index - cardsAt_;
}

const ElementRow* ElementListModel::elementAt(int index) const {
  if (index < 0 || index >= rowCount()) return nullptr;
  if (cardsAt_ >= 0 && index >= cardsAt_) {
    index = index < cardsAt_ + cardCount_ ? cardsAt_ : index - (cardCount_ - 1);
  }
  return &rows_[static_cast<std::size_t>(index)];
}

QVariant ElementListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const ElementRow* row = elementAt(index.row());
  if (!row) return {};
  int card = cardOfIndex(index.row());
  switch (role) {
    case KindRole:
      return card >= 0 ? QString("Card") : row->kind;
    case ElementRole:
      return row->element;
    case SerialRole:
      return serial_;
    case RowRole:
      return card;
    case ValueRole:
      break;
    default:
      return {};
  }
  if (card < 0) return row->value;
  std::shared_ptr<ui::CardRows> cards = row->cards.lock();
  const ui::CardModel* model = cards ? cards->card(card) : nullptr;
  if (!model) return QVariantMap{{"hidden", true}};
  auto& held = cardPictures_[card];
  held.clear();
  for (const auto& part : model->parts) {
    if (part.picture.bytes) held.push_back(part.picture.bytes);
  }
  QVariantMap value = cardValue(*model, pictures_);
  value["row"] = card;
  return value;
}

QHash<int, QByteArray> ElementListModel::roleNames() const {
  return {{KindRole, "kind"},
          {ElementRole, "element"},
          {ValueRole, "value"},
          {SerialRole, "serial"},
          {RowRole, "row"}};
}

void ElementListModel::resetTo(std::vector<ElementRow> rows, int serial) {
  beginResetModel();
  rows_ = std::move(rows);
  serial_ = serial;
  cardsAt_ = cardListIn(rows_);
  std::shared_ptr<ui::CardRows> cards = cardsAt_ >= 0 ? rows_[cardsAt_].cards.lock() : nullptr;
  cardCount_ = cards ? cards->count() : 0;
  generation_ = cards ? cards->generation() : 0;
  if (cards) cards->takeChanged();  // every row is asked for anew
  cardPictures_.clear();
  endResetModel();
}

void ElementListModel::update(std::vector<ElementRow> rows, int serial) {
  int cardsAt = cardListIn(rows);
  std::shared_ptr<ui::CardRows> cards = cardsAt >= 0 ? rows[cardsAt].cards.lock() : nullptr;
  bool sameShape = serial == serial_ && rows.size() == rows_.size() && cardsAt == cardsAt_ &&
                   (!cards || (cards->generation() == generation_ && cards->count() >= cardCount_));
  for (std::size_t i = 0; sameShape && i < rows.size(); ++i) {
    sameShape = rows[i].kind == rows_[i].kind && rows[i].element == rows_[i].element;
  }
  if (!sameShape) return resetTo(std::move(rows), serial);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].value == rows_[i].value) continue;
    rows_[i].value = std::move(rows[i].value);
    int at = static_cast<int>(i);
    if (cardsAt_ >= 0 && at > cardsAt_) at += cardCount_ - 1;
    emit dataChanged(index(at), index(at), {ValueRole});
  }
  if (!cards) return;
  grow(*cards);
  for (int changed : cards->takeChanged()) {
    if (!cardPictures_.count(changed)) continue;  // QML has not asked for it
    QModelIndex at = index(indexOfCard(changed));
    emit dataChanged(at, at, {ValueRole});
  }
  // The pictures of cards QML still shows keep their ids; the others may go.
  for (auto at = cardPictures_.begin(); at != cardPictures_.end();) {
    if (!cards->holds(at->first)) {
      at = cardPictures_.erase(at);
      continue;
    }
    for (const auto& bytes : at->second) pictures_.idFor(bytes);
    ++at;
  }
}

void ElementListModel::shown(int first, int last) {
  std::shared_ptr<ui::CardRows> cards = cardsAt_ >= 0 ? rows_[cardsAt_].cards.lock() : nullptr;
  if (!cards || cardCount_ == 0 || last < cardsAt_ || first >= cardsAt_ + cardCount_) return;
  int from = std::max(first, cardsAt_) - cardsAt_;
  int to = std::min(last, cardsAt_ + cardCount_ - 1) - cardsAt_;
  cards->show(from, std::max(from, to));
  grow(*cards);
}

void ElementListModel::grow(const ui::CardRows& cards) {
  if (cards.count() <= cardCount_) return;
  beginInsertRows({}, cardsAt_ + cardCount_, cardsAt_ + cards.count() - 1);
  cardCount_ = cards.count();
  endInsertRows();
}

}  // namespace vokari::gui
