#include "transport/CurlTransfer.h"

#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace vokari::curl {
namespace {

// One cookie store, DNS cache and TLS session cache for every request of the process.
class Share {
 public:
  static CURLSH* handle() {
    static Share share;
    return share.share_;
  }

 private:
  Share() {
    curl_global_init(CURL_GLOBAL_ALL);
    share_ = curl_share_init();
    curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &Share::lock);
    curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &Share::unlock);
    curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
  }
  ~Share() { curl_share_cleanup(share_); }

  static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<Share*>(self)->locks_[data].lock();
  }
  static void unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<Share*>(self)->locks_[data].unlock();
  }

  CURLSH* share_ = nullptr;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks_;
};

// "http://host:port/path?query" -> "http://host:port".
std::string originOf(const std::string& url) {
  const auto scheme = url.find("://");
  if (scheme == std::string::npos) return url;
  return url.substr(0, url.find_first_of("/?#", scheme + 3));
}

int errorCodeFor(CURLcode code) {
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
      return kHttpTimedOut;
    case CURLE_TOO_MANY_REDIRECTS:
      return kHttpTooManyRedirects;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return kHttpUnableToCreateRequest;
    case CURLE_FAILED_INIT:
    case CURLE_OUT_OF_MEMORY:
    case CURLE_BAD_FUNCTION_ARGUMENT:
      return kHttpInternalError;
    default:
      return kHttpConnectionFailure;
  }
}

// The send buffer a new TCP socket gets on this system.
curl_off_t sendBufferBytes() {
  static const curl_off_t bytes = [] {
    int size = 16 * 1024;
    socklen_t length = sizeof size;
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    if (probe >= 0) {
      getsockopt(probe, SOL_SOCKET, SO_SNDBUF, &size, &length);
      ::close(probe);
    }
    return static_cast<curl_off_t>(size);
  }();
  return bytes;
}

bool hasHeader(const HttpHeaderList& headers, const char* name) {
  return std::any_of(headers.begin(), headers.end(), [name](const auto& header) {
    return strcasecmp(header.first.c_str(), name) == 0;
  });
}

curl_slist* headerLines(const HttpHeaderList& headers) {
  curl_slist* lines = nullptr;
  for (const auto& [name, value] : headers) {
    // "Name;" is curl's way to send a header with an empty value; "Name:" would drop it.
    const std::string line = value.empty() ? name + ";" : name + ": " + value;
    lines = curl_slist_append(lines, line.c_str());
  }
  // Take back what curl would add on its own: a form Content-Type for every body (our bodies
  // carry none unless the caller says so), and a wait for "100 Continue" before a larger body.
  for (const char* name : {"Content-Type", "Expect"}) {
    if (!hasHeader(headers, name))
      lines = curl_slist_append(lines, (std::string(name) + ":").c_str());
  }
  return lines;
}

}  // namespace

Transfer::Transfer(std::shared_ptr<HttpExchange> exchange, long maxIdleSeconds)
    : exchange_(std::move(exchange)), easy_(curl_easy_init()) {
  ready_ = easy_ && configure(maxIdleSeconds);
}

// A fresh handle per transfer: reusing one through curl_easy_reset would leak the cookie
// engine's list of files to load (libcurl 7.88).
Transfer::~Transfer() {
  if (easy_) curl_easy_cleanup(easy_);
  curl_slist_free_all(headerList_);
}

bool Transfer::configure(long maxIdleSeconds) {
  const HttpExchange& exchange = *exchange_;
  const long timeoutMs = std::max(1L, std::lround(exchange.timeOutSeconds * 1000));
  headerList_ = headerLines(exchange.headers);
  bool ok = headerList_ != nullptr;
  auto set = [&](CURLoption option, auto value) {
    ok = ok && curl_easy_setopt(easy_, option, value) == CURLE_OK;
  };
  set(CURLOPT_URL, exchange.url.c_str());
  set(CURLOPT_SHARE, Share::handle());
  set(CURLOPT_COOKIEFILE, "");  // turns the cookie engine on, backed by the shared store
  set(CURLOPT_NOSIGNAL, 1L);
  set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  set(CURLOPT_HTTPHEADER, headerList_);
  set(CURLOPT_ACCEPT_ENCODING, "gzip");
  set(CURLOPT_FOLLOWLOCATION, 1L);
  set(CURLOPT_MAXREDIRS, static_cast<long>(kMaxRedirects));
  set(CURLOPT_PROTOCOLS_STR, "http,https");
  set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  set(CURLOPT_SSL_VERIFYPEER, 1L);
  set(CURLOPT_SSL_VERIFYHOST, 2L);
  set(CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
  set(CURLOPT_MAXAGE_CONN, maxIdleSeconds);
  set(CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
  set(CURLOPT_HEADERDATA, this);
  set(CURLOPT_WRITEFUNCTION, &Transfer::onBody);
  set(CURLOPT_WRITEDATA, this);
  // Only a body larger than the send buffer can be seen moving on; for the rest, headers and
  // body arriving are all the activity there is, and the progress calls would be wasted.
  if (static_cast<curl_off_t>(exchange.body.size()) > sendBufferBytes()) {
    set(CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress);
    set(CURLOPT_XFERINFODATA, this);
    set(CURLOPT_NOPROGRESS, 0L);
  }
  if (ok) setBody();
  return ok;
}

void Transfer::setBody() {
  const HttpExchange& exchange = *exchange_;
  if (exchange.method == "HEAD") {
    curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
  } else if (exchange.method == "POST" || !exchange.body.empty()) {
    // The exchange outlives the transfer, so curl may read the body in place; it sends
    // Content-Length and rewinds the body itself on a redirect that keeps the method.
    curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(exchange.body.size()));
    curl_easy_setopt(easy_, CURLOPT_POSTFIELDS, exchange.body.data());
  }
  if (exchange.method != "GET" && exchange.method != "POST" && exchange.method != "HEAD")
    curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, exchange.method.c_str());
}

Clock::time_point Transfer::deadline() const {
  double allowance = exchange_->timeOutSeconds;
  // While the body has not got further than the socket's send buffer, we cannot see whether the
  // network is taking it, so a slow link gets more time before it counts as dead.
  if (!exchange_->body.empty() && sent_ <= sendBufferBytes()) allowance *= 1.5;
  return lastActivity_ +
         std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(allowance));
}

std::size_t Transfer::onHeader(char* data, std::size_t size, std::size_t count, void* self) {
  auto& transfer = *static_cast<Transfer*>(self);
  transfer.touch();
  std::string_view line(data, size * count);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  auto& headers = transfer.result_.headers;
  if (line.starts_with("HTTP/")) {
    headers.clear();  // a new reply: a redirect, or the final one after "100 Continue"
    return size * count;
  }
  const auto colon = line.find(':');
  if (colon == std::string_view::npos) return size * count;
  std::string name(line.substr(0, colon));
  auto value = line.substr(colon + 1);
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  auto [entry, inserted] = headers.try_emplace(std::move(name), value);
  if (!inserted) entry->second.append(", ").append(value);
  return size * count;
}

std::size_t Transfer::onBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto& transfer = *static_cast<Transfer*>(self);
  transfer.touch();
  auto& body = transfer.result_.body;
  if (body.size() + size * count > kMaxReplyBytes) {
    transfer.tooLarge_ = true;
    return 0;  // makes curl stop with a write error
  }
  body.append(data, size * count);
  return size * count;
}

int Transfer::onProgress(void* self, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
  auto& transfer = *static_cast<Transfer*>(self);
  if (up != transfer.sent_ || down != transfer.received_) transfer.touch();
  transfer.sent_ = up;
  transfer.received_ = down;
  return 0;
}

HttpResult Transfer::finish(CURLcode code) {
  if (tooLarge_) return HttpResult::failure(kHttpConnectionFailure);
  if (code != CURLE_OK) return HttpResult::failure(errorCodeFor(code));
  long status = 0;
  curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
  result_.statusCode = static_cast<int>(status);
  return std::move(result_);
}

std::optional<long> Transfer::keepAliveSeconds() const {
  auto found = result_.headers.find("Keep-Alive");
  if (found == result_.headers.end()) return std::nullopt;
  const auto at = found->second.find("timeout=");
  if (at == std::string::npos) return std::nullopt;
  const long seconds = std::strtol(found->second.c_str() + at + 8, nullptr, 10);
  if (seconds <= 0) return std::nullopt;
  return seconds;
}

// The share's constructor also initialises libcurl, which must happen before any multi handle.
TransferSet::TransferSet() : multi_((Share::handle(), curl_multi_init())) {}

TransferSet::~TransferSet() {
  for (auto& transfer : transfers_) curl_multi_remove_handle(multi_, transfer->easy());
  transfers_.clear();
  curl_multi_cleanup(multi_);
}

bool TransferSet::add(std::shared_ptr<HttpExchange> exchange) {
  const long maxIdle = maxIdleFor(exchange->url);
  auto transfer = std::make_unique<Transfer>(std::move(exchange), maxIdle);
  if (!multi_ || !transfer->ready()) return false;
  if (curl_multi_add_handle(multi_, transfer->easy()) != CURLM_OK) return false;
  transfers_.push_back(std::move(transfer));
  return true;
}

void TransferSet::remove(const HttpExchange* exchange) {
  auto found = std::find_if(transfers_.begin(), transfers_.end(),
                            [exchange](const auto& t) { return t->exchange().get() == exchange; });
  if (found == transfers_.end()) return;
  curl_multi_remove_handle(multi_, (*found)->easy());
  transfers_.erase(found);
}

void TransferSet::step(const Done& done) {
  int running = 0;
  curl_multi_perform(multi_, &running);
  collectFinished(done);
  expireIdle(done);
}

void TransferSet::collectFinished(const Done& done) {
  int queued = 0;
  while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
    if (message->msg != CURLMSG_DONE) continue;
    const CURLcode code = message->data.result;
    for (std::size_t i = 0; i < transfers_.size(); ++i) {
      if (transfers_[i]->easy() != message->easy_handle) continue;
      if (code == CURLE_OK) rememberKeepAlive(*transfers_[i]);
      HttpResult result = transfers_[i]->finish(code);
      end(i, std::move(result), done);
      break;
    }
  }
}

void TransferSet::expireIdle(const Done& done) {
  const auto now = Clock::now();
  for (std::size_t i = transfers_.size(); i-- > 0;) {
    if (transfers_[i]->deadline() < now) end(i, HttpResult::failure(kHttpTimedOut), done);
  }
}

void TransferSet::end(std::size_t index, HttpResult result, const Done& done) {
  std::unique_ptr<Transfer> transfer = std::move(transfers_[index]);
  transfers_.erase(transfers_.begin() + static_cast<std::ptrdiff_t>(index));
  curl_multi_remove_handle(multi_, transfer->easy());
  done(*transfer, std::move(result));
}

void TransferSet::wait(int maxMillis) {
  auto nearest = Clock::now() + std::chrono::milliseconds(maxMillis);
  for (const auto& transfer : transfers_) nearest = std::min(nearest, transfer->deadline());
  const auto millis = std::chrono::ceil<std::chrono::milliseconds>(nearest - Clock::now());
  curl_multi_poll(multi_, nullptr, 0, static_cast<int>(std::max<long>(0, millis.count())), nullptr);
}

void TransferSet::wake() {
  curl_multi_wakeup(multi_);
}

long TransferSet::maxIdleFor(const std::string& url) const {
  auto found = keepAlive_.find(originOf(url));
  return found == keepAlive_.end() ? kMaxIdleSeconds : std::min(found->second, kMaxIdleSeconds);
}

void TransferSet::rememberKeepAlive(const Transfer& transfer) {
  char* effective = nullptr;
  curl_easy_getinfo(transfer.easy(), CURLINFO_EFFECTIVE_URL, &effective);
  if (!effective) return;
  if (auto seconds = transfer.keepAliveSeconds()) {
    keepAlive_[originOf(effective)] = *seconds;
  } else {
    keepAlive_.erase(originOf(effective));
  }
}

}  // namespace vokari::curl
