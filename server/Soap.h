#pragma once
// SOAP 1.1 envelopes of the report service, read with libxml2 (no network, no DTD, no
// external entities) and written as the ASP.NET services the client knows write them.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vokari_backend {

struct SoapRequest {
  std::string operation;                      // local name of the element inside Body
  std::map<std::string, std::string> params;  // its child elements' texts
};

// Reads an envelope as its bytes arrive, so that a body of any size costs little memory: the
// text of one named parameter goes to a sink piece by piece instead of into params. The
// operation is that of an envelope whose Body holds one element in the http://tempuri.org/
// namespace; nothing for anything else, including any body that is not UTF-8 and any document
// with a document type declaration, which is refused as soon as it is met.
class SoapReader final {
 public:
  using Sink = std::function<bool(std::string_view text)>;  // false refuses the envelope
  // Called as the streamed parameter begins, with the parameters read before it; false refuses
  // the envelope before any of its text reaches the sink.
  using Gate = std::function<bool(const std::map<std::string, std::string>& before)>;
  SoapReader(std::string streamed = "", Sink sink = {}, Gate gate = {});
  ~SoapReader();
  SoapReader(const SoapReader&) = delete;
  SoapReader& operator=(const SoapReader&) = delete;

  void feed(std::string_view bytes);
  bool failed() const;
  // The envelope is complete. The streamed parameter, when present, is in params as "".
  std::optional<SoapRequest> finish();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

std::optional<SoapRequest> parseSoap(std::string_view body);  // one SoapReader, whole

// <op>Response holding <op>Result with the given text.
std::string soapReply(const std::string& operation, const std::string& result);
std::string soapFault(const std::string& message);

std::string xmlEscape(std::string_view text);  // & < > " as entity references

}  // namespace vokari_backend
