#include "news/NewsManager.h"

#include "storage/DBBase.h"

namespace vokari {
namespace {

// The columns read for the display list, in NewsItem's field order.
const std::vector<std::string> kShownColumns = {
    "imgUrl",   "imgUrl1", "imgUrl2", "imgUrl3", "newsUrl", "newsUrl1", "newsUrl2",
    "newsUrl3", "time",    "title",   "title1",  "title2",  "title3",   "newsArea"};

}  // namespace

void NewsManager::getNewsWithLastTime() {
  if (!news_) {
    news_ = std::make_unique<getNews>();
    news_->delegate = this;
  }
  strLastTime = newestTime();
  news_->getNewsWithTime(strLastTime);
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
  DBBase::sharedDBBase().readNews(kShownColumns, [&](const SqliteStatement& row) {
    NewsItem& item = items.emplace_back();
    item.imgUrl = urlSafeAddress(row.text(0));
    item.imgUrl1 = urlSafeAddress(row.text(1));
    item.imgUrl2 = urlSafeAddress(row.text(2));
    item.imgUrl3 = urlSafeAddress(row.text(3));
    item.newsUrl = row.text(4);
    item.newsUrl1 = row.text(5);
    item.newsUrl2 = row.text(6);
    item.newsUrl3 = row.text(7);
    item.time = row.text(8);
    item.title = row.text(9);
    item.title1 = row.text(10);
    item.title2 = row.text(11);
    item.title3 = row.text(12);
    item.newsArea = row.text(13);
    return true;
  });
  return items;
}

std::vector<Row> NewsManager::getAllNews() {
  return DBBase::sharedDBBase().getAllNews();
}

void NewsManager::saveData(const std::vector<NewsItem>& items) {
  if (items.empty()) return;
  std::vector<Row> rows;
  rows.reserve(items.size());
  for (const auto& item : items) rows.push_back(ObjectToDic(item));
  DBBase::sharedDBBase().AddNewsRows(rows);
}

Row NewsManager::ObjectToDic(const NewsItem& item) {
  return newsItemToRow(item);
}

std::optional<NewsItem> NewsManager::DicToObject(const std::optional<Row>& row) {
  if (!row) return std::nullopt;
  return newsItemFromRow(*row);
}

void NewsManager::newsResponse(const std::optional<std::vector<NewsItem>>& items) {
  if (items) saveData(*items);
  if (delegate) delegate->newsResponse(getShowNews());
}

}  // namespace vokari
