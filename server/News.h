#pragma once
// Police news: items of one to four stories, each story with a picture and a page that the
// general service serves itself.

#include <optional>
#include <string>
#include <vector>

#include "Http.h"
#include "Time.h"

namespace vokari_backend {

// One story of an item to publish. An empty title among the further stories leaves a gap (the
// item has no such story); an empty picture or page is served by the general service itself.
struct StoryDraft {
  std::string title;
  std::string picture;
  std::string page;
};

// Stores an item under its time, which identifies it for the client. Throws
// std::runtime_error, with a message for a person, for a bad area, time or titles.
void publishNews(Call& call, int area, const std::vector<StoryDraft>& stories,
                 const std::string& time);
void publishNews(Call& call, int area, const std::vector<std::string>& titles,
                 const std::string& time);
// Publishes an item given in the shape of a NEWS_LIST item; throws std::runtime_error as above,
// also for a value of the wrong type or a story with links but no title.
void publishNewsItem(Call& call, const Json& item);
// The time, or the first free second after it when an item has that time already.
std::string freeNewsTime(Call& call, TimePoint time);

// How many items were published after the time text `after` ("" for all) in the
// comma-separated areas, or in every area when areas is absent.
long long newsCount(Call& call, const std::string& after, const std::optional<std::string>& areas);
// Up to `count` of those items that are older than `before` ("" for no bound), newest first, as
// NEWS_LIST items: the next page after an item is the one before its time.
Json newsPage(Call& call, const std::string& after, const std::string& before,
              const std::optional<std::string>& areas, int count);

// GET /news/<item>/<story>.png and .html.
void serveNewsMedia(Server& server, Store& store);

}  // namespace vokari_backend
