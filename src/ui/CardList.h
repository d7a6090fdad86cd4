#pragma once
// A long list of cards filled lazily: the rows known so far, and the card of a row when a
// renderer asks for it. Only the rows a renderer shows, the screenful after them and a few rows
// asked for lately have a card; a card whose row leaves them is emptied (its picture requests
// end) and reused for another row. A source may learn its rows as they are reached, so that
// opening a list of any length costs its first rows only. Any screen with a long list fills one
// through a CardSource. Main thread only.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "ui/Widgets.h"

namespace vokari::ui {

// A reusable card of the filler: shows one row at a time.
class CardCell {
 public:
  virtual ~CardCell() = default;
  // Leaves nothing of the row shown: texts and pictures emptied, its picture requests ended.
  virtual void clear() = 0;
  // A tap at a point of the card, in the card's points.
  virtual void tap(double x, double y) = 0;
  // The row comes back on screen while the card still held it: what failed may be tried again.
  virtual void reappeared() {}

  CardModel card;

 protected:
  // Tells the list that the card changed after it was filled (a picture arrived).
  void changed() {
    if (onChange_) onChange_();
  }

 private:
  friend class CardRows;
  std::function<void()> onChange_;
};

class CardSource {
 public:
  virtual ~CardSource() = default;
  // The rows known now.
  virtual int rowCount() = 0;
  // Learns of the rows before `rows`, or of all there are when fewer. A source that knows every
  // row from the start keeps these defaults.
  virtual void reach(int rows) { static_cast<void>(rows); }
  virtual bool knowsAll() { return true; }
  virtual std::unique_ptr<CardCell> makeCell() = 0;
  // Shows the row (0 <= row < rowCount()) in the emptied cell.
  virtual void fill(CardCell& cell, int row) = 0;
};

class CardRows final {
 public:
  // Cards kept for rows outside the shown ones and the screenful after them: the rows asked for
  // most recently (a renderer's cache of rows just scrolled past).
  static constexpr std::size_t kSpare = 8;

  explicit CardRows(CardSource& source) : source_(source) {}
  CardRows(const CardRows&) = delete;
  CardRows& operator=(const CardRows&) = delete;

  // The rows known so far: it grows as rows further on are shown or asked for.
  int count() const { return count_; }
  // Whether rows after count() may exist.
  bool more() const { return more_; }
  // Learns of the rows before `rows` (fewer when the list ends first).
  void reach(int rows);
  // The renderer shows rows first..last (inclusive): those and as many rows after them get
  // their cards now; cards of rows elsewhere beyond the spare ones are emptied.
  void show(int first, int last);
  // The card of the row, filled when it has none; nullptr when there is no such row. Valid
  // until the next call on the list.
  const CardModel* card(int row);
  // Hands a tap to the card of the row; false when there is no such row.
  bool tap(int row, double x, double y);
  // The source's rows changed: every card is emptied and the rows are learnt again.
  void reload();

  // Rows whose cards changed since the last call (filled again, or a picture arrived).
  std::vector<int> takeChanged();
  // Changes with every reload, so a renderer knows its rows are stale.
  std::uint64_t generation() const { return generation_; }
  // Cards that hold a row now.
  std::size_t cards() const { return live_.size(); }
  bool holds(int row) const { return live_.count(row) != 0; }

 private:
  struct Live {
    std::unique_ptr<CardCell> cell;
    std::uint64_t used = 0;
  };
  bool kept(int row) const;
  Live& fill(int row);
  void release(std::map<int, Live>::iterator at);
  void trim();

  CardSource& source_;
  int count_ = 0;
  bool more_ = false;
  int first_ = 0;
  int last_ = -1;
  std::map<int, Live> live_;
  std::vector<std::unique_ptr<CardCell>> pool_;  // emptied cells waiting for a row
  std::set<int> changed_;
  std::uint64_t tick_ = 0;
  std::uint64_t generation_ = 0;
};

// The widget a screen lists: the rows, filled by the source (which must outlive it).
struct CardList {
  explicit CardList(CardSource& source) : rows(std::make_shared<CardRows>(source)) {}
  std::shared_ptr<CardRows> rows;
  bool hidden = false;
};

}  // namespace vokari::ui
