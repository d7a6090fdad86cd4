#pragma once
// An engine for screen tests: it records every request and answers from a script. A request no
// rule answers is held until the test answers it, so a test can look at a screen while its
// request is still out.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transport/HttpEngine.h"

namespace vokari {

struct FakeReply {
  int status = 200;
  HttpHeaderList headers;
  std::string body;
  int failCode = 0;  // when not 0, the request fails with this code instead

  // A JSON text with the Content-Type "application/json; charset=utf-8".
  static FakeReply json(std::string body, int status = 200);
  static FakeReply failure(int code);
};

struct RecordedRequest {
  std::size_t id = 0;  // position in FakeHttpEngine::requests()
  std::string method;
  std::string url;
  HttpHeaderList headers;
  std::string body;  // a body source's bytes, read in full
  bool bodyFromSource = false;
  bool bodyUnreadable = false;  // the source failed: the request fails with code 1
  TransferLane lane = TransferLane::Service;
  double timeOutSeconds = 0;
  int tag = 0;
  bool synchronous = false;
  bool answered = false;
  bool cancelled = false;

  // The value of a header, the name compared without regard to case.
  std::optional<std::string> header(std::string_view name) const;
};

class FakeHttpEngine final : public HttpEngine {
 public:
  // Installs itself; the destructor puts back the engine installed before and lets go of the
  // requests still held, without calling them back.
  FakeHttpEngine();
  ~FakeHttpEngine() override;
  FakeHttpEngine(const FakeHttpEngine&) = delete;
  FakeHttpEngine& operator=(const FakeHttpEngine&) = delete;

  // Every later request whose URL contains the part gets the reply; the rule added last wins.
  void answer(std::string urlPart, FakeReply reply);
  // The next such request gets the reply; one-time rules go first, in the order added.
  void answerOnce(std::string urlPart, FakeReply reply);
  void clearAnswers();

  const std::vector<RecordedRequest>& requests() const { return requests_; }
  // The latest request whose URL contains the part, or none.
  const RecordedRequest* last(std::string_view urlPart = {}) const;
  // Ids of the requests held unanswered, oldest first.
  std::vector<std::size_t> pending() const;
  // Answers a held request through the main loop; false when it is not held (any more).
  bool respond(std::size_t id, FakeReply reply);

  void start(std::shared_ptr<HttpExchange> exchange) override;
  void cancel(const std::shared_ptr<HttpExchange>& exchange) override;
  // Answers at once from the script; with no rule it fails with code 2, as a silent server would.
  HttpResult perform(std::shared_ptr<HttpExchange> exchange) override;

 private:
  struct Rule {
    std::string urlPart;
    FakeReply reply;
  };
  RecordedRequest& record(const HttpExchange& exchange, bool synchronous);
  std::optional<FakeReply> scripted(const std::string& url);
  static HttpResult resultOf(const FakeReply& reply);

  HttpEngine* previous_ = nullptr;
  std::vector<Rule> once_;
  std::vector<Rule> lasting_;
  std::vector<RecordedRequest> requests_;
  std::map<std::size_t, std::shared_ptr<HttpExchange>> held_;
};

}  // namespace vokari
