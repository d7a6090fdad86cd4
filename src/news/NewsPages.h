#pragma once
// The stored news in display order (newest first), read from the database a page at a time when
// a row is asked for. The rows are learnt as they are reached, never counted: counting walks the
// whole table. What is kept for the whole table is where each page reached so far starts (one
// key per page) and the few pages read last; a table of any size opens as fast as a small one.
// Main thread only.

#include <cstddef>
#include <cstdint>
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

  // Forgets every row and page and takes the rows stored now as the list: rows stored later are
  // not in it until the next reload, so a page read again is always the same.
  void reload();
  // Learns of the rows before `rows` by reading the keys of the pages up to there; stops at the
  // end of the table.
  void reach(int rows);
  // The rows learnt so far, and whether the end of the table was met.
  int count() const { return count_; }
  bool complete() const { return complete_; }
  // The item of the row (0 <= row < count()); an empty item when it cannot be read.
  const NewsItem& item(int row);
  // Pages read from the database since the last reload (for tests and benchmarks).
  std::size_t pagesRead() const { return pagesRead_; }

 private:
  using Key = DBBase::NewsKey;
  const std::vector<NewsItem>* page(int number);

  std::int64_t upTo_ = 0;  // the newest tableid of the list
  int count_ = 0;
  bool complete_ = false;
  // Where each page starts: after the key of the previous page's last row (none for page 0).
  std::vector<std::optional<Key>> starts_;
  std::list<std::pair<int, std::vector<NewsItem>>> kept_;  // most recently used first
  std::size_t pagesRead_ = 0;
  NewsItem empty_;
};

}  // namespace vokari
