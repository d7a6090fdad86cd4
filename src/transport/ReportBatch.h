#pragma once
// Outcomes reported together. While a ReportBatch lives, HttpExchange::report on its thread
// gathers instead of posting, and the batch posts what it gathered when it ends: one post, and so
// one wake-up, per loop. Each exchange stays locked until then, so a cancel that returns before
// the post still wins. Internal to the transport.

#include <cstddef>
#include <memory>

namespace vokari {

class ReportBatch {
 public:
  // `expected`: about how many outcomes it gathers, so that it makes room for them once.
  explicit ReportBatch(std::size_t expected = 1);
  ~ReportBatch();
  ReportBatch(const ReportBatch&) = delete;
  ReportBatch& operator=(const ReportBatch&) = delete;

  struct Gathered;

 private:
  std::unique_ptr<Gathered> gathered_;
};

}  // namespace vokari
