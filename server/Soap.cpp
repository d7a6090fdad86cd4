#include "Soap.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>

namespace vokari_backend {
namespace {

constexpr const char* kEnvelopeNs = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr const char* kServiceNs = "http://tempuri.org/";

using Document = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

std::string_view name(const xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

bool inNamespace(const xmlNode* node, const char* ns) {
  return node->ns && node->ns->href &&
         std::string_view(reinterpret_cast<const char*>(node->ns->href)) == ns;
}

const xmlNode* childNamed(const xmlNode* node, std::string_view wanted) {
  for (const xmlNode* child = node->children; child; child = child->next) {
    if (child->type == XML_ELEMENT_NODE && name(child) == wanted) return child;
  }
  return nullptr;
}

const xmlNode* onlyElementChild(const xmlNode* node) {
  const xmlNode* found = nullptr;
  for (const xmlNode* child = node->children; child; child = child->next) {
    if (child->type != XML_ELEMENT_NODE) continue;
    if (found) return nullptr;
    found = child;
  }
  return found;
}

std::string content(const xmlNode* node) {
  std::unique_ptr<xmlChar, decltype(xmlFree)> text(xmlNodeGetContent(node), xmlFree);
  return text ? reinterpret_cast<const char*>(text.get()) : "";
}

Document parse(std::string_view body) {
  // SOAP forbids a document type declaration; refusing it up front also keeps entity
  // expansion out, which matters since large attachments need XML_PARSE_HUGE.
  if (body.find("<!DOCTYPE") != std::string_view::npos) return Document(nullptr, xmlFreeDoc);
  int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE;
  return Document(xmlReadMemory(body.data(), static_cast<int>(body.size()), "request.xml",
                                nullptr, options),
                  xmlFreeDoc);
}

}  // namespace

std::optional<SoapRequest> parseSoap(std::string_view body) {
  Document doc = parse(body);
  const xmlNode* envelope = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  if (!envelope || name(envelope) != "Envelope" || !inNamespace(envelope, kEnvelopeNs)) {
    return std::nullopt;
  }
  const xmlNode* soapBody = childNamed(envelope, "Body");
  if (!soapBody || !inNamespace(soapBody, kEnvelopeNs)) {
    return std::nullopt;
  }
  const xmlNode* operation = onlyElementChild(soapBody);
  if (!operation || !inNamespace(operation, kServiceNs)) return std::nullopt;
  SoapRequest request{std::string(name(operation)), {}};
  for (const xmlNode* param = operation->children; param; param = param->next) {
    if (param->type == XML_ELEMENT_NODE) request.params[std::string(name(param))] = content(param);
  }
  return request;
}

std::string xmlEscape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

namespace {

std::string envelope(const std::string& body) {
  return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>") +
         "<soap:Envelope xmlns:soap=\"" + kEnvelopeNs +
         "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Body>" +
         body + "</soap:Body></soap:Envelope>";
}

}  // namespace

std::string soapReply(const std::string& operation, const std::string& result) {
  return envelope("<" + operation + "Response xmlns=\"" + kServiceNs + "\"><" + operation +
                  "Result>" + xmlEscape(result) + "</" + operation + "Result></" + operation +
                  "Response>");
}

std::string soapFault(const std::string& message) {
  return envelope("<soap:Fault><faultcode>soap:Client</faultcode><faultstring>" +
                  xmlEscape(message) + "</faultstring></soap:Fault>");
}

}  // namespace vokari_backend
