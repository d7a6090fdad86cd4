#include "news/NewsViewController.h"

#include "core/NetWorkStatus.h"
#include "storage/StorageNotice.h"
#include "ui/Ui.h"

namespace vokari {

NewsViewController::NewsViewController(PictureLoader* loader)
    : ui::Screen("警讯播报"), loader_(loader) {}

NewsViewController::~NewsViewController() {
  // The cards go before the pages they show; the manager's fetch is cancelled with it.
  table_.rows.reset();
}

void NewsViewController::viewDidLoad() {
  title = "警讯播报";
  add(table_);
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

void NewsViewController::newsResponse() {
  pages_.reload();
  table_.rows->reload();
  ui::Hud& hud = *ui::Ui::current().hud;
  if (const Status& stored = news_->lastStore(); !stored) {
    hud.showError(storageNotice(stored), kStorageNoticeSeconds);
  } else if (NetWorkStatus::getNetStatus()) {
    hud.dismiss();
  } else {
    hud.showError("网络不给力", kNoNetworkSeconds);
  }
}

void NewsViewController::viewWillDisappear() {
  ui::Ui::current().hud->dismiss();
  if (news_) news_->delegate = nullptr;  // a late reply is still stored, but not shown here
}

std::unique_ptr<ui::CardCell> NewsViewController::makeCell() {
  return std::make_unique<NewsCell>(loader_ ? *loader_ : PictureLoader::shared());
}

void NewsViewController::fill(ui::CardCell& cell, int row) {
  static_cast<NewsCell&>(cell).setData(pages_.item(row));
}

}  // namespace vokari
