#include "news/NewsPages.h"

namespace vokari {

void NewsPages::reload() {
  upTo_ = DBBase::sharedDBBase().newestNewsId();
  count_ = 0;
  complete_ = false;
  starts_.assign(1, std::nullopt);
  kept_.clear();
  pagesRead_ = 0;
}

const NewsItem& NewsPages::item(int row) {
  if (row < 0 || row >= count_) return empty_;
  const std::vector<NewsItem>* rows = page(row / kPageRows);
  std::size_t at = static_cast<std::size_t>(row % kPageRows);
  return rows && at < rows->size() ? (*rows)[at] : empty_;
}

void NewsPages::reach(int rows) {
  if (complete_ || rows <= count_) return;
  // Whole pages from the first unknown one: only the keys are read (the time index holds both),
  // each page's last one kept as where the next page starts.
  int wanted = (rows - count_ + kPageRows - 1) / kPageRows * kPageRows;
  int seen = 0;
  bool ok = DBBase::sharedDBBase().readNewsPage(
      {"time", "tableid"}, starts_.back(), wanted, upTo_, [&](const SqliteStatement& row) {
        if (++seen % kPageRows == 0) {
          Value id = row.column(1);
          auto* tableid = std::get_if<std::int64_t>(&id);
          starts_.push_back(Key{row.text(0), tableid ? *tableid : 0});
        }
        return true;
      });
  count_ += seen;
  // A table that cannot be read ends here until the next reload, rather than being asked again
  // for every row a renderer draws.
  complete_ = !ok || seen < wanted;
}

const std::vector<NewsItem>* NewsPages::page(int number) {
  for (auto at = kept_.begin(); at != kept_.end(); ++at) {
    if (at->first != number) continue;
    kept_.splice(kept_.begin(), kept_, at);
    return &kept_.front().second;
  }
  std::vector<NewsItem> rows;
  bool ok =
      DBBase::sharedDBBase().readNewsPage(newsColumns(), starts_[static_cast<std::size_t>(number)],
                                          kPageRows, upTo_, [&](const SqliteStatement& statement) {
                                            rows.push_back(newsItemFromColumns(statement));
                                            return true;
                                          });
  if (!ok) return nullptr;
  ++pagesRead_;
  kept_.emplace_front(number, std::move(rows));
  if (kept_.size() > kPagesKept) kept_.pop_back();
  return &kept_.front().second;
}

}  // namespace vokari
