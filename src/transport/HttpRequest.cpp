#include "transport/HttpRequest.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "platform/Platform.h"
#include "transport/ReportBatch.h"
#include "transport/TextDecoding.h"

namespace vokari {
namespace {

// Started requests kept alive until their outcome is delivered, so that a caller may drop a
// request it does not care to hear from (a superseded position upload) and the transfer still
// runs to its end. Main thread only.
std::unordered_map<const HttpRequest*, std::shared_ptr<HttpRequest>>& registry() {
  static std::unordered_map<const HttpRequest*, std::shared_ptr<HttpRequest>> requests;
  return requests;
}

std::shared_ptr<HttpRequest> unregister(const HttpRequest* request) {
  auto& requests = registry();
  auto found = requests.find(request);
  if (found == requests.end()) return nullptr;
  auto kept = std::move(found->second);
  requests.erase(found);
  return kept;
}

// defaultUserAgent(), made again only when the device description changes (a test installs
// another platform). Main thread only, as requests are.
const std::string& userAgent() {
  static DeviceInfo describedBy;
  static std::string agent;
  const DeviceInfo& device = Platform::current().device;
  const bool same = !agent.empty() && device.machine == describedBy.machine &&
                    device.systemName == describedBy.systemName &&
                    device.systemVersion == describedBy.systemVersion &&
                    device.localeIdentifier == describedBy.localeIdentifier &&
                    device.appDisplayName == describedBy.appDisplayName &&
                    device.appVersion == describedBy.appVersion &&
                    device.appBuild == describedBy.appBuild;
  if (!same) {
    describedBy = device;
    agent = defaultUserAgent();
  }
  return agent;
}

bool hasHeader(const HttpHeaderList& headers, const char* name) {
  for (const auto& header : headers) {
    if (strcasecmp(header.first.c_str(), name) == 0) return true;
  }
  return false;
}

// We never hold credentials, so a challenge can only end the request.
bool asksForCredentials(const HttpResult& result) {
  return (result.statusCode == 401 && result.headers.contains("WWW-Authenticate")) ||
         (result.statusCode == 407 && result.headers.contains("Proxy-Authenticate"));
}

}  // namespace

// An outcome on its way to the main loop. If the loop goes away before running it, the request
// is still let go of, so nothing stays registered for a loop that no longer exists.
struct HttpExchange::Outcome {
  Outcome(std::shared_ptr<HttpExchange> exchange, HttpResult result, bool cancellation)
      : exchange(std::move(exchange)), result(std::move(result)), cancellation(cancellation) {}
  Outcome(const Outcome&) = delete;
  Outcome& operator=(const Outcome&) = delete;

  std::shared_ptr<HttpExchange> exchange;
  HttpResult result;
  bool cancellation;
  bool ran = false;

  void run() {
    ran = true;
    HttpRequest* owner = exchange->owner_;
    if (!owner) return;
    if (cancellation) {
      owner->deliverCancellation();
    } else {
      owner->complete(std::move(result));
    }
  }
  ~Outcome() {
    if (!ran && exchange->owner_) unregister(exchange->owner_);
  }
};

namespace {
// Outcomes of one batch for one loop, delivered in the order they came, by one task.
struct PendingOutcomes {
  std::vector<std::pair<std::shared_ptr<HttpExchange>, HttpResult>> outcomes;
  std::size_t ran = 0;
};
}  // namespace

struct ReportBatch::Gathered {
  struct ForLoop {
    RunLoop* loop;
    std::shared_ptr<PendingOutcomes> pending;
    Task run;
  };
  // Members go in reverse order: the locks are let go while `kept` still holds the exchanges.
  std::vector<std::shared_ptr<HttpExchange>> kept;
  std::vector<std::unique_lock<std::mutex>> locks;
  std::vector<ForLoop> loops;
};

namespace {
thread_local ReportBatch::Gathered* gathering = nullptr;
}

ReportBatch::ReportBatch() : gathered_(std::make_unique<Gathered>()) {
  gathering = gathered_.get();
}

ReportBatch::~ReportBatch() {
  gathering = nullptr;
  for (auto& entry : gathered_->loops) entry.loop->post(std::move(entry.run));
}

void HttpExchange::report(HttpResult result) {
  std::unique_lock lock(mutex_);
  if (settled_) return;
  settled_ = true;
  if (ReportBatch::Gathered* batch = gathering) {
    auto found = std::find_if(batch->loops.begin(), batch->loops.end(),
                              [this](const auto& entry) { return entry.loop == loop_; });
    if (found == batch->loops.end()) {
      // Outcomes the loop never runs still let go of their requests, as with Outcome.
      std::shared_ptr<PendingOutcomes> pending(new PendingOutcomes, [](PendingOutcomes* left) {
        for (std::size_t i = left->ran; i < left->outcomes.size(); ++i) {
          if (HttpRequest* owner = left->outcomes[i].first->owner_) unregister(owner);
        }
        delete left;
      });
      Task run = [pending] {
        while (pending->ran < pending->outcomes.size()) {
          auto& [exchange, outcome] = pending->outcomes[pending->ran++];
          if (HttpRequest* owner = exchange->owner_) owner->complete(std::move(outcome));
        }
      };
      batch->loops.push_back({loop_, pending, std::move(run)});
      found = batch->loops.end() - 1;
    }
    found->pending->outcomes.emplace_back(shared_from_this(), std::move(result));
    batch->kept.push_back(shared_from_this());
    batch->locks.push_back(std::move(lock));
    return;
  }
  // Posting under the lock: once abandon() has returned, nothing of this exchange reaches the
  // loop any more, so a test may tear its loop down right after cancelling.
  auto outcome = std::make_shared<Outcome>(shared_from_this(), std::move(result), false);
  loop_->post([outcome = std::move(outcome)] { outcome->run(); });
}

bool HttpExchange::abandoned() const {
  std::lock_guard lock(mutex_);
  return settled_;
}

void HttpExchange::discard() {
  abandon();
  if (owner_) unregister(owner_);
}

bool HttpExchange::abandon() {
  std::lock_guard lock(mutex_);
  return std::exchange(settled_, true);
}

std::shared_ptr<HttpRequest> HttpRequest::initWithURL(std::string url) {
  return std::make_shared<HttpRequest>(Key{}, std::move(url));
}

HttpRequest::HttpRequest(Key, std::string url) : url_(std::move(url)) {}

HttpRequest::~HttpRequest() {
  if (!exchange_) return;
  exchange_->owner_ = nullptr;
  exchange_->abandon();
}

void HttpRequest::addRequestHeader(const std::string& name, std::string value) {
  for (auto& header : requestHeaders_) {
    if (header.first == name) {
      header.second = std::move(value);
      return;
    }
  }
  requestHeaders_.emplace_back(name, std::move(value));
}

std::shared_ptr<HttpExchange> HttpRequest::makeExchange() const {
  auto exchange = std::make_shared<HttpExchange>();
  exchange->method = requestMethod_;
  exchange->url = url_;
  exchange->headers = requestHeaders_;
  if (!hasHeader(requestHeaders_, "User-Agent"))
    exchange->headers.emplace_back("User-Agent", userAgent());
  exchange->body = postBody_;
  exchange->bodySource = postBodySource_;
  exchange->lane = lane_;
  exchange->timeOutSeconds = timeOutSeconds_;
  exchange->tag = tag_;
  exchange->loop_ = Platform::current().loop;
  exchange->owner_ = const_cast<HttpRequest*>(this);
  return exchange;
}

bool HttpRequest::begin() {
  if (state_ != HttpRequestState::NotStarted) return false;
  state_ = HttpRequestState::InProgress;
  engine_ = &HttpEngine::current();
  exchange_ = makeExchange();
  return true;
}

void HttpRequest::startAsynchronous() {
  if (!begin()) return;
  registry().emplace(this, shared_from_this());
  engine_->start(exchange_);
}

void HttpRequest::startSynchronous() {
  if (!begin()) return;
  complete(engine_->perform(exchange_));
}

void HttpRequest::cancel() {
  const auto kept = shared_from_this();  // delivering may release the registry's reference
  if (state_ == HttpRequestState::NotStarted) state_ = HttpRequestState::Cancelled;
  if (state_ != HttpRequestState::InProgress) return;
  state_ = HttpRequestState::Cancelled;
  error_ = HttpError::make(kHttpCancelled);
  if (!exchange_->abandon()) engine_->cancel(exchange_);
  if (delegate_) {
    auto outcome = std::make_shared<HttpExchange::Outcome>(exchange_, HttpResult{}, true);
    exchange_->loop_->post([outcome = std::move(outcome)] { outcome->run(); });
  } else {
    deliver();
  }
}

void HttpRequest::clearDelegatesAndCancel() {
  const auto kept = shared_from_this();
  delegate_ = nullptr;
  cancel();
  // A cancellation posted by an earlier cancel() now has nobody to tell.
  if (state_ == HttpRequestState::Cancelled && !delivered_) deliver();
}

void HttpRequest::complete(HttpResult result) {
  if (state_ != HttpRequestState::InProgress) return;
  state_ = HttpRequestState::Complete;
  if (result.errorCode == 0 && asksForCredentials(result))
    result.errorCode = kHttpAuthenticationNeeded;
  responseStatusCode_ = result.statusCode;
  responseHeaders_ = std::move(result.headers);
  responseData_ = std::move(result.body);
  if (auto length = responseHeaders_.find("Content-Length"); length != responseHeaders_.end())
    contentLength_ = std::strtoull(length->second.c_str(), nullptr, 10);
  if (result.errorCode != 0) error_ = HttpError::make(result.errorCode);
  deliver();
}

void HttpRequest::deliverCancellation() {
  if (state_ == HttpRequestState::Cancelled && !delivered_) deliver();
}

void HttpRequest::deliver() {
  delivered_ = true;
  // Keeps this request alive through the callback, which may drop the caller's reference.
  const auto kept = unregister(this);
  if (!delegate_) return;
  if (error_) {
    delegate_->requestFailed(*this);
  } else {
    delegate_->requestFinished(*this);
  }
}

std::string HttpRequest::responseEncoding() const {
  auto found = responseHeaders_.find("Content-Type");
  if (found == responseHeaders_.end()) return "iso-8859-1";
  return charsetOfContentType(found->second).value_or("iso-8859-1");
}

std::optional<std::string> HttpRequest::responseString() const {
  if (responseData_.empty()) return std::nullopt;
  return decodeText(responseData_, responseEncoding());
}

std::size_t HttpRequest::inFlight() {
  return registry().size();
}

std::string defaultUserAgent() {
  const DeviceInfo& device = Platform::current().device;
  std::string version = device.appVersion;
  if (device.appBuild != device.appVersion) version += " rv:" + device.appBuild;
  return device.appDisplayName + " " + version + " (" + device.machine + "; " + device.systemName +
         " " + device.systemVersion + "; " + device.localeIdentifier + ")";
}

}  // namespace vokari
