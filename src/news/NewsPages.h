#pragma once
// The stored news in display order (newest first), read from the database a page at a time when
// a row is asked for. What is kept for the whole table is where each page reached so far starts
// (one key per page) and the few pages read last; a table of any size opens as fast as a small
// one. Main thread only.

#include <cstddef>
#include <list>
#include <optional>
#include <utility>
#include <vector>

#include "news/NewsItem.h"
#include "storage/DBBase.h"

namespace vokari {

class NewsPages final {
 public:
  static constexpr int kPageRows = 50;
  static constexpr std::size_t kPagesKept = 4;

  // Reads the number of rows again and forgets every page (the table has grown).
  void reload();
  int count() const { return count_; }
  // The item of the row (0 <= row < count()); an empty item when it cannot be read.
  const NewsItem& item(int row);
  // Pages read from the database since the last reload (for tests and benchmarks).
  std::size_t pagesRead() const { return pagesRead_; }

 private:
  using Key = DBBase::NewsKey;
  const std::vector<NewsItem>* page(int number);
  // Finds where the page starts by walking the keys from the last page whose start is known.
  bool reach(int number);

  int count_ = 0;
  // Where each page starts: after the key of the previous page's last row (none for page 0).
  std::vector<std::optional<Key>> starts_;
  std::list<std::pair<int, std::vector<NewsItem>>> kept_;  // most recently used first
  std::size_t pagesRead_ = 0;
  NewsItem empty_;
};

}  // namespace vokari
