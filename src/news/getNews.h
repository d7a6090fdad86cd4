#pragma once
// The news request: asks the general service for the items newer than a time, in the subscribed
// areas, and reads the reply as it arrives, staging its items for storing, so that a backlog of
// any size needs bounded memory. Main thread only.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/Extern.h"
#include "news/NewsItem.h"
#include "platform/Status.h"
#include "storage/NewsBatch.h"
#include "transport/RequestHandle.h"

namespace vokari {

// What one fetch brought.
struct NewsReply {
  // The items of a "SUCCESS" reply, staged for storing in the user's database; none when the
  // fetch failed, the reply was not a success, or the items could not be staged.
  std::unique_ptr<NewsBatch> staged;
  // Why the items could not be staged (the database cannot be opened, the disk is full).
  Status staging = Status::success();
};

class GetNewsDelegate {
 public:
  virtual ~GetNewsDelegate() = default;
  // Once per fetch.
  virtual void newsResponse(NewsReply reply) = 0;
};

class getNews final : public HttpRequestDelegate {
 public:
  getNews() = default;
  // Going away cancels a fetch in flight; its reply reaches nobody and nothing of it is kept.
  ~getNews() override = default;
  getNews(const getNews&) = delete;
  getNews& operator=(const getNews&) = delete;

  // Sends the request for the items newer than the time (none: all of them); the items are
  // staged for the database at dbPath as they arrive. A fetch still running is cancelled first,
  // so only the newest one answers.
  void getNewsWithTime(Text time, const std::string& dbPath);
  // {"TIME": time or "", "CODE": the account's "newsbookarea"}; CODE only when the account has
  // that entry.
  static std::string buildNewsJson(Text time);
  // The items of a whole "SUCCESS" reply (an absent list is empty); none for any other reply.
  static std::optional<std::vector<NewsItem>> praseReturnJsonString(
      const std::optional<std::string>& reply);
  // The value when it is a text, else the empty text.
  static std::string checkString(const nlohmann::json& value);

  GetNewsDelegate* delegate = nullptr;  // not owned

  class Sink;

 private:
  void requestFinished(HttpRequest& request) override;
  void requestFailed(HttpRequest& request) override;

  RequestHandle request_;
  std::shared_ptr<Sink> sink_;
};

}  // namespace vokari
