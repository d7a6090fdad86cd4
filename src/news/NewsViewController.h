#pragma once
// The police news screen ("警讯播报"): the stored news as cards, newest first, brought up to date
// by one fetch each time the screen is opened, and the link panel under the list. The list is
// read a page at a time and has cards only for the rows a renderer shows, so a table of any size
// opens alike.

#include <memory>

#include "news/LinkView.h"
#include "news/NewsCell.h"
#include "news/NewsManager.h"
#include "news/NewsPages.h"
#include "news/PictureLoader.h"
#include "ui/Screen.h"

namespace vokari {

class NewsViewController final : public ui::Screen,
                                 public NewsManagerDelegate,
                                 private ui::CardSource {
 public:
  static constexpr double kNoNetworkSeconds = 1.5;

  // Pictures come from the loader (the shared one unless a test brings its own).
  explicit NewsViewController(PictureLoader* loader = nullptr);
  ~NewsViewController() override;

  void viewDidLoad() override;
  void viewWillDisappear() override;
  // Starts the fetch and shows "加载中..." until the list arrives.
  void updateNews();
  // The stored list is shown anew, then the overlay goes, with "网络不给力" without a network.
  void newsResponse() override;

  ui::CardRows& rows() { return *table_.rows; }
  const NewsPages& pages() const { return pages_; }
  NewsManager* manager() const { return news_.get(); }

 private:
  int rowCount() override { return pages_.count(); }
  void reach(int rows) override { pages_.reach(rows); }
  bool knowsAll() override { return pages_.complete(); }
  std::unique_ptr<ui::CardCell> makeCell() override;
  void fill(ui::CardCell& cell, int row) override;

  PictureLoader* loader_;
  std::unique_ptr<NewsManager> news_;  // made on the first load, kept after
  NewsPages pages_;
  ui::CardList table_{*this};
  LinkView links_;
};

}  // namespace vokari
