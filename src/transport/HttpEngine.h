#pragma once
// The engine under HttpRequest: it moves one started request's bytes and reports the outcome.
// The libcurl engine is the real one; FakeHttpEngine answers from a script in screen tests.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vokari {

class HttpRequest;
class RunLoop;

// Error codes of the domain "HttpRequestErrorDomain".
enum HttpErrorCode : int {
  kHttpConnectionFailure = 1,
  kHttpTimedOut = 2,
  kHttpAuthenticationNeeded = 3,
  kHttpCancelled = 4,
  kHttpUnableToCreateRequest = 5,
  kHttpInternalError = 6,
  kHttpTooManyRedirects = 9,
};

struct HttpError {
  std::string domain;
  int code = 0;
  std::string description;

  // The error value of a code, with the domain and the description of that code.
  static HttpError make(int code);
};

// Headers in the order they are sent.
using HttpHeaderList = std::vector<std::pair<std::string, std::string>>;
// Whether the list has a header of that name, whatever its case.
bool hasHeader(const HttpHeaderList& headers, std::string_view name);

// Reply headers in the order they came. Names compare without regard to case; a repeated
// header is joined to the first by ", ". A reply has a handful, so a scan of one block beats a
// tree with a node per header.
class HttpHeaderMap {
 public:
  using value_type = std::pair<std::string, std::string>;
  using const_iterator = std::vector<value_type>::const_iterator;

  const_iterator begin() const { return headers_.begin(); }
  const_iterator end() const { return headers_.end(); }
  bool empty() const { return headers_.empty(); }
  std::size_t size() const { return headers_.size(); }
  void clear() { headers_.clear(); }

  const_iterator find(std::string_view name) const;
  bool contains(std::string_view name) const { return find(name) != end(); }
  // Throws std::out_of_range when there is no such header.
  const std::string& at(std::string_view name) const;
  // The value of the header, added empty when there is none.
  std::string& operator[](std::string_view name);
  // A header line as it came: a name seen before gets ", " and the value appended.
  void add(std::string_view name, std::string_view value);

 private:
  std::vector<value_type> headers_;
};

struct HttpResult {
  int errorCode = 0;  // 0 when a complete reply arrived
  int statusCode = 0;
  HttpHeaderMap headers;
  std::string body;  // inflated when the reply was gzip-compressed; empty when sunk

  static HttpResult failure(int code) { return HttpResult{code, 0, {}, {}}; }
};

// Which queue of the engine a request waits in. Service calls share the four transfer slots;
// alarm position sends never wait for a slot, since nothing may delay an alarm; pictures have a
// queue of their own so that a long list of them never holds up a service call.
enum class TransferLane { Service, Immediate, Pictures };

// A request body produced in pieces (a large attachment), so that it never has to be in memory
// at once. read() runs on the transfer thread, in order from offset 0, and again from 0 when
// the transfer has to resend the body.
class HttpBodySource {
 public:
  virtual ~HttpBodySource() = default;
  // The exact number of bytes the body has: its Content-Length.
  virtual std::uint64_t size() const = 0;
  // Copies up to `length` bytes starting at `offset` into `out`; answers the count copied, 0 at
  // the end, or -1 when the bytes cannot be read (the request then fails with code 1).
  virtual long long read(std::uint64_t offset, char* out, std::size_t length) = 0;
};

// A reply body taken as it arrives instead of being held, so that a reply of any size needs no
// more memory than its consumer keeps (the news backlog). Its methods run on the transfer thread
// while the request runs, and no more once its outcome is reported.
class HttpBodySink {
 public:
  virtual ~HttpBodySink() = default;
  // A new reply begins (after a redirect or an interim reply): what came before is not the body.
  virtual void restart() = 0;
  // The next bytes of the body, inflated when it came compressed. False stops the transfer; the
  // request then fails with code 1.
  virtual bool write(std::string_view bytes) = 0;
};

// One request as an engine sees it. Its request keeps what the caller sets here, so nothing is
// copied at the start; the fields are fixed before the engine gets the exchange and may then be
// read from any thread.
class HttpExchange final : public std::enable_shared_from_this<HttpExchange> {
 public:
  std::string method;
  std::string url;
  HttpHeaderList headers;  // the caller's
  // The User-Agent sent when the caller set none; one text shared by every such request.
  std::shared_ptr<const std::string> userAgent;
  std::string body;
  std::shared_ptr<HttpBodySource> bodySource;  // when set, the body comes from it, not `body`
  // When set, the reply body goes to it, without the size cap of a held body.
  std::shared_ptr<HttpBodySink> bodySink;
  double timeOutSeconds = 0;
  int tag = 0;
  TransferLane lane = TransferLane::Service;

  // Hands the outcome to the main loop. Any thread; only the first report of an exchange counts,
  // and none once the request was cancelled: cancel and report share the exchange's lock, so
  // after cancel returns nothing more is posted.
  void report(HttpResult result);
  // Whether the request was cancelled; an engine may then drop the transfer. Any thread.
  bool abandoned() const;
  // For an engine that goes away with the exchange unanswered: abandons it and lets go of its
  // request without any callback. Main thread.
  void discard();
  // The headers as they go out: the caller's, then the User-Agent the caller did not set.
  HttpHeaderList headersSent() const;

 private:
  friend class HttpRequest;
  struct Outcome;
  // Marks the exchange abandoned; answers whether it had been reported or abandoned before.
  bool abandon();

  RunLoop* loop_ = nullptr;
  mutable std::mutex mutex_;
  bool settled_ = false;          // reported or abandoned; guarded by mutex_
  HttpRequest* owner_ = nullptr;  // main thread only
};

class HttpEngine {
 public:
  virtual ~HttpEngine() = default;

  // Queues the exchange; the engine reports its outcome exactly once unless it is cancelled.
  // Main thread.
  virtual void start(std::shared_ptr<HttpExchange> exchange) = 0;
  // Stops a queued or running exchange that was abandoned. Main thread.
  virtual void cancel(const std::shared_ptr<HttpExchange>& exchange) = 0;
  // Runs the exchange on the calling thread and answers its outcome; reports nothing.
  virtual HttpResult perform(std::shared_ptr<HttpExchange> exchange) = 0;

  // The installed engine; the shared libcurl engine unless another one is installed.
  static HttpEngine& current();
  // Installs an engine owned by the caller (nullptr: the libcurl engine) and answers the one
  // installed before. Install only while no request is in flight.
  static HttpEngine* install(HttpEngine* engine);
};

}  // namespace vokari
