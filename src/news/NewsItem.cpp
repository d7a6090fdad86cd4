#include "news/NewsItem.h"

#include <array>
#include <utility>

namespace vokari {
namespace {

// Field and column name, in the column order of vok_news_report.
using Field = std::string NewsItem::*;
const std::array<std::pair<const char*, Field>, 14> kColumns = {{
    {"imgUrl", &NewsItem::imgUrl},
    {"imgUrl1", &NewsItem::imgUrl1},
    {"imgUrl2", &NewsItem::imgUrl2},
    {"imgUrl3", &NewsItem::imgUrl3},
    {"newsUrl", &NewsItem::newsUrl},
    {"newsUrl1", &NewsItem::newsUrl1},
    {"newsUrl2", &NewsItem::newsUrl2},
    {"newsUrl3", &NewsItem::newsUrl3},
    {"time", &NewsItem::time},
    {"title", &NewsItem::title},
    {"title1", &NewsItem::title1},
    {"title2", &NewsItem::title2},
    {"title3", &NewsItem::title3},
    {"newsArea", &NewsItem::newsArea},
}};

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
  for (const auto& [column, field] : kColumns) row.emplace(column, item.*field);
  return row;
}

NewsItem newsItemFromRow(const Row& row) {
  NewsItem item;
  for (const auto& [column, field] : kColumns) item.*field = textOf(row, column).value_or("");
  for (Field picture :
       {&NewsItem::imgUrl, &NewsItem::imgUrl1, &NewsItem::imgUrl2, &NewsItem::imgUrl3}) {
    item.*picture = urlSafeAddress(std::move(item.*picture));
  }
  return item;
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
