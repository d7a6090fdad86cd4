#include "Soap.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cctype>
#include <climits>
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

bool validUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    auto byte = static_cast<unsigned char>(text[i]);
    int more = byte < 0x80           ? 0
               : (byte >> 5) == 0x6  ? 1
               : (byte >> 4) == 0xe  ? 2
               : (byte >> 3) == 0x1e ? 3
                                     : -1;
    if (more < 0 || byte == 0xc0 || byte == 0xc1 || byte > 0xf4 ||
        i + static_cast<size_t>(more) >= text.size()) {
      return false;
    }
    for (int k = 1; k <= more; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80) return false;
    }
    i += static_cast<size_t>(more) + 1;
  }
  return true;
}

// Well-formed UTF-8 with no byte the parser could take for another encoding: the service
// speaks UTF-8 only, and reading anything else would let a body slip past the checks below.
bool plainUtf8(std::string_view body) {
  if (body.find('\0') != std::string_view::npos) return false;
  if (!validUtf8(body)) return false;
  // A declaration naming another encoding is refused rather than overridden.
  if (!body.starts_with("<?xml")) return true;
  std::string_view declaration = body.substr(0, body.find("?>"));
  size_t at = declaration.find("encoding");
  if (at == std::string_view::npos) return true;
  size_t quote = declaration.find_first_of("\"'", at);
  if (quote == std::string_view::npos) return false;
  size_t end = declaration.find(declaration[quote], quote + 1);
  if (end == std::string_view::npos) return false;
  std::string name(declaration.substr(quote + 1, end - quote - 1));
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name == "utf-8" || name == "utf8";
}

Document parse(std::string_view body) {
  Document none(nullptr, xmlFreeDoc);
  if (body.size() > static_cast<size_t>(INT_MAX) || !plainUtf8(body)) return none;
  // No XML_PARSE_HUGE: libxml2's own limits on entity expansion and node sizes stay on.
  int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  Document doc(
      xmlReadMemory(body.data(), static_cast<int>(body.size()), "request.xml", "UTF-8", options),
      xmlFreeDoc);
  // SOAP forbids a document type declaration; any subset, internal or external, is refused.
  if (doc && (doc->intSubset || doc->extSubset)) return none;
  return doc;
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
