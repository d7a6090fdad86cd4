#include "news/getNews.h"

#include "storage/AccountManager.h"
#include "transport/ServiceCall.h"

namespace vokari {
namespace {

nlohmann::json newsObject(Text time) {
  nlohmann::json body{{"TIME", time ? std::string(*time) : std::string()}};
  std::optional<Value> areas =
      AccountManager::sharedAccountManage().getUserItemForKey("newsbookarea");
  if (areas) {
    if (std::optional<std::string> text = textOf(*areas)) body["CODE"] = *text;
  }
  return body;
}

NewsItem itemOf(const nlohmann::json& element) {
  NewsItem item;
  if (!element.is_object()) return item;
  for (const NewsField& f : kNewsFields) {
    auto value = element.find(f.wireKey);
    if (value != element.end()) item.*f.field = getNews::checkString(*value);
  }
  return item;
}

}  // namespace

void getNews::getNewsWithTime(Text time) {
  JsonCall call;
  call.action = "getNewsForIos";
  call.body = newsObject(time);
  call.delegate = this;
  startJsonCall(request_, call);
}

std::string getNews::buildNewsJson(Text time) {
  return jsonBody(newsObject(time));
}

std::optional<std::vector<NewsItem>> getNews::praseReturnJsonString(
    const std::optional<std::string>& reply) {
  if (Extern::isEmptyStringTrim(reply)) return std::nullopt;
  nlohmann::json object = replyObject(reply);
  if (judgeReply(Backend::General, object) != ReplyVerdict::Success) return std::nullopt;
  std::vector<NewsItem> items;
  auto list = object.find("NEWS_LIST");
  if (list == object.end() || !list->is_array()) return items;
  items.reserve(list->size());
  for (const auto& element : *list) items.push_back(itemOf(element));
  return items;
}

std::string getNews::checkString(const nlohmann::json& value) {
  return value.is_string() ? value.get<std::string>() : std::string();
}

void getNews::requestFinished(HttpRequest& request) {
  tell(praseReturnJsonString(jsonReplyText(request)));
}

void getNews::requestFailed(HttpRequest& /*request*/) {
  tell(std::nullopt);
}

void getNews::tell(const std::optional<std::vector<NewsItem>>& items) {
  if (delegate) delegate->newsResponse(items);
}

}  // namespace vokari
