#include "news/NewsReply.h"

#include <yajl/yajl_parse.h>

#include <algorithm>
#include <optional>

namespace vokari {

// Where the reader is, by depth of containers: 1 inside the reply object, 2 inside its list,
// 3 inside an item of the list; anything deeper is skipped.
struct NewsReplyReader::State {
  explicit State(const Handlers& handlers);
  ~State() { yajl_free(parser); }

  const Handlers& handlers;
  yajl_handle parser = nullptr;
  int depth = 0;
  bool object = false;  // the reply is a JSON object
  bool broken = false;  // not JSON, or a handler said stop
  bool inList = false;
  std::string topKey;
  std::optional<std::string> states;
  NewsItem item;
  std::string* field = nullptr;  // the current key's field of the item, if it names one
  bool started = false;          // a byte-order mark is ruled out or skipped
  std::string head;              // the first bytes, until then
  std::size_t events = 0;        // values, keys and containers met
  std::size_t quietBytes = 0;    // bytes read since the last of them

  // A value at the current depth: its text, or none for any other kind of value.
  bool value(std::optional<std::string_view> text) {
    ++events;
    if (depth == 0) return true;  // a reply that is not an object: judged at the end
    if (depth == 1) {
      if (topKey == "STATES") states = text ? std::optional<std::string>(*text) : std::nullopt;
      return true;
    }
    if (inList && depth == 2) return handlers.item(NewsItem{});  // an element that is no object
    if (inList && depth == 3 && field) *field = text ? std::string(*text) : std::string();
    return true;
  }
  bool open(bool map) {
    ++events;
    if (depth == 0) object = map;
    bool go = true;
    if (depth == 1 && topKey == "NEWS_LIST" && !map) {
      inList = true;
    } else if (depth == 1 && topKey == "STATES") {
      states.reset();
    } else if (inList && depth == 2) {
      item = NewsItem{};
      field = nullptr;
      if (!map) go = handlers.item(NewsItem{});
    } else if (inList && depth == 3 && field) {
      field->clear();
    }
    ++depth;
    return go;
  }
  bool close(bool map) {
    ++events;
    --depth;
    if (inList && depth == 2 && map) return handlers.item(std::move(item));
    if (inList && depth == 1) inList = false;
    return true;
  }
  bool key(std::string_view name) {
    ++events;
    if (depth == 1) {
      topKey = name;
      inList = false;
      if (name == "NEWS_LIST") return handlers.listStarts();
    } else if (inList && depth == 3) {
      auto known = std::find_if(kNewsFields.begin(), kNewsFields.end(),
                                [&](const NewsField& f) { return name == f.wireKey; });
      field = known == kNewsFields.end() ? nullptr : &(item.*known->field);
    }
    return true;
  }
};

namespace {

using State = NewsReplyReader::State;
State& of(void* context) {
  return *static_cast<State*>(context);
}
std::string_view textOf(const unsigned char* bytes, std::size_t length) {
  return {reinterpret_cast<const char*>(bytes), length};
}

const yajl_callbacks kCallbacks = {
    [](void* c) { return int(of(c).value(std::nullopt)); },                            // null
    [](void* c, int) { return int(of(c).value(std::nullopt)); },                       // boolean
    nullptr,                                                                           // integer
    nullptr,                                                                           // double
    [](void* c, const char*, std::size_t) { return int(of(c).value(std::nullopt)); },  // number
    [](void* c, const unsigned char* s, std::size_t n) { return int(of(c).value(textOf(s, n))); },
    [](void* c) { return int(of(c).open(true)); },  // start map
    [](void* c, const unsigned char* s, std::size_t n) { return int(of(c).key(textOf(s, n))); },
    [](void* c) { return int(of(c).close(true)); },   // end map
    [](void* c) { return int(of(c).open(false)); },   // start array
    [](void* c) { return int(of(c).close(false)); },  // end array
};

}  // namespace

NewsReplyReader::State::State(const Handlers& handlers) : handlers(handlers) {
  parser = yajl_alloc(&kCallbacks, nullptr, this);
}

NewsReplyReader::NewsReplyReader(Handlers handlers)
    : handlers_(std::move(handlers)), state_(std::make_unique<State>(handlers_)) {}

NewsReplyReader::~NewsReplyReader() = default;

void NewsReplyReader::restart() {
  state_ = std::make_unique<State>(handlers_);
}

bool NewsReplyReader::feed(std::string_view bytes) {
  State& s = *state_;
  if (s.broken) return false;
  if (!s.started) {
    // A byte-order mark before the text is allowed, as the document reader allowed it.
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    s.head.append(bytes);
    if (s.head.size() < kBom.size() && kBom.starts_with(s.head)) return true;
    s.started = true;
    const std::string head = std::move(s.head);
    return feed(std::string_view(head).substr(head.starts_with(kBom) ? kBom.size() : 0));
  }
  // In slices, so that a single value longer than any item has (which the parser would have to
  // hold whole) is noticed before it takes much memory.
  constexpr std::size_t kSlice = 64 << 10;
  constexpr std::size_t kLongestValue = 1 << 20;
  while (!bytes.empty() && !s.broken) {
    const std::string_view slice = bytes.substr(0, kSlice);
    bytes.remove_prefix(slice.size());
    const std::size_t events = s.events;
    s.broken = yajl_parse(s.parser, reinterpret_cast<const unsigned char*>(slice.data()),
                          slice.size()) != yajl_status_ok;
    s.quietBytes = s.events == events ? s.quietBytes + slice.size() : 0;
    if (s.quietBytes > kLongestValue) s.broken = true;
  }
  return !s.broken;
}

bool NewsReplyReader::succeeded() {
  State& s = *state_;
  // Nothing, or less than a byte-order mark, is no reply.
  if (!s.started || s.broken || yajl_complete_parse(s.parser) != yajl_status_ok) return false;
  return s.object && s.states == "SUCCESS";
}

std::optional<std::vector<NewsItem>> readNewsReply(std::string_view reply, std::size_t piece) {
  std::vector<NewsItem> items;
  NewsReplyReader reader({.item =
                              [&](NewsItem&& item) {
                                items.push_back(std::move(item));
                                return true;
                              },
                          .listStarts =
                              [&] {
                                items.clear();
                                return true;
                              }});
  for (std::size_t at = 0; at < reply.size(); at += piece) {
    if (!reader.feed(reply.substr(at, piece))) return std::nullopt;
  }
  if (!reader.succeeded()) return std::nullopt;
  return items;
}

}  // namespace vokari
