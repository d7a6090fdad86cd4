#include "reports/ReplyReaders.h"

#include <climits>
#include <optional>

#include "platform/LibXml.h"

namespace vokari {
namespace {

struct SaxState {
  const LibXml& xml;
  xmlParserCtxtPtr context = nullptr;
  std::string_view resultElement;
  std::optional<std::string> collected;
  std::optional<std::string> result;
  bool stopped = false;
};

SaxState& stateOf(void* user) {
  return *static_cast<SaxState*>(user);
}

void onStart(void* user, const xmlChar*, const xmlChar**) {
  stateOf(user).collected.reset();
}

void onCharacters(void* user, const xmlChar* text, int length) {
  SaxState& state = stateOf(user);
  if (!state.collected) state.collected.emplace();
  state.collected->append(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
}

void onEnd(void* user, const xmlChar* name) {
  SaxState& state = stateOf(user);
  if (state.stopped) return;
  if (std::string_view(reinterpret_cast<const char*>(name)) == state.resultElement) {
    // One reply is one answer: a second result element must not start a second step.
    state.result = state.collected.value_or("");
    state.stopped = true;
    state.xml.xmlStopParser(state.context);
    return;
  }
  state.collected.reset();
}

// A document type declaration may define entities; the service never sends one.
void onDoctype(void* user, const xmlChar*, const xmlChar*, const xmlChar*) {
  SaxState& state = stateOf(user);
  state.stopped = true;
  state.result.reset();
  state.xml.xmlStopParser(state.context);
}

// Only the five predefined entities exist for these replies.
xmlEntityPtr onEntity(void* user, const xmlChar* name) {
  return stateOf(user).xml.xmlGetPredefinedEntity(name);
}

void quiet(void*, const char*, ...) {}

xmlSAXHandler handler() {
  xmlSAXHandler sax{};
  sax.initialized = 1;  // SAX1 callbacks: element names exactly as written, prefix included
  sax.startElement = onStart;
  sax.endElement = onEnd;
  sax.characters = onCharacters;
  sax.cdataBlock = onCharacters;
  sax.internalSubset = onDoctype;
  sax.externalSubset = onDoctype;
  sax.getEntity = onEntity;
  sax.warning = quiet;
  sax.error = quiet;
  sax.fatalError = quiet;
  return sax;
}

}  // namespace

std::optional<std::string> readSoapResult(std::string_view reply, std::string_view resultElement) {
  const LibXml* xml = libXml();
  if (!xml || reply.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
  xmlParserCtxtPtr context =
      xml->xmlCreateMemoryParserCtxt(reply.data(), static_cast<int>(reply.size()));
  if (!context) return std::nullopt;
  SaxState state{*xml, context, resultElement, std::nullopt, std::nullopt, false};
  // The context frees its handler, so it gets a copy of ours from libxml2's allocator.
  xmlFreeFunc release = nullptr;
  xmlMallocFunc allocate = nullptr;
  xml->xmlMemGet(&release, &allocate, nullptr, nullptr);
  auto* sax = static_cast<xmlSAXHandler*>(allocate(sizeof(xmlSAXHandler)));
  if (!sax) {
    xml->xmlFreeParserCtxt(context);
    return std::nullopt;
  }
  *sax = handler();
  release(context->sax);
  context->sax = sax;
  context->userData = &state;
  xml->xmlCtxtUseOptions(context, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  context->replaceEntities = 0;
  context->loadsubset = 0;
  context->validate = 0;
  xml->xmlParseDocument(context);
  // After a parse error libxml2 goes on reading declarations with our handlers off, and keeps
  // any entity declared into a document of its own that the context does not free.
  if (context->myDoc) xml->xmlFreeDoc(context->myDoc);
  xml->xmlFreeParserCtxt(context);
  return state.result;
}

namespace {

// Reads the reply, then tells the delegate, if any.
template <typename Delegate>
bool tell(std::string_view reply, std::string_view element, Delegate* delegate,
          void (Delegate::*callback)(const std::string&)) {
  auto result = readSoapResult(reply, element);
  if (result && delegate) (delegate->*callback)(*result);
  return result.has_value();
}

}  // namespace

CodePrase& CodePrase::sharedCodePraseManager() {
  static CodePrase shared;
  return shared;
}

bool CodePrase::getCodeFromResponse(std::string_view reply) {
  return tell(reply, "getCodeStringResult", delegate, &CodePraseDelegate::returnCode);
}

PWDPrase& PWDPrase::sharedPWDPraseManager() {
  static PWDPrase shared;
  return shared;
}

bool PWDPrase::getPwdFromResponse(std::string_view reply) {
  return tell(reply, "getSearchPasswordResult", delegate, &PWDPraseDelegate::returnPwd);
}

ReportResultPrase& ReportResultPrase::sharedReportResultPraseManager() {
  static ReportResultPrase shared;
  return shared;
}

bool ReportResultPrase::getReportResultFromResponse(std::string_view reply) {
  return tell(reply, "InsterResult", delegate, &ReportResultPraseDelegate::returnReportResult);
}

FilePrase& FilePrase::sharedFilePraseManager() {
  static FilePrase shared;
  return shared;
}

bool FilePrase::getFileFromResponse(std::string_view reply) {
  return tell(reply, "SaveFileResult", delegate, &FilePraseDelegate::returnFileResult);
}

QueryPrase& QueryPrase::sharedQueryPraseManager() {
  static QueryPrase shared;
  return shared;
}

bool QueryPrase::getQueryFromResponse(std::string_view reply) {
  return tell(reply, "SearchResult", delegate, &QueryPraseDelegate::returnQueryResult);
}

}  // namespace vokari
