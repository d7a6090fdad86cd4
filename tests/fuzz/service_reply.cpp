// The JSON reply reading and judging every service call shares: a reply of any Content-Type
// and body, judged by each back-end's codes. First byte: the back-end; first line: the
// Content-Type value; the rest: the body.

#include "FuzzInput.h"
#include "common/JsonRow.h"
#include "transport/ServiceCall.h"

using namespace vokari;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  constexpr Backend backends[] = {Backend::General, Backend::Account, Backend::Appointment,
                                  Backend::CrimeReport};
  const Backend backend = backends[input.choose(4)];
  FakeReply reply;
  if (auto contentType = input.line(); !contentType.empty())
    reply.headers.emplace_back("Content-Type", std::string(contentType));
  reply.body = std::string(input.rest());

  fuzz::Sandbox::get();
  FakeHttpEngine http;
  http.answer("reply.test", reply);
  auto request = HttpRequest::initWithURL("http://reply.test/any.action");
  request->setRequestMethod("POST");
  request->startSynchronous();

  const JsonReply read = readJsonReply(*request, backend);
  if (!read.object.is_object()) __builtin_trap();  // every screen indexes it as an object
  // What screens do with a reply object next: keep it as a row, read its texts.
  (void)rowFromJson(read.object);
  for (const char* key : {"STATES", "MESSAGE", "CODE", "LIST"})
    (void)stringMember(read.object, key);
  (void)request->responseString();
  return 0;
}
