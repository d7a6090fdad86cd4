#pragma once
// A news reply read as it arrives: each item of its "NEWS_LIST" is handed over as soon as it is
// complete, so a reply of any length needs memory for one item only. The verdict comes at the
// end, since "STATES" may follow the list. Items are decoded as the document reader did: a text
// value is taken, any other value (or a missing key) gives the empty text, an element that is
// not an object gives an empty item, and of a repeated key the last one counts.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "news/NewsItem.h"

namespace vokari {

class NewsReplyReader final {
 public:
  struct Handlers {
    // A whole item; false stops the reading.
    std::function<bool(NewsItem&&)> item;
    // "NEWS_LIST" begins (again: of a repeated key the last list counts, so the items handed
    // over before are void); false stops the reading.
    std::function<bool()> listStarts;
  };

  explicit NewsReplyReader(Handlers handlers);
  ~NewsReplyReader();
  NewsReplyReader(const NewsReplyReader&) = delete;
  NewsReplyReader& operator=(const NewsReplyReader&) = delete;

  // The next bytes of the reply (UTF-8, as JSON is). False once it is not JSON or a handler said
  // stop; nothing more is read then.
  bool feed(std::string_view bytes);
  // After the last byte: whether the reply was one JSON object whose "STATES" is "SUCCESS".
  bool succeeded();
  // Forgets everything read, for a reply that starts over.
  void restart();

  struct State;

 private:
  Handlers handlers_;
  std::unique_ptr<State> state_;
};

// The items of a whole reply read `piece` bytes at a time (the whole at once by default), as
// the reader hands them over; none unless it is a success.
std::optional<std::vector<NewsItem>> readNewsReply(std::string_view reply,
                                                   std::size_t piece = std::string_view::npos);

}  // namespace vokari
