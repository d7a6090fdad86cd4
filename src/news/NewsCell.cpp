#include "news/NewsCell.h"

#include "core/Extern.h"
#include "platform/Platform.h"

namespace vokari {
namespace {

constexpr double kMargin = 10;
constexpr double kTimeHeight = 20;
constexpr double kPictureTop = 25;
constexpr double kTitleBand = 30;  // the main title over the picture's lower edge
constexpr double kStoryInset = 8;  // above and below a story's title

struct Story {
  int number;
  const std::string* title;
  const std::string* picture;
  const std::string* page;
};

std::array<Story, 3> storiesOf(const NewsItem& item) {
  return {{{1, &item.title1, &item.imgUrl1, &item.newsUrl1},
           {2, &item.title2, &item.imgUrl2, &item.newsUrl2},
           {3, &item.title3, &item.imgUrl3, &item.newsUrl3}}};
}

ui::NewsStoryModel storyModel(const Story& story, double top) {
  using NewsCell = vokari::NewsCell;
  ui::NewsStoryModel m;
  m.number = story.number;
  m.title = *story.title;
  double titleTop = top + kStoryInset;
  double titleHeight = NewsCell::kStoryHeight - 2 * kStoryInset;
  m.pictureRect = {NewsCell::kWidth - kMargin - NewsCell::kThumb, titleTop, NewsCell::kThumb,
                   NewsCell::kThumb};
  m.titleRect = {kMargin, titleTop, m.pictureRect.x - 2 * kMargin, titleHeight};
  m.band = {0, titleTop, NewsCell::kWidth, titleHeight};
  m.picture.source = *story.picture;
  m.picture.width = m.picture.height = NewsCell::kThumb;
  return m;
}

}  // namespace

double NewsCell::heightFor(const NewsItem& item) {
  double height = kMainHeight;
  for (const Story& story : storiesOf(item)) {
    if (!story.title->empty()) height += kStoryHeight;
  }
  return height;
}

void NewsCell::setData(const NewsItem& item) {
  for (auto& ticket : pictures_) ticket.reset();  // nothing of the previous item may arrive
  news = item;
  card.stories.clear();
  card.time = item.time;
  card.title = item.title;
  card.width = kWidth;
  card.height = heightFor(item);
  card.timeRect = {kMargin, 0, kWidth - 2 * kMargin, kTimeHeight};
  card.pictureRect = {kMargin, kPictureTop, kWidth - 2 * kMargin, kMainPicture};
  card.titleRect = {kMargin, kPictureTop + kMainPicture - kTitleBand, kWidth - 2 * kMargin,
                    kTitleBand};
  card.picture = {};
  card.picture.source = item.imgUrl;
  card.picture.width = card.pictureRect.width;
  card.picture.height = card.pictureRect.height;
  double top = kMainHeight;
  for (const Story& story : storiesOf(item)) {
    if (story.title->empty()) continue;
    card.stories.push_back(storyModel(story, top));
    top += kStoryHeight;
  }
  setImages();
}

void NewsCell::setImages() {
  pictures_[0] = loader_.load(
      card.picture.source, [this](PictureBytes bytes) { card.picture.bytes = std::move(bytes); });
  for (std::size_t i = 0; i < card.stories.size(); ++i) {
    pictures_[i + 1] = loader_.load(card.stories[i].picture.source, [this, i](PictureBytes bytes) {
      card.stories[i].picture.bytes = std::move(bytes);
    });
  }
}

void NewsCell::onTap(double x, double y) {
  const std::string* page = nullptr;
  switch (card.storyAt(x, y)) {
    case 0:
      page = &news.newsUrl;
      break;
    case 1:
      page = &news.newsUrl1;
      break;
    case 2:
      page = &news.newsUrl2;
      break;
    case 3:
      page = &news.newsUrl3;
      break;
    default:
      return;
  }
  std::optional<std::string> url = Extern::httpUrl(*page);
  UrlOpener* opener = Platform::current().urlOpener;
  if (url && opener) opener->openURL(*url);
}

}  // namespace vokari
