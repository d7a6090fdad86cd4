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

ui::CardPartModel mainPart(const NewsItem& item) {
  ui::CardPartModel m;
  m.tag = 0;
  m.title = item.title;
  m.titleOverPicture = true;
  m.pictureRect = {kMargin, kPictureTop, NewsCell::kWidth - 2 * kMargin, NewsCell::kMainPicture};
  m.titleRect = {kMargin, kPictureTop + NewsCell::kMainPicture - kTitleBand,
                 NewsCell::kWidth - 2 * kMargin, kTitleBand};
  m.tapArea = m.pictureRect;
  m.picture.source = item.imgUrl;
  m.picture.width = m.pictureRect.width;
  m.picture.height = m.pictureRect.height;
  return m;
}

// A further story: its title with the square picture beside it; a tap anywhere across the
// card's width at the title's height opens it.
ui::CardPartModel storyPart(const NewsStory& story, int number, double top) {
  using NewsCell = vokari::NewsCell;
  ui::CardPartModel m;
  m.tag = number;
  m.title = story.title;
  m.ruled = true;
  double titleTop = top + kStoryInset;
  double titleHeight = NewsCell::kStoryHeight - 2 * kStoryInset;
  m.pictureRect = {NewsCell::kWidth - kMargin - NewsCell::kThumb, titleTop, NewsCell::kThumb,
                   NewsCell::kThumb};
  m.titleRect = {kMargin, titleTop, m.pictureRect.x - 2 * kMargin, titleHeight};
  m.tapArea = {0, titleTop, NewsCell::kWidth, titleHeight};
  m.picture.source = story.picture;
  m.picture.width = m.picture.height = NewsCell::kThumb;
  return m;
}

}  // namespace

double NewsCell::heightFor(const NewsItem& item) {
  double height = kMainHeight;
  for (int number = 1; number <= 3; ++number) {
    if (!storyOf(item, number).title.empty()) height += kStoryHeight;
  }
  return height;
}

void NewsCell::clear() {
  for (auto& ticket : pictures_) ticket.reset();  // nothing of the previous item may arrive
  news = {};
  card = {};
}

void NewsCell::setData(const NewsItem& item) {
  clear();
  news = item;
  card.caption = item.time;
  card.captionRect = {kMargin, 0, kWidth - 2 * kMargin, kTimeHeight};
  card.width = kWidth;
  card.height = heightFor(item);
  card.parts.push_back(mainPart(item));
  double top = kMainHeight;
  for (int number = 1; number <= 3; ++number) {
    NewsStory story = storyOf(item, number);
    if (story.title.empty()) continue;
    card.parts.push_back(storyPart(story, number, top));
    top += kStoryHeight;
  }
  setImages();
}

void NewsCell::setImages() {
  for (std::size_t i = 0; i < card.parts.size(); ++i) setImage(i);
}

void NewsCell::setImage(std::size_t part) {
  ui::PictureModel& picture = card.parts[part].picture;
  if (picture.source.find_first_not_of(" \t\r\n") == std::string::npos) return;
  picture.failed = false;
  // The one place news pictures are turned into what a card shows.
  pictures_[part] = loader_.load(picture.source, [this, part](PictureBytes bytes) {
    ui::PictureModel& shown = card.parts[part].picture;
    shown.failed = !bytes;
    shown.bytes = std::move(bytes);
    changed();
  });
}

void NewsCell::reappeared() {
  for (std::size_t i = 0; i < card.parts.size(); ++i) {
    if (card.parts[i].picture.failed) setImage(i);
  }
}

void NewsCell::onTap(double x, double y) {
  int tag = card.partAt(x, y);
  if (tag < 0) return;
  std::optional<std::string> url = Extern::httpUrl(storyOf(news, tag).page);
  UrlOpener* opener = Platform::current().urlOpener;
  if (url && opener) opener->openURL(*url);
}

}  // namespace vokari
