#pragma once
// The police news screen ("警讯播报"): the stored news as cards, newest first, brought up to date
// by one fetch each time the screen is opened, and the link panel under the list.

#include <memory>
#include <vector>

#include "news/LinkView.h"
#include "news/NewsCell.h"
#include "news/NewsManager.h"
#include "news/PictureLoader.h"
#include "ui/Screen.h"

namespace vokari {

class NewsViewController final : public ui::Screen, public NewsManagerDelegate {
 public:
  static constexpr double kNoNetworkSeconds = 1.5;

  // Pictures come from the loader (the shared one unless a test brings its own).
  explicit NewsViewController(PictureLoader* loader = nullptr);
  ~NewsViewController() override;

  void viewDidLoad() override;
  void viewWillDisappear() override;
  // Starts the fetch and shows "加载中..." until the list arrives.
  void updateNews();
  // The whole stored list: shown, then the overlay goes, with "网络不给力" without a network.
  void newsResponse(const std::vector<NewsItem>& items) override;

  const std::vector<NewsItem>& dataArray() const { return dataArray_; }
  const std::vector<std::unique_ptr<NewsCell>>& cells() const { return cells_; }
  NewsManager* manager() const { return news_.get(); }

 private:
  void reloadTable();

  PictureLoader* loader_;
  std::unique_ptr<NewsManager> news_;  // made on the first load, kept after
  std::vector<NewsItem> dataArray_;
  std::vector<std::unique_ptr<NewsCell>> cells_;
  LinkView links_;
};

}  // namespace vokari
