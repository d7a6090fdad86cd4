// The news reply decoder, and what becomes of each item it yields: its row for the database
// and back, and the URL-safe picture address.

#include "FuzzInput.h"
#include "news/getNews.h"

using namespace vokari;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string reply(reinterpret_cast<const char*>(data), size);
  const auto items = getNews::praseReturnJsonString(reply);
  if (!items) return 0;
  for (const NewsItem& item : *items) {
    const NewsItem stored = newsItemFromRow(newsItemToRow(item));
    // Encoding an address that is already URL-safe must leave it as it is.
    if (urlSafeAddress(stored.imgUrl) != stored.imgUrl) __builtin_trap();
  }
  return 0;
}
