#include "transport/CurlTransfer.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/tcp.h>
#endif

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstddef>
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
std::string_view originOf(std::string_view url) {
  const auto scheme = url.find("://");
  if (scheme == std::string_view::npos) return url;
  std::size_t end = scheme + 3;
  while (end < url.size() && url[end] != '/' && url[end] != '?' && url[end] != '#') ++end;
  return url.substr(0, end);
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

// What a request sends after its headers, as far as the headers curl adds depend on it.
enum class BodyKind { None, Small, Large };

// curl waits for "100 Continue" before bodies above a threshold (1 KiB in older releases, 1 MiB
// in newer ones); bodies up to the lower one never make it ask.
constexpr std::uint64_t kExpectThreshold = 1024;

BodyKind bodyKindOf(const HttpExchange& exchange) {
  if (exchange.method == "HEAD") return BodyKind::None;
  if (exchange.bodySource) return BodyKind::Large;
  if (exchange.method != "POST" && exchange.body.empty()) return BodyKind::None;
  return exchange.body.size() > kExpectThreshold ? BodyKind::Large : BodyKind::Small;
}

// The header lines of a request: the caller's, the default User-Agent, "Accept-Encoding: gzip"
// (we inflate ourselves, so curl must neither decode nor send it for us), and lines that take
// back what curl would add on its own: "Accept: */*", a form Content-Type for every body (our
// bodies carry none unless the caller says so), and a wait for "100 Continue" before a larger
// body. curl looks through every line for each header it may add, so only lines that apply
// are made.
curl_slist* headerLines(const HttpExchange& exchange, BodyKind body) {
  const HttpHeaderList& headers = exchange.headers;
  curl_slist* lines = nullptr;
  auto add = [&lines](const std::string& name, const std::string& value) {
    // "Name;" is curl's way to send a header with an empty value; "Name:" would drop it.
    const std::string line = value.empty() ? name + ";" : name + ": " + value;
    lines = curl_slist_append(lines, line.c_str());
  };
  for (const auto& [name, value] : headers) add(name, value);
  if (exchange.userAgent) add("User-Agent", *exchange.userAgent);
  if (!hasHeader(headers, "Accept-Encoding")) add("Accept-Encoding", "gzip");
  auto takeBack = [&](const char* name) {
    if (!hasHeader(headers, name))
      lines = curl_slist_append(lines, (std::string(name) + ":").c_str());
  };
  takeBack("Accept");
  if (body != BodyKind::None) takeBack("Content-Type");
  if (body == BodyKind::Large) takeBack("Expect");
  return lines;
}

bool isGzip(const HttpHeaderMap& headers) {
  auto found = headers.find("Content-Encoding");
  if (found == headers.end()) return false;
  std::string value = found->second;
  std::transform(value.begin(), value.end(), value.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return value.find("gzip") != std::string::npos;
}

// Bytes the socket has received so far, header bytes included; 0 where the system cannot say.
std::uint64_t socketBytesIn(curl_socket_t socket) {
#ifdef __linux__
  tcp_info info{};
  socklen_t length = sizeof info;
  if (::getsockopt(socket, IPPROTO_TCP, TCP_INFO, &info, &length) == 0 &&
      length >= offsetof(tcp_info, tcpi_bytes_received) + sizeof info.tcpi_bytes_received)
    return info.tcpi_bytes_received;
#else
  (void)socket;
#endif
  return 0;
}

// The local port of a connected socket; 0 while it has none.
int boundPort(curl_socket_t socket) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  if (address.ss_family == AF_INET)
    return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
  if (address.ss_family == AF_INET6)
    return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
  return 0;
}

// Spare easy handles a transfer set keeps: enough for every lane's running transfers.
constexpr std::size_t kSpareHandles = 12;

// Appends within the reply cap; growth never reserves past the cap, so a reply near it holds at
// most the cap (plain doubling would reserve almost twice as much and copy into it).
void appendCapped(std::string& body, std::string_view bytes) {
  const std::size_t needed = body.size() + bytes.size();
  if (needed > body.capacity())
    body.reserve(std::min(kMaxReplyBytes, std::max(needed, 2 * body.capacity())));
  body.append(bytes);
}

}  // namespace

GzipBody::GzipBody() {
  // 15 + 32: a gzip or zlib header, whichever the server sent.
  ready_ = inflateInit2(&stream_, 15 + 32) == Z_OK;
}

GzipBody::~GzipBody() {
  if (ready_) inflateEnd(&stream_);
}

bool GzipBody::inflate(std::string_view compressed,
                       const std::function<bool(std::string_view)>& take) {
  if (!ready_) return false;
  if (!compressed.empty()) started_ = true;
  stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream_.avail_in = static_cast<uInt>(compressed.size());
  std::array<char, 16384> chunk;
  while (stream_.avail_in > 0) {
    if (ended_) {
      // Bytes after the end of a member start another one; anything else is corrupt.
      if (inflateReset(&stream_) != Z_OK) return false;
      ended_ = false;
    }
    stream_.next_out = reinterpret_cast<Bytef*>(chunk.data());
    stream_.avail_out = static_cast<uInt>(chunk.size());
    const int status = ::inflate(&stream_, Z_NO_FLUSH);
    if (status == Z_STREAM_END) {
      ended_ = true;
    } else if (status != Z_OK) {
      return false;
    }
    const std::size_t produced = chunk.size() - stream_.avail_out;
    if (produced > 0 && !take({chunk.data(), produced})) return false;
  }
  return true;
}

Transfer::Transfer(const TransferClock& clock, Sockets& sockets)
    : clock_(clock), sockets_(sockets), easy_(curl_easy_init()) {
  usable_ = easy_ && setShared();
}

Transfer::~Transfer() {
  if (easy_) curl_easy_cleanup(easy_);
}

// What every transfer of the set has alike, set once per handle.
bool Transfer::setShared() {
  bool ok = true;
  auto set = [&](CURLoption option, auto value) {
    ok = ok && curl_easy_setopt(easy_, option, value) == CURLE_OK;
  };
  set(CURLOPT_SHARE, Share::handle());
  // Turns the cookie engine on, backed by the shared store. Set once per handle: curl keeps a
  // list of files to load that a reset would leak (libcurl 7.88).
  set(CURLOPT_COOKIEFILE, "");
  set(CURLOPT_NOSIGNAL, 1L);
  // Never through a proxy: none is needed, and one named in the environment would see every
  // request. It also spares curl reading the environment on every request.
  set(CURLOPT_NOPROXY, "*");
  set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  set(CURLOPT_HTTP_CONTENT_DECODING, 0L);  // GzipBody inflates, and notices a cut-off stream
  set(CURLOPT_FOLLOWLOCATION, 1L);
  set(CURLOPT_MAXREDIRS, static_cast<long>(kMaxRedirects));
  set(CURLOPT_PROTOCOLS_STR, "http,https");
  set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  set(CURLOPT_SSL_VERIFYPEER, 1L);
  set(CURLOPT_SSL_VERIFYHOST, 2L);
  set(CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
  set(CURLOPT_HEADERDATA, this);
  set(CURLOPT_WRITEFUNCTION, &Transfer::onBody);
  set(CURLOPT_WRITEDATA, this);
  set(CURLOPT_OPENSOCKETFUNCTION, &Transfer::onOpenSocket);
  set(CURLOPT_OPENSOCKETDATA, &sockets_);
  set(CURLOPT_CLOSESOCKETFUNCTION, &Transfer::onCloseSocket);
  set(CURLOPT_CLOSESOCKETDATA, &sockets_);
  set(CURLOPT_PREREQFUNCTION, &Transfer::onConnected);
  set(CURLOPT_PREREQDATA, this);
  return ok;
}

bool Transfer::begin(std::shared_ptr<HttpExchange> exchange, std::string_view origin,
                     HeaderLines headerLines, long maxIdleSeconds) {
  exchange_ = std::move(exchange);
  origin_ = origin;
  progress_ = Progress{};
  progress_.lastActivity = clock_.now();

  const HttpExchange& sent = *exchange_;
  const long timeoutMs = std::max(1L, std::lround(sent.timeOutSeconds * 1000));
  bool ok = headerLines != nullptr;
  auto set = [&](CURLoption option, auto value) {
    ok = ok && curl_easy_setopt(easy_, option, value) == CURLE_OK;
  };
  if (sent.url != url_) {
    set(CURLOPT_URL, sent.url.c_str());  // curl copies it, and starts from it on every reuse
    url_ = sent.url;
  }
  if (headerLines != headerList_) {
    set(CURLOPT_HTTPHEADER, headerLines.get());
    headerList_ = std::move(headerLines);
  }
  if (timeoutMs != timeoutMs_) {
    set(CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    timeoutMs_ = timeoutMs;
  }
  if (maxIdleSeconds != maxIdleSeconds_) {
    set(CURLOPT_MAXAGE_CONN, maxIdleSeconds);
    maxIdleSeconds_ = maxIdleSeconds;
  }
  return ok && setBody();
}

Transfer::Sending Transfer::sendingOf(const HttpExchange& exchange) {
  if (exchange.method != "GET" && exchange.method != "POST" && exchange.method != "HEAD")
    return Sending::Custom;
  if (exchange.method == "HEAD") return Sending::Head;
  if (exchange.bodySource) return Sending::Source;
  if (exchange.method == "POST" || !exchange.body.empty()) return Sending::Fields;
  return Sending::Get;
}

bool Transfer::setBody() {
  const HttpExchange& exchange = *exchange_;
  const Sending sending = sendingOf(exchange);
  bool ok = true;
  auto set = [&](CURLoption option, auto value) {
    ok = ok && curl_easy_setopt(easy_, option, value) == CURLE_OK;
  };
  if (sending != sending_ || sending == Sending::Custom) {
    // Back to a plain GET without a body, whatever the handle's last exchange sent.
    set(CURLOPT_CUSTOMREQUEST, static_cast<char*>(nullptr));
    set(CURLOPT_POSTFIELDS, static_cast<char*>(nullptr));
    set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(-1));
    set(CURLOPT_READFUNCTION, static_cast<curl_read_callback>(nullptr));
    set(CURLOPT_READDATA, static_cast<void*>(nullptr));
    set(CURLOPT_SEEKFUNCTION, static_cast<curl_seek_callback>(nullptr));
    set(CURLOPT_SEEKDATA, static_cast<void*>(nullptr));
    set(CURLOPT_HTTPGET, 1L);
    sending_ = Sending::Get;
    if (!ok) return false;
  }
  if (exchange.method == "HEAD") {
    set(CURLOPT_NOBODY, 1L);
  } else if (exchange.bodySource) {
    // Read in pieces as the socket takes them; curl sends the size as Content-Length and seeks
    // back to 0 when a redirect makes it send the body again.
    set(CURLOPT_POST, 1L);
    set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(bodySize()));
    set(CURLOPT_READFUNCTION, &Transfer::onRead);
    set(CURLOPT_READDATA, this);
    set(CURLOPT_SEEKFUNCTION, &Transfer::onSeek);
    set(CURLOPT_SEEKDATA, this);
  } else if (exchange.method == "POST" || !exchange.body.empty()) {
    // The exchange outlives the transfer, so curl may read the body in place; it sends
    // Content-Length and rewinds the body itself on a redirect that keeps the method.
    set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(exchange.body.size()));
    set(CURLOPT_POSTFIELDS, exchange.body.data());
  }
  if (sending == Sending::Custom) set(CURLOPT_CUSTOMREQUEST, exchange.method.c_str());
  sending_ = sending;
  return ok;
}

std::uint64_t Transfer::bodySize() const {
  return exchange_->bodySource ? exchange_->bodySource->size() : exchange_->body.size();
}

void Transfer::observe(bool now) {
  Moved seen;
  curl_easy_getinfo(easy_, CURLINFO_SIZE_UPLOAD_T, &seen.sent);
  curl_easy_getinfo(easy_, CURLINFO_SIZE_DOWNLOAD_T, &seen.received);
  // curl reports header bytes only line by line, so a header trickling in slowly is seen on the
  // socket itself. That costs a system call, so it is asked at most every kSocketLook; a look
  // put off is made up for by the next wait, and before any time-out. A step in which curl
  // handed bytes over always looks, so that the bytes it reported are never taken for new ones
  // later (that would put a time-out off by a whole period).
  const bool calledBack = std::exchange(progress_.calledBack, false);
  seen.socketIn = progress_.moved.socketIn;
  progress_.lookPending = false;
  if (progress_.socket != CURL_SOCKET_BAD) {
    const auto at = clock_.now();
    if (now || calledBack || at - progress_.lastLook >= kSocketLook) {
      seen.socketIn = socketBytesIn(progress_.socket);
      progress_.lastLook = at;
    } else {
      progress_.lookPending = true;
    }
  }
  if (seen.socketIn > progress_.moved.socketIn || seen.received > 0) progress_.replyStarted = true;
  if (seen != progress_.moved || calledBack) touch();
  progress_.moved = seen;
}

std::optional<Clock::time_point> Transfer::nextLook() const {
  if (!progress_.lookPending) return std::nullopt;
  return progress_.lastLook + kSocketLook;
}

int Transfer::onConnected(void* self, char*, char*, int, int localPort) {
  // A new or reused connection: find its socket by the local port; the bytes it received
  // before belong to other requests.
  auto& transfer = *static_cast<Transfer*>(self);
  auto& progress = transfer.progress_;
  progress.socket = CURL_SOCKET_BAD;
  for (auto& [socket, port] : transfer.sockets_) {
    if (port == 0) port = boundPort(socket);
    if (port == localPort) progress.socket = socket;
  }
  progress.moved.socketIn = progress.socket == CURL_SOCKET_BAD ? 0 : socketBytesIn(progress.socket);
  progress.lastLook = transfer.clock_.now();
  return CURL_PREREQFUNC_OK;
}

curl_socket_t Transfer::onOpenSocket(void* sockets, curlsocktype, curl_sockaddr* address) {
  const curl_socket_t socket =
      ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
  if (socket != CURL_SOCKET_BAD) static_cast<Sockets*>(sockets)->insert_or_assign(socket, 0);
  return socket;
}

int Transfer::onCloseSocket(void* sockets, curl_socket_t socket) {
  static_cast<Sockets*>(sockets)->erase(socket);
  return ::close(socket);
}

bool Transfer::bodyOnItsWay() const {
  const std::uint64_t size = bodySize();
  return size > 0 && !progress_.replyStarted &&
         static_cast<std::uint64_t>(progress_.moved.sent) < size;
}

Clock::time_point Transfer::deadline() const {
  double allowance = exchange_->timeOutSeconds;
  // A slow link may still be taking the body; we cannot tell that from a dead one, so it gets
  // more time before it counts as dead.
  if (bodyOnItsWay()) allowance *= 1.5;
  return progress_.lastActivity +
         std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(allowance));
}

std::size_t Transfer::onHeader(char* data, std::size_t size, std::size_t count, void* self) {
  auto& progress = static_cast<Transfer*>(self)->progress_;
  progress.calledBack = true;
  progress.replyStarted = true;
  std::string_view line(data, size * count);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  auto& headers = progress.result.headers;
  if (line.starts_with("HTTP/")) {
    // A new reply: a redirect, or the final one after "100 Continue".
    headers.clear();
    progress.result.body.clear();
    progress.gzip.reset();
    progress.bodyStarted = false;
    if (const auto& sink = static_cast<Transfer*>(self)->exchange_->bodySink) sink->restart();
    progress.rawBodyBytes = 0;
    return size * count;
  }
  const auto colon = line.find(':');
  if (colon == std::string_view::npos) return size * count;
  auto value = line.substr(colon + 1);
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  headers.add(line.substr(0, colon), value);
  return size * count;
}

std::size_t Transfer::onBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto& progress = static_cast<Transfer*>(self)->progress_;
  const std::string_view bytes(data, size * count);
  progress.calledBack = true;
  if (!progress.bodyStarted) {
    // The final reply's headers are all in by now.
    progress.bodyStarted = true;
    if (isGzip(progress.result.headers)) progress.gzip = std::make_unique<GzipBody>();
  }
  auto& body = progress.result.body;
  const auto& sink = static_cast<Transfer*>(self)->exchange_->bodySink;
  // A held body is capped, decoded and compressed alike; a sunk one is its consumer's to bound.
  auto take = [&](std::string_view piece) {
    if (sink) return sink->write(piece);
    if (body.size() + piece.size() > kMaxReplyBytes) return false;
    appendCapped(body, piece);
    return true;
  };
  progress.rawBodyBytes += bytes.size();
  const bool fits = progress.gzip ? (sink || progress.rawBodyBytes <= kMaxReplyBytes) &&
                                        progress.gzip->inflate(bytes, take)
                                  : take(bytes);
  if (!fits) {
    progress.badBody = true;
    return 0;  // makes curl stop with a write error
  }
  return bytes.size();
}

std::size_t Transfer::onRead(char* out, std::size_t size, std::size_t count, void* self) {
  auto& transfer = *static_cast<Transfer*>(self);
  auto& progress = transfer.progress_;
  const std::uint64_t total = transfer.bodySize();
  if (progress.readOffset >= total) return 0;
  const std::size_t wanted =
      static_cast<std::size_t>(std::min<std::uint64_t>(size * count, total - progress.readOffset));
  const long long got = transfer.exchange_->bodySource->read(progress.readOffset, out, wanted);
  // A source that ends before its size would leave the server waiting for the rest.
  if (got <= 0 || static_cast<std::uint64_t>(got) > wanted) {
    progress.readFailed = true;
    return CURL_READFUNC_ABORT;
  }
  progress.readOffset += static_cast<std::uint64_t>(got);
  return static_cast<std::size_t>(got);
}

int Transfer::onSeek(void* self, curl_off_t offset, int origin) {
  auto& transfer = *static_cast<Transfer*>(self);
  auto& progress = transfer.progress_;
  if (origin != SEEK_SET || offset < 0 || static_cast<std::uint64_t>(offset) > transfer.bodySize())
    return CURL_SEEKFUNC_CANTSEEK;
  progress.readOffset = static_cast<std::uint64_t>(offset);
  return CURL_SEEKFUNC_OK;
}

HttpResult Transfer::finish(CURLcode code) {
  if (progress_.badBody || progress_.readFailed) return HttpResult::failure(kHttpConnectionFailure);
  if (code != CURLE_OK) {
    int error = errorCodeFor(code);
    // Once the request is out, whatever breaks (a header line too long for curl, say) is a
    // failed reply, not a failure to start.
    long requestBytes = 0;
    curl_easy_getinfo(easy_, CURLINFO_REQUEST_SIZE, &requestBytes);
    if (error == kHttpInternalError && (requestBytes > 0 || progress_.replyStarted))
      error = kHttpConnectionFailure;
    return HttpResult::failure(error);
  }
  if (progress_.gzip && !progress_.gzip->complete())
    return HttpResult::failure(kHttpConnectionFailure);
  long status = 0;
  curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
  progress_.result.statusCode = static_cast<int>(status);
  return std::move(progress_.result);
}

std::optional<long> Transfer::keepAliveSeconds() const {
  auto found = progress_.result.headers.find("Keep-Alive");
  if (found == progress_.result.headers.end()) return std::nullopt;
  const auto at = found->second.find("timeout=");
  if (at == std::string::npos) return std::nullopt;
  const long seconds = std::strtol(found->second.c_str() + at + 8, nullptr, 10);
  if (seconds <= 0) return std::nullopt;
  return seconds;
}

// The share's constructor also initialises libcurl, which must happen before any multi handle.
TransferSet::TransferSet(std::shared_ptr<TransferClock> clock)
    : clock_(std::move(clock)), multi_((Share::handle(), curl_multi_init())) {
  clock_->watch(this, [this] { wake(); });
}

TransferSet::~TransferSet() {
  clock_->unwatch(this);
  for (auto& transfer : transfers_) curl_multi_remove_handle(multi_, transfer->easy());
  transfers_.clear();
  spare_.clear();
  curl_multi_cleanup(multi_);
}

std::unique_ptr<Transfer> TransferSet::take() {
  if (spare_.empty()) {
    auto transfer = std::make_unique<Transfer>(*clock_, sockets_);
    return transfer->usable() ? std::move(transfer) : nullptr;
  }
  auto transfer = std::move(spare_.back());
  spare_.pop_back();
  return transfer;
}

void TransferSet::recycle(std::unique_ptr<Transfer> transfer) {
  transfer->end();
  // Kept as it is set: the next exchange sets only what differs. The pointers the handle still
  // holds into the ended exchange (body, method) are replaced before curl runs it again.
  if (spare_.size() < kSpareHandles) spare_.push_back(std::move(transfer));
}

HeaderLines TransferSet::headerLinesFor(const HttpExchange& exchange) {
  // Requests of one kind carry the same headers; the lines are made once for them.
  const int body = static_cast<int>(bodyKindOf(exchange));
  if (!lastHeaderLines_ || body != lastBodyKind_ || exchange.userAgent != lastUserAgent_ ||
      exchange.headers != lastHeaders_) {
    lastHeaderLines_.reset(headerLines(exchange, static_cast<BodyKind>(body)),
                           &curl_slist_free_all);
    lastHeaders_ = exchange.headers;
    lastUserAgent_ = exchange.userAgent;
    lastBodyKind_ = body;
  }
  return lastHeaderLines_;
}

bool TransferSet::add(std::shared_ptr<HttpExchange> exchange) {
  if (!multi_) return false;
  std::unique_ptr<Transfer> transfer = take();
  if (!transfer) return false;
  HeaderLines lines = headerLinesFor(*exchange);
  const std::string_view origin = originOf(exchange->url);
  const long maxIdle = maxIdleFor(origin);
  // A handle curl refused an option may lack some that a reused one is taken to have: it goes.
  if (!transfer->begin(std::move(exchange), origin, std::move(lines), maxIdle)) return false;
  if (curl_multi_add_handle(multi_, transfer->easy()) != CURLM_OK) {
    recycle(std::move(transfer));
    return false;
  }
  transfers_.push_back(std::move(transfer));
  return true;
}

void TransferSet::remove(const HttpExchange* exchange) {
  auto found = std::find_if(transfers_.begin(), transfers_.end(),
                            [exchange](const auto& t) { return t->exchange().get() == exchange; });
  if (found == transfers_.end()) return;
  std::unique_ptr<Transfer> transfer = std::move(*found);
  transfers_.erase(found);
  curl_multi_remove_handle(multi_, transfer->easy());
  recycle(std::move(transfer));
}

std::size_t TransferSet::count(TransferLane lane) const {
  return static_cast<std::size_t>(
      std::count_if(transfers_.begin(), transfers_.end(),
                    [lane](const auto& transfer) { return transfer->exchange()->lane == lane; }));
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
  for (auto& transfer : transfers_) transfer->observe(false);
  const auto now = clock_->now();
  for (std::size_t i = transfers_.size(); i-- > 0;) {
    if (transfers_[i]->deadline() >= now) continue;
    transfers_[i]->observe(true);  // a byte seen only on the socket still counts
    if (transfers_[i]->deadline() < now) end(i, HttpResult::failure(kHttpTimedOut), done);
  }
}

void TransferSet::end(std::size_t index, HttpResult result, const Done& done) {
  std::unique_ptr<Transfer> transfer = std::move(transfers_[index]);
  transfers_.erase(transfers_.begin() + static_cast<std::ptrdiff_t>(index));
  curl_multi_remove_handle(multi_, transfer->easy());
  done(*transfer, std::move(result));
  recycle(std::move(transfer));
}

void TransferSet::wait(int maxMillis) {
  const auto now = clock_->now();
  auto nearest = now + std::chrono::milliseconds(maxMillis);
  for (const auto& transfer : transfers_) {
    nearest = std::min(nearest, transfer->deadline());
    if (auto look = transfer->nextLook()) nearest = std::min(nearest, *look);
  }
  const auto millis = std::chrono::ceil<std::chrono::milliseconds>(nearest - now);
  curl_multi_poll(multi_, nullptr, 0, static_cast<int>(std::max<long>(0, millis.count())), nullptr);
}

void TransferSet::wake() {
  curl_multi_wakeup(multi_);
}

long TransferSet::maxIdleFor(std::string_view origin) const {
  auto found = keepAlive_.find(origin);
  return found == keepAlive_.end() ? kMaxIdleSeconds : std::min(found->second, kMaxIdleSeconds);
}

void TransferSet::rememberKeepAlive(const Transfer& transfer) {
  // The final reply came from the request's own origin unless it was redirected.
  long redirects = 0;
  char* effective = nullptr;
  curl_easy_getinfo(transfer.easy(), CURLINFO_REDIRECT_COUNT, &redirects);
  if (redirects > 0) curl_easy_getinfo(transfer.easy(), CURLINFO_EFFECTIVE_URL, &effective);
  if (redirects > 0 && !effective) return;
  const std::string_view origin = redirects > 0 ? originOf(effective) : transfer.origin();
  auto found = keepAlive_.find(origin);
  if (auto seconds = transfer.keepAliveSeconds()) {
    if (found == keepAlive_.end()) {
      keepAlive_.emplace(origin, *seconds);
    } else {
      found->second = *seconds;
    }
  } else if (found != keepAlive_.end()) {
    keepAlive_.erase(found);
  }
}

void clearCookies() {
  CURL* easy = curl_easy_init();
  if (!easy) return;
  curl_easy_setopt(easy, CURLOPT_SHARE, Share::handle());
  curl_easy_setopt(easy, CURLOPT_COOKIELIST, "ALL");
  curl_easy_cleanup(easy);
}

}  // namespace vokari::curl
