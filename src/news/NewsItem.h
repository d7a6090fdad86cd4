#pragma once
// One police news item: a main story and up to three further stories, each a title, a picture
// address and a page address, with the publication time that identifies the item.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/Row.h"
#include "storage/Sqlite.h"

namespace vokari {

struct NewsItem {
  std::string imgUrl, imgUrl1, imgUrl2, imgUrl3;
  std::string newsUrl, newsUrl1, newsUrl2, newsUrl3;
  std::string time;
  std::string title, title1, title2, title3;
  std::string newsArea;

  bool operator==(const NewsItem&) const = default;
};

// Every field of an item once: its column in vok_news_report (also its key in a keyed archive)
// and its key in the service's reply, in the column order of the table.
struct NewsField {
  const char* column;
  const char* wireKey;
  std::string NewsItem::*field;
};
extern const std::array<NewsField, 14> kNewsFields;

// A story of an item: 0 the main one, 1 to 3 the further ones (a further story with an empty
// title is not shown).
struct NewsStory {
  const std::string& title;
  const std::string& picture;
  const std::string& page;
};
NewsStory storyOf(const NewsItem& item, int number);

// The item keyed by the columns of vok_news_report (every field, no tableid).
Row newsItemToRow(const NewsItem& item);
// The item of a stored row; a missing or null column reads as the empty text. The picture
// addresses are made URL-safe (urlSafeAddress), everything else is taken unchanged.
NewsItem newsItemFromRow(const Row& row);
// The columns of kNewsFields in order, and the item of a statement that read them (with the
// same rule as newsItemFromRow).
const std::vector<std::string>& newsColumns();
NewsItem newsItemFromColumns(const SqliteStatement& row);

// The address with every character that may not stand in a URL (spaces, quotes, characters
// outside ASCII such as Chinese file names) replaced by the percent-encoding of its UTF-8 bytes.
// A "%" that already starts an escape is kept, so an encoded address is not encoded twice.
std::string urlSafeAddress(std::string address);

}  // namespace vokari
