#pragma once
// The panel under the news list: the police's microblog page and web site, opened in the
// system browser.

#include <string>

#include "ui/Widgets.h"

namespace vokari {

class LinkView final {
 public:
  // Configuration: where the two rows lead.
  static constexpr const char* kWeiboUrl = "http://weibo.example.com/lanzogongan";
  static constexpr const char* kSiteUrl = "http://gaj.lanzo.example.gov";
  // Icon resources of the rows, in row order.
  static constexpr const char* kIcons[2] = {"weibo", "jh"};

  LinkView();
  LinkView(const LinkView&) = delete;
  LinkView& operator=(const LinkView&) = delete;

  ui::Table table;  // "Lanzo公安微博", "Lanzo公安官网", each with its ">" mark
};

}  // namespace vokari
