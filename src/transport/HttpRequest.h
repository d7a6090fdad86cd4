#pragma once
// One asynchronous HTTP/1.1 call to a back-end. The caller creates it, fills it in, starts it and
// receives exactly one callback on the main loop: requestFinished for any complete reply, whatever
// its status code, or requestFailed with an error. The caller holds a started request through a
// RequestHandle: letting go of the handle detaches and cancels, so no callback follows, even for
// a reply already queued on the loop. Everything here is main thread only.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "transport/HttpEngine.h"

namespace vokari {

class HttpRequestDelegate {
 public:
  virtual ~HttpRequestDelegate() = default;
  virtual void requestFinished(HttpRequest& request) = 0;
  virtual void requestFailed(HttpRequest& request) = 0;
};

enum class HttpRequestState { NotStarted, InProgress, Complete, Cancelled };

class HttpRequest final : public std::enable_shared_from_this<HttpRequest> {
  struct Key {};

 public:
  // A new request for the URL with the defaults: "GET", no headers, no body, 10 s time-out.
  static std::shared_ptr<HttpRequest> initWithURL(std::string url);
  HttpRequest(Key, std::string url);
  ~HttpRequest();
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;

  // What is sent is fixed once the request starts: these setters do nothing after that.
  void setRequestMethod(std::string method) {
    if (editable()) exchange_->method = std::move(method);
  }
  // Adds a header, or replaces the value of one with exactly the same name.
  void addRequestHeader(const std::string& name, std::string value);
  void appendPostData(std::string_view bytes) {
    if (editable()) exchange_->body.append(bytes);
  }
  // Sends the body from the source instead of the appended bytes, with its size as the
  // Content-Length; for bodies too large to hold in memory.
  void setPostBodySource(std::shared_ptr<HttpBodySource> source) {
    if (editable()) exchange_->bodySource = std::move(source);
  }
  // Hands the reply body to the sink as it arrives instead of keeping it (responseData stays
  // empty); for replies too large to hold in memory.
  void setResponseBodySink(std::shared_ptr<HttpBodySink> sink) {
    if (editable()) exchange_->bodySink = std::move(sink);
  }
  // The queue the request waits in (service calls by default).
  void setLane(TransferLane lane) {
    if (editable()) exchange_->lane = lane;
  }
  // Seconds without any byte sent or received after which the request fails with code 2.
  void setTimeOutSeconds(double seconds) {
    if (editable()) exchange_->timeOutSeconds = seconds;
  }
  void setDelegate(HttpRequestDelegate* delegate) { delegate_ = delegate; }
  void setTag(int tag) {
    if (editable()) exchange_->tag = tag;
  }
  void setUserInfo(nlohmann::json userInfo) { userInfo_ = std::move(userInfo); }
  // The expected reply length; overwritten by the reply's headers, never sent.
  void setContentLength(std::uint64_t length) { contentLength_ = length; }

  // Queues the request and returns at once. The request stays alive until its callback is made,
  // even if the caller drops it. A request runs once; later starts are ignored.
  void startAsynchronous();
  // Runs the request on the calling thread; the callback is made before this returns.
  void startSynchronous();
  // A running request fails with code 4, reported on the main loop; a reply already on its way
  // is dropped. A request not started yet never will be; a completed one stays as it is.
  void cancel();
  // Detaches the delegate, then cancels: the former delegate hears nothing more, also when the
  // transfer is ending on another thread at this moment. Safe at any time.
  void clearDelegatesAndCancel();

  const std::string& url() const { return exchange_->url; }
  const std::string& requestMethod() const { return exchange_->method; }
  const HttpHeaderList& requestHeaders() const { return exchange_->headers; }
  const std::string& postBody() const { return exchange_->body; }
  const std::shared_ptr<HttpBodySource>& postBodySource() const { return exchange_->bodySource; }
  TransferLane lane() const { return exchange_->lane; }
  double timeOutSeconds() const { return exchange_->timeOutSeconds; }
  HttpRequestDelegate* delegate() const { return delegate_; }
  int tag() const { return exchange_->tag; }
  const nlohmann::json& userInfo() const { return userInfo_; }
  std::uint64_t contentLength() const { return contentLength_; }
  HttpRequestState state() const { return state_; }

  int responseStatusCode() const { return responseStatusCode_; }
  const HttpHeaderMap& responseHeaders() const { return responseHeaders_; }
  // The "charset" named by the reply's Content-Type, lower-cased; "iso-8859-1" when none.
  std::string responseEncoding() const;
  // The body decoded with responseEncoding, as UTF-8; none when there is no body or its bytes
  // are not valid in that encoding.
  std::optional<std::string> responseString() const;
  // The body bytes, inflated when the reply was gzip-compressed.
  const std::string& responseData() const { return responseData_; }
  const std::optional<HttpError>& error() const { return error_; }

  // Started requests whose outcome has not been delivered yet; a request detached by
  // clearDelegatesAndCancel no longer counts. Lets a driver wait until the network is quiet.
  static std::size_t inFlight();

 private:
  friend class HttpExchange;
  bool editable() const { return state_ == HttpRequestState::NotStarted; }
  bool begin();
  void complete(HttpResult result);
  void deliverCancellation();
  void deliver();
  // Lets go of the reference that keeps a started request alive until its outcome.
  std::shared_ptr<HttpRequest> release();

  // What is sent; the engine reads it from another thread once the request has started.
  std::shared_ptr<HttpExchange> exchange_;
  HttpRequestDelegate* delegate_ = nullptr;
  nlohmann::json userInfo_;
  std::uint64_t contentLength_ = 0;

  HttpRequestState state_ = HttpRequestState::NotStarted;
  bool delivered_ = false;
  HttpEngine* engine_ = nullptr;  // the engine that runs this request
  // Held from an asynchronous start until the outcome, so that a caller may drop a request it
  // does not wait for (a superseded position upload) and the transfer still runs to its end.
  std::shared_ptr<HttpRequest> self_;
  int responseStatusCode_ = 0;
  HttpHeaderMap responseHeaders_;
  std::string responseData_;
  std::optional<HttpError> error_;
};

// The User-Agent every request carries unless its caller set one:
// name version (machine; system version; locale), with "version rv:build" when they differ.
std::string defaultUserAgent();

}  // namespace vokari
