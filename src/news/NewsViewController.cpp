#include "news/NewsViewController.h"

#include "core/NetWorkStatus.h"
#include "ui/Ui.h"

namespace vokari {

NewsViewController::NewsViewController(PictureLoader* loader)
    : ui::Screen("警讯播报"), loader_(loader) {}

NewsViewController::~NewsViewController() {
  // The cards leave the display before they go; the manager's fetch is cancelled with it.
  for (auto& cell : cells_) remove(cell->card);
}

void NewsViewController::viewDidLoad() {
  title = "警讯播报";
  add(links_.table);
  updateNews();
}

void NewsViewController::updateNews() {
  if (!news_) news_ = std::make_unique<NewsManager>();
  news_->delegate = this;
  // The overlay goes up first, so that no answer, however quick, can leave it behind.
  ui::Ui::current().hud->showBusy("加载中...");
  news_->getNewsWithLastTime();
}

void NewsViewController::newsResponse(const std::vector<NewsItem>& items) {
  dataArray_ = items;
  reloadTable();
  ui::Hud& hud = *ui::Ui::current().hud;
  if (NetWorkStatus::getNetStatus()) {
    hud.dismiss();
  } else {
    hud.showError("网络不给力", kNoNetworkSeconds);
  }
}

void NewsViewController::viewWillDisappear() {
  ui::Ui::current().hud->dismiss();
  if (news_) news_->delegate = nullptr;  // a late reply is still stored, but not shown here
}

void NewsViewController::reloadTable() {
  for (auto& cell : cells_) remove(cell->card);
  remove(links_.table);
  cells_.clear();
  PictureLoader& loader = loader_ ? *loader_ : PictureLoader::shared();
  for (const auto& item : dataArray_) {
    auto cell = std::make_unique<NewsCell>(loader);
    cell->setData(item);
    cell->card.onTap = guard([cell = cell.get()](double x, double y) { cell->onTap(x, y); });
    add(cell->card);
    cells_.push_back(std::move(cell));
  }
  add(links_.table);
}

}  // namespace vokari
