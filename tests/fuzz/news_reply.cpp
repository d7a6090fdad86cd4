// The news reply reader, against the document reader it replaced: a reply read whole, or in
// pieces of any size, gives the same items, or is refused alike. Then what becomes of each item:
// its row for the database and back, and the URL-safe picture address.

#include <nlohmann/json.hpp>

#include "FuzzInput.h"
#include "news/NewsReply.h"
#include "news/getNews.h"

using namespace vokari;

namespace {

// The items as the whole document says them; none unless it is an object saying "SUCCESS".
std::optional<std::vector<NewsItem>> asDocument(const std::string& reply) {
  auto object = nlohmann::json::parse(reply, nullptr, /*allow_exceptions=*/false);
  if (!object.is_object()) return std::nullopt;
  auto states = object.find("STATES");
  if (states == object.end() || *states != "SUCCESS") return std::nullopt;
  std::vector<NewsItem> items;
  auto list = object.find("NEWS_LIST");
  if (list == object.end() || !list->is_array()) return items;
  for (const auto& element : *list) {
    NewsItem& item = items.emplace_back();
    if (!element.is_object()) continue;
    for (const NewsField& f : kNewsFields) {
      auto value = element.find(f.wireKey);
      if (value != element.end()) item.*f.field = getNews::checkString(*value);
    }
  }
  return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string reply(reinterpret_cast<const char*>(data), size);
  // The size chooses the pieces the reply arrives in, so the corpus stays plain replies.
  const std::size_t piece = 1 + size % 61;
  const auto items = getNews::praseReturnJsonString(reply);

  if (readNewsReply(reply, piece) != items) __builtin_trap();
  // What the document reader took must be taken: except a value longer than the reader holds,
  // and bytes after a NUL, which the document reader took for the end of the text.
  const auto whole = asDocument(reply);
  const bool comparable = reply.size() < (1 << 20) && reply.find('\0') == std::string::npos;
  if (whole.has_value() && comparable && !items) __builtin_trap();
  if (whole && items && *whole != *items) __builtin_trap();
  if (!items) return 0;
  for (const NewsItem& item : *items) {
    const NewsItem stored = newsItemFromRow(newsItemToRow(item));
    // Encoding an address that is already URL-safe must leave it as it is.
    if (urlSafeAddress(stored.imgUrl) != stored.imgUrl) __builtin_trap();
  }
  return 0;
}
