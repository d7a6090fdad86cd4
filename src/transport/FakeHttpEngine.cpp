#include "transport/FakeHttpEngine.h"

#include <strings.h>

#include <algorithm>
#include <cstdint>

namespace vokari {
namespace {

// The whole body of a source, read the way the real engine does; none when it cannot be read
// to its stated size.
std::optional<std::string> readAll(HttpBodySource& source) {
  std::string bytes;
  const std::uint64_t size = source.size();
  char chunk[65536];
  while (bytes.size() < size) {
    const auto wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(sizeof chunk, size - bytes.size()));
    const long long got = source.read(bytes.size(), chunk, wanted);
    if (got <= 0 || static_cast<std::uint64_t>(got) > wanted) return std::nullopt;
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
  return bytes;
}

}  // namespace

FakeReply FakeReply::json(std::string body, int status) {
  return FakeReply{status, {{"Content-Type", "application/json; charset=utf-8"}}, std::move(body)};
}

FakeReply FakeReply::failure(int code) {
  return FakeReply{0, {}, {}, code};
}

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (key.size() == name.size() && strncasecmp(key.data(), name.data(), name.size()) == 0)
      return value;
  }
  return std::nullopt;
}

FakeHttpEngine::FakeHttpEngine() : previous_(HttpEngine::install(this)) {}

FakeHttpEngine::~FakeHttpEngine() {
  HttpEngine::install(previous_);
  for (auto& [id, exchange] : held_) exchange->discard();
}

void FakeHttpEngine::answer(std::string urlPart, FakeReply reply) {
  lasting_.push_back(Rule{std::move(urlPart), std::move(reply)});
}

void FakeHttpEngine::answerOnce(std::string urlPart, FakeReply reply) {
  once_.push_back(Rule{std::move(urlPart), std::move(reply)});
}

void FakeHttpEngine::clearAnswers() {
  once_.clear();
  lasting_.clear();
}

const RecordedRequest* FakeHttpEngine::last(std::string_view urlPart) const {
  for (auto it = requests_.rbegin(); it != requests_.rend(); ++it) {
    if (it->url.find(urlPart) != std::string::npos) return &*it;
  }
  return nullptr;
}

std::vector<std::size_t> FakeHttpEngine::pending() const {
  std::vector<std::size_t> ids;
  for (const auto& entry : held_) ids.push_back(entry.first);
  return ids;
}

bool FakeHttpEngine::respond(std::size_t id, FakeReply reply) {
  auto found = held_.find(id);
  if (found == held_.end()) return false;
  auto exchange = std::move(found->second);
  held_.erase(found);
  requests_[id].answered = true;
  exchange->report(resultOf(reply));
  return true;
}

void FakeHttpEngine::start(std::shared_ptr<HttpExchange> exchange) {
  RecordedRequest& request = record(*exchange, false);
  if (request.bodyUnreadable) {
    request.answered = true;
    exchange->report(HttpResult::failure(kHttpConnectionFailure));
  } else if (auto reply = scripted(exchange->url)) {
    request.answered = true;
    exchange->report(resultOf(*reply));
  } else {
    held_.emplace(request.id, std::move(exchange));
  }
}

void FakeHttpEngine::cancel(const std::shared_ptr<HttpExchange>& exchange) {
  for (auto it = held_.begin(); it != held_.end(); ++it) {
    if (it->second != exchange) continue;
    requests_[it->first].cancelled = true;
    held_.erase(it);
    return;
  }
}

HttpResult FakeHttpEngine::perform(std::shared_ptr<HttpExchange> exchange) {
  RecordedRequest& request = record(*exchange, true);
  request.answered = true;
  if (request.bodyUnreadable) return HttpResult::failure(kHttpConnectionFailure);
  auto reply = scripted(exchange->url);
  return reply ? resultOf(*reply) : HttpResult::failure(kHttpTimedOut);
}

RecordedRequest& FakeHttpEngine::record(const HttpExchange& exchange, bool synchronous) {
  RecordedRequest request;
  request.id = requests_.size();
  request.method = exchange.method;
  request.url = exchange.url;
  request.headers = exchange.headersSent();
  request.body = exchange.body;
  if (exchange.bodySource) {
    auto bytes = readAll(*exchange.bodySource);
    request.body = bytes.value_or(std::string());
    request.bodyFromSource = true;
    request.bodyUnreadable = !bytes;
  }
  request.lane = exchange.lane;
  request.timeOutSeconds = exchange.timeOutSeconds;
  request.tag = exchange.tag;
  request.synchronous = synchronous;
  return requests_.emplace_back(std::move(request));
}

std::optional<FakeReply> FakeHttpEngine::scripted(const std::string& url) {
  for (auto it = once_.begin(); it != once_.end(); ++it) {
    if (url.find(it->urlPart) == std::string::npos) continue;
    FakeReply reply = std::move(it->reply);
    once_.erase(it);
    return reply;
  }
  for (auto it = lasting_.rbegin(); it != lasting_.rend(); ++it) {
    if (url.find(it->urlPart) != std::string::npos) return it->reply;
  }
  return std::nullopt;
}

HttpResult FakeHttpEngine::resultOf(const FakeReply& reply) {
  if (reply.failCode != 0) return HttpResult::failure(reply.failCode);
  HttpResult result;
  result.statusCode = reply.status;
  for (const auto& [name, value] : reply.headers) result.headers[name] = value;
  result.body = reply.body;
  return result;
}

}  // namespace vokari
