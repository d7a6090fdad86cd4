#include "news/LinkView.h"

#include "platform/Platform.h"

namespace vokari {

LinkView::LinkView() {
  ui::TableRowModel weibo{"Lanzo公安微博", "", true};
  ui::TableRowModel site{"Lanzo公安官网", "", true};
  weibo.icon = kIcons[0];
  site.icon = kIcons[1];
  table.sections = {{"", {weibo, site}}};
  table.onSelect = [](int /*section*/, int row) {
    UrlOpener* opener = Platform::current().urlOpener;
    if (opener) opener->openURL(row == 0 ? kWeiboUrl : kSiteUrl);
  };
}

}  // namespace vokari
