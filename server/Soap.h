#pragma once
// SOAP 1.1 envelopes of the report service, read with libxml2 (no network, no DTD, no
// external entities) and written as the ASP.NET services the client knows write them.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vokari_backend {

struct SoapRequest {
  std::string operation;                     // local name of the element inside Body
  std::map<std::string, std::string> params;  // its child elements' texts
};

// The operation of an envelope whose Body holds one element in the http://tempuri.org/
// namespace; nothing for anything else, including any body that is not UTF-8 and any
// document with a document type declaration.
std::optional<SoapRequest> parseSoap(std::string_view body);

// <op>Response holding <op>Result with the given text.
std::string soapReply(const std::string& operation, const std::string& result);
std::string soapFault(const std::string& message);

std::string xmlEscape(std::string_view text);  // & < > " as entity references

}  // namespace vokari_backend
