#pragma once
// The owner's hold on a request it started. Destroying, resetting or reassigning the handle
// detaches the delegate and cancels the transfer, so the owner hears nothing once it is gone.
// A request meant to outlive its starter is kept with keepAlive() instead. Main thread only.

#include <memory>
#include <utility>

#include "transport/HttpRequest.h"

namespace vokari {

class RequestHandle final {
 public:
  RequestHandle() = default;
  explicit RequestHandle(std::shared_ptr<HttpRequest> request) : request_(std::move(request)) {}
  ~RequestHandle() { reset(); }
  RequestHandle(RequestHandle&& other) noexcept : request_(std::move(other.request_)) {}
  RequestHandle& operator=(RequestHandle&& other) noexcept {
    if (this != &other) {
      reset();
      request_ = std::move(other.request_);
    }
    return *this;
  }
  RequestHandle(const RequestHandle&) = delete;
  RequestHandle& operator=(const RequestHandle&) = delete;

  // Detaches and cancels the held request, if any: its delegate hears nothing more.
  void reset() {
    if (auto request = std::move(request_)) request->clearDelegatesAndCancel();
  }
  // Lets go of the request without cancelling it: it runs to its outcome and calls its delegate,
  // which must then outlive it. Answers the request. For sends whose reply nobody waits for.
  std::shared_ptr<HttpRequest> keepAlive() { return std::move(request_); }

  HttpRequest* get() const { return request_.get(); }
  HttpRequest* operator->() const { return request_.get(); }
  HttpRequest& operator*() const { return *request_; }
  explicit operator bool() const { return request_ != nullptr; }
  // Whether the held request was started and has not delivered its outcome yet.
  bool running() const { return request_ && request_->state() == HttpRequestState::InProgress; }

 private:
  std::shared_ptr<HttpRequest> request_;
};

}  // namespace vokari
