#include "ui/CardList.h"

#include <algorithm>

namespace vokari::ui {

bool CardRows::kept(int row) const {
  int ahead = last_ - first_ + 1;
  return row >= first_ && row <= last_ + ahead;
}

CardRows::Live& CardRows::fill(int row) {
  auto [at, added] = live_.try_emplace(row);
  Live& live = at->second;
  live.used = ++tick_;
  if (!added) return live;
  if (pool_.empty()) {
    live.cell = source_.makeCell();
  } else {
    live.cell = std::move(pool_.back());
    pool_.pop_back();
  }
  live.cell->onChange_ = [this, row] { changed_.insert(row); };
  source_.fill(*live.cell, row);
  changed_.insert(row);
  return live;
}

void CardRows::release(std::map<int, Live>::iterator at) {
  std::unique_ptr<CardCell> cell = std::move(at->second.cell);
  live_.erase(at);
  cell->onChange_ = nullptr;
  cell->clear();
  if (pool_.size() < kSpare) pool_.push_back(std::move(cell));
}

// Cards of rows outside the kept ones go, least recently asked for first, until kSpare remain.
void CardRows::trim() {
  std::vector<std::pair<std::uint64_t, int>> outside;
  for (const auto& [row, live] : live_) {
    if (!kept(row)) outside.emplace_back(live.used, row);
  }
  if (outside.size() <= kSpare) return;
  std::sort(outside.begin(), outside.end());
  for (std::size_t i = 0; i + kSpare < outside.size(); ++i) release(live_.find(outside[i].second));
}

void CardRows::reach(int rows) {
  if (rows <= count_ || !more_) return;
  source_.reach(rows);
  count_ = std::max(count_, source_.rowCount());
  more_ = !source_.knowsAll();
}

// The window is kept as asked, beyond the rows there are, so that a list still empty gets the
// cards of its first rows as soon as it has them.
void CardRows::show(int first, int last) {
  first = std::max(0, first);
  last = std::max(first, last);
  int ahead = last - first + 1;
  reach(last + ahead + 1);
  for (int row = first; row <= std::min(last, count_ - 1); ++row) {
    auto at = live_.find(row);
    if (at != live_.end() && (row < first_ || row > last_)) at->second.cell->reappeared();
  }
  first_ = first;
  last_ = last;
  for (int row = first_; row <= last_ + ahead && row < count_; ++row) fill(row);
  trim();
}

const CardModel* CardRows::card(int row) {
  reach(row + 1);
  if (row < 0 || row >= count_) return nullptr;
  const CardModel* card = &fill(row).cell->card;
  trim();
  return card;
}

bool CardRows::tap(int row, double x, double y) {
  reach(row + 1);
  if (row < 0 || row >= count_) return false;
  fill(row).cell->tap(x, y);
  return true;
}

void CardRows::reload() {
  while (!live_.empty()) release(live_.begin());
  changed_.clear();
  count_ = std::max(0, source_.rowCount());
  more_ = !source_.knowsAll();
  ++generation_;
  if (last_ >= first_) {
    show(first_, last_);  // the renderer's window stays where it was
  } else {
    reach(1);  // a renderer not yet drawn learns whether there is anything to draw
  }
}

std::vector<int> CardRows::takeChanged() {
  std::vector<int> rows(changed_.begin(), changed_.end());
  changed_.clear();
  return rows;
}

}  // namespace vokari::ui
