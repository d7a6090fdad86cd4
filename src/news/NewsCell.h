#pragma once
// One news card: the item's time above it, the main story (picture with its title over the lower
// edge) and the further stories that have a title, each with its small picture beside it. A
// card is reused for other items while the list scrolls: a new item empties it first, so
// nothing of the previous one shows or arrives. A tap opens the page of the story under the
// finger in the system browser. Main thread only.

#include <array>

#include "news/NewsItem.h"
#include "news/PictureLoader.h"
#include "ui/CardList.h"

namespace vokari {

class NewsCell final : public ui::CardCell {
 public:
  // Geometry in points; the card heights follow from the stories shown.
  static constexpr double kWidth = 320;
  static constexpr double kMainHeight = 210;   // time and main story
  static constexpr double kStoryHeight = 61;   // each further story
  static constexpr double kMainPicture = 175;  // height of the main picture
  static constexpr double kThumb = 45;         // side of a story's square picture

  explicit NewsCell(PictureLoader& loader) : loader_(loader) {}
  NewsCell(const NewsCell&) = delete;
  NewsCell& operator=(const NewsCell&) = delete;

  // 210 with no further story, 61 more for each story with a title.
  static double heightFor(const NewsItem& item);
  // Shows the item, nothing of the previous one, and starts loading its pictures.
  void setData(const NewsItem& item);
  // Opens the page of the story at the point (main picture, then the bands of stories 1 to 3);
  // an address that is blank opens nothing, one without "http://" gets it put in front.
  void onTap(double x, double y);

  void clear() override;
  void tap(double x, double y) override { onTap(x, y); }
  // Pictures that could not be had are asked for again.
  void reappeared() override;

  NewsItem news;

 private:
  void setImages();
  void setImage(std::size_t part);
  PictureLoader& loader_;
  std::array<PictureTicket, 4> pictures_;  // one per part shown
};

}  // namespace vokari
