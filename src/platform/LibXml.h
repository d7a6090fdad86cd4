#pragma once
// libxml2, mapped when a program first reads a SOAP message or a web page, not at its start.
// The programs call it through the table below: each member is libxml2's function of that name.

#include <libxml/HTMLparser.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlmemory.h>
#include <libxml/xmlversion.h>

#include "LazyLibrary.h"

namespace vokari {

// clang-format off
#define VOKARI_LIBXML_FUNCTIONS(F)                                                       \
  F(xmlInitParser) F(xmlMemGet)                                                          \
  F(xmlCreateMemoryParserCtxt) F(xmlCreatePushParserCtxt) F(xmlCtxtUseOptions)           \
  F(xmlSwitchEncoding) F(xmlParseChunk) F(xmlParseDocument) F(xmlStopParser)             \
  F(xmlFreeParserCtxt) F(xmlFreeDoc) F(xmlGetPredefinedEntity) F(xmlDocGetRootElement)   \
  F(htmlReadMemory)
// clang-format on

struct LibXml {
#define VOKARI_LIBXML_MEMBER(name) decltype(&::name) name = nullptr;
  VOKARI_LIBXML_FUNCTIONS(VOKARI_LIBXML_MEMBER)
#undef VOKARI_LIBXML_MEMBER
};

// Null when libxml2 cannot be loaded (said once on standard error): no XML is read then.
inline const LibXml* libXml() {
  static const LibXml* const loaded = []() -> const LibXml* {
    static const LazyLibrary library(VOKARI_LIBXML_SONAME);
    static LibXml xml;
    bool found = true;
#define VOKARI_LIBXML_FIND(name) found = library.find(xml.name, #name) && found;
    VOKARI_LIBXML_FUNCTIONS(VOKARI_LIBXML_FIND)
#undef VOKARI_LIBXML_FIND
    if (!found) return nullptr;
    xml.xmlInitParser();  // once, before any thread parses
    return &xml;
  }();
  return loaded;
}

}  // namespace vokari
