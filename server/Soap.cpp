#include "Soap.h"

#include <algorithm>
#include <cctype>

#include "src/platform/LibXml.h"

namespace vokari_backend {
namespace {

constexpr std::string_view kEnvelopeNs = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr std::string_view kServiceNs = "http://tempuri.org/";
// The texts held in memory (every parameter but the streamed one) stay small.
constexpr size_t kMaxHeldText = 8u << 20;
// An XML declaration longer than this is no declaration we write or read.
constexpr size_t kMaxDeclaration = 1024;

std::string_view view(const xmlChar* text) {
  return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// The length of the longest prefix of text made of whole UTF-8 sequences; bad is set when a
// byte can begin no sequence or continue none (a sequence cut at the end is not bad).
size_t utf8Prefix(std::string_view text, bool& bad) {
  size_t i = 0;
  while (i < text.size()) {
    auto byte = static_cast<unsigned char>(text[i]);
    int more = byte < 0x80           ? 0
               : (byte >> 5) == 0x6  ? 1
               : (byte >> 4) == 0xe  ? 2
               : (byte >> 3) == 0x1e ? 3
                                     : -1;
    if (more < 0 || byte == 0xc0 || byte == 0xc1 || byte > 0xf4 || byte == 0) {
      bad = true;
      return i;
    }
    for (int k = 1; k <= more; ++k) {
      if (i + static_cast<size_t>(k) >= text.size()) return i;
      if ((static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80) {
        bad = true;
        return i;
      }
    }
    i += static_cast<size_t>(more) + 1;
  }
  return i;
}

// A declaration naming another encoding is refused rather than overridden: the service speaks
// UTF-8 only, and reading anything else would let a body slip past the checks here.
bool utf8Declaration(std::string_view declaration) {
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

}  // namespace

struct SoapReader::Impl {
  const vokari::LibXml* xml = vokari::libXml();
  std::string streamed;
  Sink sink;
  Gate gate;
  xmlSAXHandler sax{};
  xmlParserCtxtPtr parser = nullptr;
  bool bad = false;
  bool started = false;  // the head (BOM and declaration) was checked
  std::string head;      // bytes held until then
  std::string carry;     // a UTF-8 sequence cut by the end of the last piece

  // Where the parser is: 1 inside Envelope, 2 inside Body, 3 inside the operation, deeper
  // inside a parameter. Elements outside Body are skipped whole.
  int depth = 0;
  int skipping = 0;
  bool bodySeen = false;
  std::optional<std::string> operation;
  std::string param;
  bool streaming = false;
  std::string text;
  size_t held = 0;
  std::map<std::string, std::string> params;

  void refuse() {
    bad = true;
    if (parser) xml->xmlStopParser(parser);
  }
  void push(std::string_view bytes, bool last);
  void checked(std::string_view bytes, bool last);

  static Impl& of(void* context) {
    return *static_cast<Impl*>(static_cast<xmlParserCtxtPtr>(context)->_private);
  }
  static void start(void* context, const xmlChar* name, const xmlChar*, const xmlChar* uri, int,
                    const xmlChar**, int, int, const xmlChar**);
  static void end(void* context, const xmlChar*, const xmlChar*, const xmlChar*);
  static void characters(void* context, const xmlChar* text, int length);
  static void doctype(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    of(context).refuse();  // SOAP forbids a document type declaration, any subset
  }
  static void entity(void* context, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*) {
    of(context).refuse();
  }
  static void quiet(void*, xmlError*) {}
};

void SoapReader::Impl::start(void* context, const xmlChar* name, const xmlChar*, const xmlChar* uri,
                             int, const xmlChar**, int, int, const xmlChar**) {
  Impl& r = of(context);
  int level = r.depth++;
  if (r.skipping || r.bad) {
    r.skipping += r.skipping ? 1 : 0;
    return;
  }
  if (level == 0) {
    if (view(name) != "Envelope" || view(uri) != kEnvelopeNs) r.refuse();
  } else if (level == 1) {
    bool body = !r.bodySeen && view(name) == "Body" && view(uri) == kEnvelopeNs;
    r.bodySeen = r.bodySeen || body;
    if (!body) r.skipping = 1;
  } else if (level == 2) {
    // Body holds one element, the operation.
    if (r.operation || view(uri) != kServiceNs) return r.refuse();
    r.operation = std::string(view(name));
  } else if (level == 3) {
    r.param = std::string(view(name));
    r.streaming = !r.streamed.empty() && r.param == r.streamed;
    r.text.clear();
    if (r.streaming && r.gate && !r.gate(r.params)) r.refuse();
  }
}

void SoapReader::Impl::end(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
  Impl& r = of(context);
  int level = --r.depth;
  if (r.skipping) {
    --r.skipping;
    return;
  }
  if (level == 3 && !r.bad) {
    r.params[r.param] = r.streaming ? std::string() : std::move(r.text);
    r.text.clear();
    r.streaming = false;
  }
}

void SoapReader::Impl::characters(void* context, const xmlChar* text, int length) {
  Impl& r = of(context);
  if (r.skipping || r.bad || r.depth < 4) return;
  std::string_view piece(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
  if (r.streaming) {
    if (!r.sink(piece)) r.refuse();
    return;
  }
  r.held += piece.size();
  if (r.held > kMaxHeldText) return r.refuse();
  r.text.append(piece);
}

SoapReader::SoapReader(std::string streamed, Sink sink, Gate gate)
    : impl_(std::make_unique<Impl>()) {
  impl_->streamed = std::move(streamed);
  impl_->sink = std::move(sink);
  impl_->gate = std::move(gate);
  xmlSAXHandler& sax = impl_->sax;
  sax.initialized = XML_SAX2_MAGIC;
  sax.startElementNs = Impl::start;
  sax.endElementNs = Impl::end;
  sax.characters = Impl::characters;
  sax.cdataBlock = Impl::characters;
  sax.internalSubset = Impl::doctype;
  sax.externalSubset = Impl::doctype;
  sax.entityDecl = Impl::entity;
  sax.serror = Impl::quiet;
  const vokari::LibXml* xml = impl_->xml;
  impl_->parser =
      xml ? xml->xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, "request.xml") : nullptr;
  if (!impl_->parser) {
    impl_->bad = true;
    return;
  }
  impl_->parser->_private = impl_.get();
  // No XML_PARSE_HUGE: libxml2's own limits on names, nesting and lookahead stay on. Only
  // UTF-8 is read, whatever a declaration says (one that says otherwise is refused above).
  xml->xmlCtxtUseOptions(impl_->parser, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING |
                                            XML_PARSE_IGNORE_ENC);
  xml->xmlSwitchEncoding(impl_->parser, XML_CHAR_ENCODING_UTF8);
}

SoapReader::~SoapReader() {
  if (impl_->parser) impl_->xml->xmlFreeParserCtxt(impl_->parser);
}

bool SoapReader::failed() const {
  return impl_->bad;
}

// Checks the bytes (UTF-8 only, no NUL) and hands the whole sequences among them to the parser.
void SoapReader::Impl::checked(std::string_view bytes, bool last) {
  std::string joined;
  if (!carry.empty()) {
    joined = carry + std::string(bytes);
    bytes = joined;
  }
  size_t whole = utf8Prefix(bytes, bad);
  if (bad || (last && whole != bytes.size())) return refuse();
  carry.assign(bytes.substr(whole));
  bytes = bytes.substr(0, whole);
  while (!bad && (!bytes.empty() || last)) {
    // The parser takes int sizes.
    size_t size = std::min<size_t>(bytes.size(), 1u << 20);
    bool end = last && size == bytes.size();
    int status = xml->xmlParseChunk(parser, bytes.data(), static_cast<int>(size), end ? 1 : 0);
    if (status != 0 || !parser->wellFormed) return refuse();
    bytes.remove_prefix(size);
    if (end) break;
  }
}

void SoapReader::Impl::push(std::string_view bytes, bool last) {
  if (bad) return;
  if (!started) {
    head.append(bytes);
    std::string_view rest = head;
    if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
    size_t close = rest.find("?>");
    bool declared = rest.starts_with("<?xml");
    bool undecided = !last && (rest.size() < 5 ? std::string_view("<?xml").starts_with(rest)
                                               : declared && close == std::string_view::npos);
    if (undecided) {
      if (head.size() > kMaxDeclaration) refuse();
      return;
    }
    if (declared && (close == std::string_view::npos || !utf8Declaration(rest.substr(0, close))))
      return refuse();
    started = true;
    std::string held = std::move(head);
    return checked(held, last);
  }
  checked(bytes, last);
}

void SoapReader::feed(std::string_view bytes) {
  impl_->push(bytes, false);
}

std::optional<SoapRequest> SoapReader::finish() {
  impl_->push({}, true);
  if (impl_->bad || !impl_->operation || impl_->depth != 0) return std::nullopt;
  return SoapRequest{*impl_->operation, std::move(impl_->params)};
}

std::optional<SoapRequest> parseSoap(std::string_view body) {
  SoapReader reader;
  reader.feed(body);
  return reader.finish();
}

std::string xmlEscape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

namespace {

std::string envelope(const std::string& body) {
  return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>") +
         "<soap:Envelope xmlns:soap=\"" + std::string(kEnvelopeNs) +
         "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Body>" +
         body + "</soap:Body></soap:Envelope>";
}

}  // namespace

std::string soapReply(const std::string& operation, const std::string& result) {
  return envelope("<" + operation + "Response xmlns=\"" + std::string(kServiceNs) + "\"><" +
                  operation + "Result>" + xmlEscape(result) + "</" + operation + "Result></" +
                  operation + "Response>");
}

std::string soapFault(const std::string& message) {
  return envelope("<soap:Fault><faultcode>soap:Client</faultcode><faultstring>" +
                  xmlEscape(message) + "</faultstring></soap:Fault>");
}

}  // namespace vokari_backend
