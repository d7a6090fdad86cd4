#pragma once
// The news screen's manager: finds the newest stored time, fetches what is newer, stores it and
// hands its delegate the whole stored list, newest first. A reply's items are stored together
// on the worker thread once the whole reply is in, so that a backlog of any size neither holds
// the main loop nor is stored in part. Owned by the news screen; going away cancels a fetch in
// flight, whose reply is then neither stored nor delivered. Main thread only.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "news/NewsItem.h"
#include "news/getNews.h"
#include "platform/Background.h"
#include "platform/Status.h"

namespace vokari {

class NewsManagerDelegate {
 public:
  virtual ~NewsManagerDelegate() = default;
  // After every fetch, success or not: the stored list is up to date (read it page by page with
  // NewsPages, or whole with getShowNews).
  virtual void newsResponse() = 0;
};

class NewsManager final : public GetNewsDelegate {
 public:
  NewsManager() = default;
  NewsManager(const NewsManager&) = delete;
  NewsManager& operator=(const NewsManager&) = delete;

  // Starts one fetch from the newest stored time; the outcome reaches the delegate later.
  void getNewsWithLastTime();
  // The stored items, newest first; empty when the database cannot be opened.
  std::vector<NewsItem> getShowNews();
  // The stored rows, newest first.
  std::vector<Row> getAllNews();
  // Stores the items not kept yet, in list order: the first item of a time wins. False when the
  // database cannot be opened or written (then nothing of the list is stored; lastStore says why).
  [[nodiscard]] bool saveData(const std::vector<NewsItem>& items);
  // How the latest fetch's items were stored: a failure means none of them was, and the next
  // fetch asks again from the same newest time.
  const Status& lastStore() const { return stored_; }
  static Row ObjectToDic(const NewsItem& item);
  static std::optional<NewsItem> DicToObject(const std::optional<Row>& row);
  // The newest stored time; none for an empty table.
  static std::optional<std::string> newestTime();

  void newsResponse(NewsReply reply) override;

  NewsManagerDelegate* delegate = nullptr;  // not owned; cleared by a screen that goes away
  std::optional<std::string> strLastTime;   // the time the latest fetch asked from

 private:
  void deliver();

  std::unique_ptr<getNews> news_;  // made on the first fetch, reused after
  BackgroundTask storing_;         // a reply's items being stored
  Status stored_ = Status::success();
};

}  // namespace vokari
