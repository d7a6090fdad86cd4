#include "News.h"

#include <stdexcept>

#include "Catalog.h"
#include "Png.h"
#include "Soap.h"

namespace vokari_backend {
namespace {

constexpr size_t kMaxStories = 4;

std::string suffix(long long story) {
  return story == 0 ? "" : std::to_string(story);
}

Json emptyItem(const Record& row) {
  Json item = {{"time", row["time"]}, {"area", row["area"]}};
  for (long long story = 0; story < static_cast<long long>(kMaxStories); ++story) {
    for (const char* key : {"title", "img_url", "new_url"}) item[key + suffix(story)] = "";
  }
  return item;
}

// Pictures of further stories carry the file names the police give them, Chinese characters and
// blanks included, sent as they are: the client must make such an address URL-safe.
constexpr const char* kStoryPictureName = "/现场 照片.png";

void addStory(Json& item, const std::string& origin, const Record& row) {
  long long story = std::stoll(row["idx"]);
  std::string address = origin + "/news/" + row["id"] + "/" + row["idx"];
  item["title" + suffix(story)] = row["title"];
  item["img_url" + suffix(story)] = !row["picture"].empty()
                                        ? row["picture"]
                                        : address + (story == 0 ? ".png" : kStoryPictureName);
  item["new_url" + suffix(story)] = !row["page"].empty() ? row["page"] : address + ".html";
}

std::string page(const Record& story) {
  return "<!DOCTYPE html><html lang=\"zh\"><head><meta charset=\"utf-8\"><title>" +
         xmlEscape(story["title"]) + "</title></head><body><h1>" + xmlEscape(story["title"]) +
         "</h1><p>" + story["time"] + " 警讯播报</p><p>详细情况请关注警方后续通报。</p>" +
         "</body></html>";
}

void serveStory(Store& store, const Request& request, Response& response) {
  auto story = store.transact("", [&](Call& call) {
    return call.db.row(
        "SELECT n.id, n.time, s.idx, s.title FROM stories s JOIN news n ON n.id = s.news "
        "WHERE s.news = ? AND s.idx = ?",
        {std::stoll(request.matches[1]), std::stoll(request.matches[2])});
  });
  if (!story) {
    response.status = 404;  // the error handler writes the body
    return;
  }
  if (request.matches[3] != ".html") {
    auto seed =
        static_cast<std::uint32_t>(std::stoll((*story)["id"]) * 4 + std::stoll((*story)["idx"]));
    response.setContent(gradientPng(seed), "image/png");
  } else {
    response.setContent(page(*story), "text/html; charset=utf-8");
  }
}

}  // namespace

void publishNews(Call& call, int area, const std::vector<StoryDraft>& stories,
                 const std::string& time) {
  if (area < kFirstArea || area > kLastArea) throw std::runtime_error("the area must be 2 to 11");
  if (stories.empty() || stories.size() > kMaxStories) {
    throw std::runtime_error("an item has one to four stories");
  }
  if (stories.front().title.empty() || stories.back().title.empty()) {
    throw std::runtime_error("the main story and the last one need a title");
  }
  if (!isTimeText(time)) throw std::runtime_error("the time must read yyyy-MM-dd HH:mm:ss");
  if (call.db.row("SELECT 1 FROM news WHERE time = ?", {time})) {
    throw std::runtime_error("an item with the time " + time + " exists already");
  }
  call.db.run("INSERT INTO news(time, area) VALUES (?, ?)", {time, static_cast<long long>(area)});
  long long item = call.db.lastId();
  for (size_t at = 0; at < stories.size(); ++at) {
    const StoryDraft& story = stories[at];
    if (story.title.empty()) continue;  // a gap
    auto idx = static_cast<long long>(at);
    call.db.run("INSERT INTO stories(news, idx, title) VALUES (?, ?, ?)", {item, idx, story.title});
    if (story.picture.empty() && story.page.empty()) continue;
    call.db.run("INSERT INTO story_links(news, idx, picture, page) VALUES (?, ?, ?, ?)",
                {item, idx, story.picture, story.page});
  }
}

void publishNews(Call& call, int area, const std::vector<std::string>& titles,
                 const std::string& time) {
  std::vector<StoryDraft> stories;
  for (const auto& title : titles) {
    if (title.empty()) throw std::runtime_error("a story needs a title");
    stories.push_back({title, "", ""});
  }
  publishNews(call, area, stories, time);
}

namespace {

// A text of the item; absent or null reads as "".
std::string itemText(const Json& item, const std::string& key) {
  auto it = item.find(key);
  if (it == item.end() || it->is_null()) return "";
  if (!it->is_string()) throw std::runtime_error("\"" + key + "\" must be a text");
  return it->get<std::string>();
}

int itemArea(const Json& item) {
  auto it = item.find("area");
  if (it != item.end() && it->is_number_integer()) {
    auto area = it->get<long long>();
    return area >= kFirstArea && area <= kLastArea ? static_cast<int>(area) : 0;
  }
  std::string area = itemText(item, "area");
  bool digits = !area.empty() && area.size() <= 2 &&
                area.find_first_not_of("0123456789") == std::string::npos;
  return digits ? std::stoi(area) : 0;  // 0 is refused as out of range
}

// A key of the reply's item shape. Any other is refused rather than dropped: a misspelt key
// would lose a story without a word.
bool itemKey(const std::string& key) {
  if (key == "time" || key == "area") return true;
  for (long long story = 0; story < static_cast<long long>(kMaxStories); ++story) {
    for (const char* name : {"title", "img_url", "new_url"}) {
      if (key == name + suffix(story)) return true;
    }
  }
  return false;
}

}  // namespace

void publishNewsItem(Call& call, const Json& item) {
  if (!item.is_object()) throw std::runtime_error("not a JSON object");
  for (const auto& [key, value] : item.items()) {
    if (!itemKey(key)) throw std::runtime_error("unknown key \"" + key + "\"");
  }
  std::vector<StoryDraft> stories;
  for (size_t story = 0; story < kMaxStories; ++story) {
    std::string at = suffix(static_cast<long long>(story));
    stories.push_back({itemText(item, "title" + at), itemText(item, "img_url" + at),
                       itemText(item, "new_url" + at)});
    if (stories.back().title.empty() &&
        !(stories.back().picture.empty() && stories.back().page.empty())) {
      throw std::runtime_error("story " + std::to_string(story) +
                               " has a picture or page but no title");
    }
  }
  // The reply lists every story key; the stories after the last title are none.
  while (!stories.empty() && stories.back().title.empty()) stories.pop_back();
  std::string time = itemText(item, "time");
  if (time.empty()) throw std::runtime_error("an item needs its \"time\"");
  publishNews(call, itemArea(item), stories, time);
}

std::string freeNewsTime(Call& call, TimePoint time) {
  std::string text = timeText(time);
  while (call.db.row("SELECT 1 FROM news WHERE time = ?", {text})) {
    time += std::chrono::seconds(1);
    text = timeText(time);
  }
  return text;
}

namespace {

// The area filter: every area when absent, else the comma-separated areas.
constexpr const char* kInAreas =
    "(?2 IS NULL OR instr(',' || ?2 || ',', ',' || n.area || ',') > 0)";

}  // namespace

long long newsCount(Call& call, const std::string& after, const std::optional<std::string>& areas) {
  static const std::string sql =
      std::string("SELECT count(*) AS n FROM news n WHERE n.time > ?1 AND ") + kInAreas;
  auto row = call.db.row(sql, {after, areas ? Value(*areas) : Value(nullptr)});
  return std::stoll((*row)["n"]);
}

Json newsPage(Call& call, const std::string& after, const std::string& before,
              const std::optional<std::string>& areas, int count) {
  // Keyset paging on the unique time: each page starts where the last one stopped, by index.
  static const std::string sql =
      std::string(
          "SELECT n.id, n.time, CAST(n.area AS TEXT) AS area, s.idx, s.title, "
          "COALESCE(l.picture, '') AS picture, COALESCE(l.page, '') AS page "
          "FROM (SELECT id, time, area FROM news n "
          "WHERE n.time > ?1 AND (?3 = '' OR n.time < ?3) AND ") +
      kInAreas +
      " ORDER BY n.time DESC LIMIT ?4) n JOIN stories s ON s.news = n.id "
      "LEFT JOIN story_links l ON l.news = s.news AND l.idx = s.idx "
      "ORDER BY n.time DESC, s.idx";
  auto rows = call.db.query(
      sql, {after, areas ? Value(*areas) : Value(nullptr), before, static_cast<long long>(count)});
  Json list = Json::array();
  std::string current;
  for (const Record& row : rows) {
    if (row["id"] != current) list.push_back(emptyItem(row));
    current = row["id"];
    addStory(list.back(), call.origin, row);
  }
  return list;
}

void serveNewsMedia(Server& server, Store& store) {
  server.get(RoutePath::expression(R"(/news/(\d{1,9})/(\d)(\.png|\.html|/现场 照片\.png))"),
             [&store](const Request& request, Response& response) {
               serveStory(store, request, response);
             });
}

}  // namespace vokari_backend
