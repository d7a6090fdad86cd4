#include "news/getNews.h"

#include "news/NewsReply.h"
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

std::vector<Value> valuesOf(const NewsItem& item) {
  std::vector<Value> values;
  values.reserve(kNewsFields.size());
  for (const NewsField& f : kNewsFields) values.emplace_back(item.*f.field);
  return values;
}

}  // namespace

// The reply's way into the batch: read and staged on the transfer thread as the bytes come, then
// handed to the main thread with the outcome.
class getNews::Sink final : public HttpBodySink {
 public:
  explicit Sink(Result<std::unique_ptr<NewsBatch>> batch)
      : batch_(std::move(batch.value).value_or(nullptr)),
        staging_(batch.status),
        reader_({.item = [this](NewsItem&& item) { return batch_->add(valuesOf(item)); },
                 .listStarts = [this] { return batch_->clear(); }}) {}

  void restart() override {
    reader_.restart();
    if (batch_) static_cast<void>(batch_->clear());
  }
  bool write(std::string_view bytes) override { return batch_ && reader_.feed(bytes); }

  // Main thread, once the transfer has ended.
  NewsReply outcome(bool complete) {
    NewsReply reply;
    if (batch_ && !batch_->failure()) staging_ = batch_->failure();
    reply.staging = staging_;
    if (complete && staging_ && reader_.succeeded()) reply.staged = std::move(batch_);
    batch_.reset();
    return reply;
  }

 private:
  std::unique_ptr<NewsBatch> batch_;
  Status staging_;
  NewsReplyReader reader_;
};

void getNews::getNewsWithTime(Text time, const std::string& dbPath) {
  JsonCall call;
  call.action = "getNewsForIos";
  call.body = newsObject(time);
  call.delegate = this;
  auto sink = std::make_shared<Sink>(NewsBatch::open(dbPath, newsColumns()));
  call.bodySink = sink;
  if (startJsonCall(request_, call)) sink_ = std::move(sink);
}

std::string getNews::buildNewsJson(Text time) {
  return jsonBody(newsObject(time));
}

std::optional<std::vector<NewsItem>> getNews::praseReturnJsonString(
    const std::optional<std::string>& reply) {
  if (!reply) return std::nullopt;
  return readNewsReply(*reply);
}

std::string getNews::checkString(const nlohmann::json& value) {
  return value.is_string() ? value.get<std::string>() : std::string();
}

void getNews::requestFinished(HttpRequest& /*request*/) {
  NewsReply reply = std::exchange(sink_, nullptr)->outcome(true);
  if (delegate) delegate->newsResponse(std::move(reply));
}

void getNews::requestFailed(HttpRequest& /*request*/) {
  NewsReply reply = std::exchange(sink_, nullptr)->outcome(false);
  if (delegate) delegate->newsResponse(std::move(reply));
}

}  // namespace vokari
