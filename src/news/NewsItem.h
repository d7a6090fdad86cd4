#pragma once
// One police news item: a main story and up to three further stories, each a title, a picture
// address and a page address, with the publication time that identifies the item.

#include <optional>
#include <string>
#include <string_view>

#include "storage/Row.h"

namespace vokari {

struct NewsItem {
  std::string imgUrl, imgUrl1, imgUrl2, imgUrl3;
  std::string newsUrl, newsUrl1, newsUrl2, newsUrl3;
  std::string time;
  std::string title, title1, title2, title3;
  std::string newsArea;

  bool operator==(const NewsItem&) const = default;
};

// The item keyed by the columns of vok_news_report (every field, no tableid).
Row newsItemToRow(const NewsItem& item);
// The item of a stored row; a missing or null column reads as the empty text. The picture
// addresses are made URL-safe (urlSafeAddress), everything else is taken unchanged.
NewsItem newsItemFromRow(const Row& row);

// The address with every character that may not stand in a URL (spaces, quotes, characters
// outside ASCII such as Chinese file names) replaced by the percent-encoding of its UTF-8 bytes.
// A "%" that already starts an escape is kept, so an encoded address is not encoded twice.
std::string urlSafeAddress(std::string address);

}  // namespace vokari
