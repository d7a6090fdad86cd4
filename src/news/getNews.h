#pragma once
// The news request: asks the general service for the items newer than a time, in the subscribed
// areas, and decodes the reply. Main thread only.

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/Extern.h"
#include "news/NewsItem.h"
#include "transport/RequestHandle.h"

namespace vokari {

class GetNewsDelegate {
 public:
  virtual ~GetNewsDelegate() = default;
  // Once per fetch: the items in reply order, or none when the fetch failed or the reply was
  // not a success.
  virtual void newsResponse(const std::optional<std::vector<NewsItem>>& items) = 0;
};

class getNews final : public HttpRequestDelegate {
 public:
  getNews() = default;
  // Going away cancels a fetch in flight; its reply reaches nobody.
  ~getNews() override = default;
  getNews(const getNews&) = delete;
  getNews& operator=(const getNews&) = delete;

  // Sends the request for the items newer than the time (none: all of them). A fetch still
  // running is cancelled first, so only the newest one answers.
  void getNewsWithTime(Text time);
  // {"TIME": time or "", "CODE": the account's "newsbookarea"}; CODE only when the account has
  // that entry.
  static std::string buildNewsJson(Text time);
  // The items of a "SUCCESS" reply (an absent list is empty); none for any other reply.
  static std::optional<std::vector<NewsItem>> praseReturnJsonString(
      const std::optional<std::string>& reply);
  // The value when it is a text, else the empty text.
  static std::string checkString(const nlohmann::json& value);

  GetNewsDelegate* delegate = nullptr;  // not owned

 private:
  void requestFinished(HttpRequest& request) override;
  void requestFailed(HttpRequest& request) override;
  void tell(const std::optional<std::vector<NewsItem>>& items);

  RequestHandle request_;
};

}  // namespace vokari
