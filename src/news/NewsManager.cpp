#include "news/NewsManager.h"

#include "storage/DBBase.h"

namespace vokari {
void NewsManager::getNewsWithLastTime() {
  if (!news_) {
    news_ = std::make_unique<getNews>();
    news_->delegate = this;
  }
  strLastTime = newestTime();
  news_->getNewsWithTime(strLastTime, DBBase::sharedDBBase().dbPath);
}

std::optional<std::string> NewsManager::newestTime() {
  // Only the first row of the display order is wanted; the time index hands it out directly,
  // however large the table has grown.
  std::optional<std::string> newest;
  DBBase::sharedDBBase().readNews({"time"}, [&](const SqliteStatement& row) {
    newest = row.text(0);
    return false;
  });
  return newest;
}

std::vector<NewsItem> NewsManager::getShowNews() {
  std::vector<NewsItem> items;
  DBBase::sharedDBBase().readNews(newsColumns(), [&](const SqliteStatement& row) {
    items.push_back(newsItemFromColumns(row));
    return true;
  });
  return items;
}

std::vector<Row> NewsManager::getAllNews() {
  return DBBase::sharedDBBase().getAllNews();
}

bool NewsManager::saveData(const std::vector<NewsItem>& items) {
  stored_ = Status::success();
  if (items.empty()) return true;
  std::vector<Row> rows;
  rows.reserve(items.size());
  for (const auto& item : items) rows.push_back(ObjectToDic(item));
  stored_ = DBBase::sharedDBBase().AddNewsRows(rows).status;
  return stored_.ok();
}

Row NewsManager::ObjectToDic(const NewsItem& item) {
  return newsItemToRow(item);
}

std::optional<NewsItem> NewsManager::DicToObject(const std::optional<Row>& row) {
  if (!row) return std::nullopt;
  return newsItemFromRow(*row);
}

void NewsManager::newsResponse(NewsReply reply) {
  // A reply that cannot be stored is deliberately not retried here: the stored list is shown
  // as it is, and the next fetch asks again from the newest stored time, so nothing is lost.
  stored_ = reply.staging;
  if (!reply.staged) return deliver();
  std::shared_ptr<NewsBatch> batch = std::move(reply.staged);
  storing_ = Background::start<Result<std::size_t>>(
      [batch](const CancelToken& token) {
        return batch->commit([&token] { return token.cancelled(); });
      },
      [this](Result<std::size_t>& stored) {
        stored_ = stored.status;
        deliver();
      });
}

void NewsManager::deliver() {
  if (delegate) delegate->newsResponse();
}

}  // namespace vokari
