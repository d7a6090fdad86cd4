#include "news/NewsItem.h"

#include <array>
#include <utility>

namespace vokari {

const std::array<NewsField, 14> kNewsFields = {{
    {"imgUrl", "img_url", &NewsItem::imgUrl},
    {"imgUrl1", "img_url1", &NewsItem::imgUrl1},
    {"imgUrl2", "img_url2", &NewsItem::imgUrl2},
    {"imgUrl3", "img_url3", &NewsItem::imgUrl3},
    {"newsUrl", "new_url", &NewsItem::newsUrl},
    {"newsUrl1", "new_url1", &NewsItem::newsUrl1},
    {"newsUrl2", "new_url2", &NewsItem::newsUrl2},
    {"newsUrl3", "new_url3", &NewsItem::newsUrl3},
    {"time", "time", &NewsItem::time},
    {"title", "title", &NewsItem::title},
    {"title1", "title1", &NewsItem::title1},
    {"title2", "title2", &NewsItem::title2},
    {"title3", "title3", &NewsItem::title3},
    {"newsArea", "area", &NewsItem::newsArea},
}};

namespace {

using Field = std::string NewsItem::*;

// The picture addresses are the ones a renderer fetches: made URL-safe on the way out.
void urlSafePictures(NewsItem& item) {
  for (Field picture :
       {&NewsItem::imgUrl, &NewsItem::imgUrl1, &NewsItem::imgUrl2, &NewsItem::imgUrl3}) {
    item.*picture = urlSafeAddress(std::move(item.*picture));
  }
}

bool isHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Letters, digits and the marks RFC 3986 lets stand in an address as they are.
bool mayStand(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  std::string_view marks = "-._~:/?#[]@!$&'()*+,;=";
  return marks.find(static_cast<char>(c)) != std::string_view::npos;
}

bool isEscape(std::string_view text, std::size_t at) {
  return at + 2 < text.size() && isHex(text[at + 1]) && isHex(text[at + 2]);
}

}  // namespace

Row newsItemToRow(const NewsItem& item) {
  Row row;
  for (const NewsField& f : kNewsFields) row.emplace(f.column, item.*f.field);
  return row;
}

NewsItem newsItemFromRow(const Row& row) {
  NewsItem item;
  for (const NewsField& f : kNewsFields) item.*f.field = textOf(row, f.column).value_or("");
  urlSafePictures(item);
  return item;
}

const std::vector<std::string>& newsColumns() {
  static const std::vector<std::string> columns = [] {
    std::vector<std::string> names;
    for (const NewsField& f : kNewsFields) names.push_back(f.column);
    return names;
  }();
  return columns;
}

NewsItem newsItemFromColumns(const SqliteStatement& row) {
  NewsItem item;
  for (std::size_t i = 0; i < kNewsFields.size(); ++i)
    item.*kNewsFields[i].field = row.text(static_cast<int>(i));
  urlSafePictures(item);
  return item;
}

NewsStory storyOf(const NewsItem& item, int number) {
  switch (number) {
    case 1:
      return {item.title1, item.imgUrl1, item.newsUrl1};
    case 2:
      return {item.title2, item.imgUrl2, item.newsUrl2};
    case 3:
      return {item.title3, item.imgUrl3, item.newsUrl3};
    default:
      return {item.title, item.imgUrl, item.newsUrl};
  }
}

std::string urlSafeAddress(std::string address) {
  static const char* const kHex = "0123456789ABCDEF";
  std::size_t i = 0;
  while (i < address.size() && mayStand(static_cast<unsigned char>(address[i]))) ++i;
  if (i == address.size()) return address;  // the usual case: nothing to do
  std::string out = address.substr(0, i);
  for (; i < address.size(); ++i) {
    auto c = static_cast<unsigned char>(address[i]);
    if (mayStand(c) || (c == '%' && isEscape(address, i))) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace vokari
