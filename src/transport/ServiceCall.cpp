#include "transport/ServiceCall.h"

#include "core/Extern.h"

#include "transport/TextDecoding.h"

namespace vokari {
namespace {

void prepare(const std::shared_ptr<HttpRequest>& request, RequestHandle& current,
             HttpRequestDelegate* delegate, int tag, const nlohmann::json& userInfo) {
  current.reset();
  request->setDelegate(delegate);
  request->setTag(tag);
  request->setUserInfo(userInfo);
  current = RequestHandle(request);
}

}  // namespace

std::shared_ptr<HttpRequest> makeServiceRequest(std::string_view action) {
  const ServiceAction* entry = findServiceAction(action);
  if (!entry) return nullptr;
  auto request = HttpRequest::initWithURL(Endpoints::current().url(entry->backend, action));
  request->setRequestMethod("POST");
  request->setTimeOutSeconds(entry->timeOutSeconds);
  return request;
}

std::string jsonBody(const nlohmann::json& body) {
  return body.dump(-1, ' ', /*ensure_ascii=*/false, nlohmann::json::error_handler_t::replace);
}

HttpRequest* startJsonCall(RequestHandle& current, const JsonCall& call) {
  auto request = makeServiceRequest(call.action);
  if (!request) return nullptr;
  request->appendPostData(jsonBody(call.body));
  if (call.bodySink) request->setResponseBodySink(call.bodySink);
  prepare(request, current, call.delegate, call.tag, call.userInfo);
  if (call.synchronous) {
    request->startSynchronous();
  } else {
    request->startAsynchronous();
  }
  return request.get();
}

HttpRequest* startSoapCall(RequestHandle& current, const SoapCall& call) {
  const ServiceAction* entry = findServiceAction(call.operation);
  if (!entry || entry->backend != Backend::CrimeReport) return nullptr;
  auto request = HttpRequest::initWithURL(Endpoints::current().url(Backend::CrimeReport, {}));
  request->setRequestMethod("POST");
  request->addRequestHeader("Content-Type", "text/xml; charset=utf-8");
  request->addRequestHeader("SOAPAction", "http://tempuri.org/" + std::string(call.operation));
  if (call.bodySource) {
    request->setPostBodySource(call.bodySource);
  } else {
    request->appendPostData(call.envelope);
  }
  prepare(request, current, call.delegate, call.tag, call.userInfo);
  request->startAsynchronous();
  return request.get();
}

std::optional<std::string> jsonReplyText(const HttpRequest& request) {
  if (request.responseData().empty()) return std::nullopt;
  auto contentType = request.responseHeaders().find("Content-Type");
  std::optional<std::string> charset;
  if (contentType != request.responseHeaders().end())
    charset = charsetOfContentType(contentType->second);
  if (charset) return decodeText(request.responseData(), *charset);
  // Bytes that are not UTF-8 read as ISO-8859-1, as any reply naming no charset would, so a
  // reply is never lost for being read as UTF-8.
  if (auto text = decodeText(request.responseData(), "utf-8")) return text;
  return decodeText(request.responseData(), "iso-8859-1");
}

nlohmann::json replyObject(const std::optional<std::string>& text) {
  if (Extern::isEmptyStringTrim(text)) return nlohmann::json::object();
  auto parsed = nlohmann::json::parse(*text, nullptr, /*allow_exceptions=*/false);
  return parsed.is_object() ? parsed : nlohmann::json::object();
}

ReplyVerdict judgeReply(Backend backend, const nlohmann::json& reply) {
  auto states = reply.find("STATES");
  if (states == reply.end() || !states->is_string()) return ReplyVerdict::Failed;
  const auto& value = states->get_ref<const std::string&>();
  switch (backend) {
    case Backend::General:
      return value == "SUCCESS" ? ReplyVerdict::Success : ReplyVerdict::Failed;
    case Backend::Appointment:
      if (value == "6") return ReplyVerdict::Anomaly;
      [[fallthrough]];
    case Backend::Account:
      if (value == "1") return ReplyVerdict::Success;
      if (value == "2") return ReplyVerdict::Refused;
      return ReplyVerdict::Failed;
    case Backend::CrimeReport:
      break;
  }
  return ReplyVerdict::Failed;
}

JsonReply readJsonReply(const HttpRequest& request, Backend backend) {
  JsonReply reply;
  reply.text = jsonReplyText(request);
  reply.object = replyObject(reply.text);
  reply.verdict = judgeReply(backend, reply.object);
  return reply;
}

}  // namespace vokari
