#pragma once
// The conventions every back-end call follows, written once: how a JSON or SOAP call is made
// and started, and how a JSON reply is read and judged. Main thread.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "core/Endpoints.h"
#include "transport/HttpRequest.h"
#include "transport/RequestHandle.h"

namespace vokari {

// A POST request to the action's address with the action's time-out; none for an action that
// is not in the table.
std::shared_ptr<HttpRequest> makeServiceRequest(std::string_view action);

// The request body of a JSON call: compact, UTF-8, characters outside ASCII as they are, "/"
// unescaped. Bytes that are not UTF-8 are sent as U+FFFD rather than failing the call.
std::string jsonBody(const nlohmann::json& body);

struct JsonCall {
  std::string_view action = {};                    // a name of the action table
  nlohmann::json body = nlohmann::json::object();  // the call's keys and values
  HttpRequestDelegate* delegate = nullptr;         // not owned
  int tag = 0;
  nlohmann::json userInfo = nullptr;  // none
  // Blocks the main thread until the outcome. No screen uses it: the registration, which waits
  // for its outcome, runs asynchronously behind a touch-blocking overlay instead.
  bool synchronous = false;
  // When set, the reply body goes to it as it arrives instead of being kept.
  std::shared_ptr<HttpBodySink> bodySink = {};
};

// Detaches and cancels the holder's previous request of this kind (`current`), so a late reply
// of it is never delivered, then makes the call (no Content-Type), keeps it in `current` and
// starts it. Answers the new request (owned by `current`); none, with `current` untouched, for
// an unknown action.
HttpRequest* startJsonCall(RequestHandle& current, const JsonCall& call);

struct SoapCall {
  std::string_view operation = {};  // "getCodeString", "Inster", ...
  std::string envelope = {};        // the operation's SOAP envelope
  // When set, the body comes from the source (a large SaveFile) instead of `envelope`.
  std::shared_ptr<HttpBodySource> bodySource = {};
  HttpRequestDelegate* delegate = nullptr;
  int tag = 0;
  nlohmann::json userInfo = nullptr;  // none
};

// As startJsonCall, for the crime-report service: the envelope as body, "Content-Type:
// text/xml; charset=utf-8", "SOAPAction: http://tempuri.org/<operation>", the default time-out.
HttpRequest* startSoapCall(RequestHandle& current, const SoapCall& call);

// What a reply's "STATES" says, by the codes of its back-end.
enum class ReplyVerdict {
  Success,  // general "SUCCESS"; account and appointment "1"
  Refused,  // account and appointment "2": the calling screen names the reason
  Anomaly,  // appointment "6": the account is no longer valid on the service
  Failed,   // anything else, a missing "STATES", a blank or non-JSON reply
};

struct JsonReply {
  std::optional<std::string> text;  // the reply decoded for JSON; none when there is no body
  nlohmann::json object;            // always an object; without keys unless the text was one
  ReplyVerdict verdict = ReplyVerdict::Failed;
};

// The reply body as UTF-8 text. JSON is UTF-8 by definition, so a reply that names no charset
// is read as UTF-8 when its bytes are UTF-8 and as ISO-8859-1 (what responseString reads)
// otherwise; a named charset is honoured.
std::optional<std::string> jsonReplyText(const HttpRequest& request);
// The text as a JSON object; blank text, text that is not JSON, and JSON that is not an object
// all read as an object without keys.
nlohmann::json replyObject(const std::optional<std::string>& text);
// The verdict of a reply object's "STATES" on the back-end.
ReplyVerdict judgeReply(Backend backend, const nlohmann::json& reply);
// All three steps for a finished request. The status code is not looked at.
JsonReply readJsonReply(const HttpRequest& request, Backend backend);

}  // namespace vokari
