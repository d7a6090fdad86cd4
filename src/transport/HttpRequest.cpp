#include "transport/HttpRequest.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Platform.h"
#include "transport/ReportBatch.h"
#include "transport/TextDecoding.h"

namespace vokari {
namespace {

// Started requests whose outcome has not been delivered. Main thread only.
std::size_t requestsInFlight = 0;

// defaultUserAgent(), made again only when the device description changes (a test installs
// another platform). Main thread only, as requests are; the text itself is shared with the
// transfers that send it.
const std::shared_ptr<const std::string>& userAgent() {
  static DeviceInfo describedBy;
  static std::shared_ptr<const std::string> agent;
  const DeviceInfo& device = Platform::current().device;
  const bool same = agent && device.machine == describedBy.machine &&
                    device.systemName == describedBy.systemName &&
                    device.systemVersion == describedBy.systemVersion &&
                    device.localeIdentifier == describedBy.localeIdentifier &&
                    device.appDisplayName == describedBy.appDisplayName &&
                    device.appVersion == describedBy.appVersion &&
                    device.appBuild == describedBy.appBuild;
  if (!same) {
    describedBy = device;
    agent = std::make_shared<const std::string>(defaultUserAgent());
  }
  return agent;
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
    if (!ran && exchange->owner_) exchange->owner_->release();
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
  std::size_t expected = 0;
  // The pending outcomes hold the exchanges; the locks, destroyed first, are let go while they
  // still exist.
  std::vector<ForLoop> loops;
  std::vector<std::unique_lock<std::mutex>> locks;
};

namespace {
thread_local ReportBatch::Gathered* gathering = nullptr;
}

ReportBatch::ReportBatch(std::size_t expected) : gathered_(std::make_unique<Gathered>()) {
  gathered_->expected = expected;
  gathered_->locks.reserve(expected);
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
          if (HttpRequest* owner = left->outcomes[i].first->owner_) owner->release();
        }
        delete left;
      });
      pending->outcomes.reserve(batch->expected);
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
  if (owner_) owner_->release();
}

HttpHeaderList HttpExchange::headersSent() const {
  HttpHeaderList sent = headers;
  if (userAgent) sent.emplace_back("User-Agent", *userAgent);
  return sent;
}

bool HttpExchange::abandon() {
  std::lock_guard lock(mutex_);
  return std::exchange(settled_, true);
}

std::shared_ptr<HttpRequest> HttpRequest::initWithURL(std::string url) {
  return std::make_shared<HttpRequest>(Key{}, std::move(url));
}

HttpRequest::HttpRequest(Key, std::string url) : exchange_(std::make_shared<HttpExchange>()) {
  exchange_->url = std::move(url);
  exchange_->method = "GET";
  exchange_->timeOutSeconds = 10.0;
}

HttpRequest::~HttpRequest() {
  exchange_->owner_ = nullptr;
  // Only a request still running has an exchange to abandon; one that ended was settled when
  // its outcome was reported or it was cancelled. Taking the lock then would make the main
  // thread wait for a transfer thread that still holds it while it posts a batch.
  if (state_ == HttpRequestState::InProgress) exchange_->abandon();
}

void HttpRequest::addRequestHeader(const std::string& name, std::string value) {
  if (!editable()) return;
  HttpHeaderList& headers = exchange_->headers;
  for (auto& header : headers) {
    if (header.first == name) {
      header.second = std::move(value);
      return;
    }
  }
  headers.emplace_back(name, std::move(value));
}

bool HttpRequest::begin() {
  if (state_ != HttpRequestState::NotStarted) return false;
  state_ = HttpRequestState::InProgress;
  engine_ = &HttpEngine::current();
  if (!hasHeader(exchange_->headers, "User-Agent")) exchange_->userAgent = userAgent();
  exchange_->loop_ = Platform::current().loop;
  exchange_->owner_ = this;
  return true;
}

void HttpRequest::startAsynchronous() {
  if (!begin()) return;
  self_ = shared_from_this();
  ++requestsInFlight;
  engine_->start(exchange_);
}

void HttpRequest::startSynchronous() {
  if (!begin()) return;
  complete(engine_->perform(exchange_));
}

std::shared_ptr<HttpRequest> HttpRequest::release() {
  if (self_) --requestsInFlight;
  return std::move(self_);
}

void HttpRequest::cancel() {
  const auto kept = shared_from_this();  // delivering may let go of its own reference
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
  // An engine that does not stream (the scripted one) hands the whole body: the sink gets it here.
  if (const auto& sink = exchange_->bodySink; sink && !responseData_.empty()) {
    sink->restart();
    if (result.errorCode == 0 && !sink->write(responseData_))
      result.errorCode = kHttpConnectionFailure;
    responseData_.clear();
  }
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
  const auto kept = release();
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
  return requestsInFlight;
}

std::string defaultUserAgent() {
  const DeviceInfo& device = Platform::current().device;
  std::string version = device.appVersion;
  if (device.appBuild != device.appVersion) version += " rv:" + device.appBuild;
  return device.appDisplayName + " " + version + " (" + device.machine + "; " + device.systemName +
         " " + device.systemVersion + "; " + device.localeIdentifier + ")";
}

}  // namespace vokari
