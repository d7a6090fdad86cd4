#include "reports/LinkViewController.h"

#include <climits>
#include <memory>

#include "core/Extern.h"
#include "platform/LibXml.h"
#include "transport/TextDecoding.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

constexpr double kErrorSeconds = 1.0;

bool named(const xmlNode* node, std::string_view name) {
  return node->name && std::string_view(reinterpret_cast<const char*>(node->name)) == name;
}

bool isBlock(const xmlNode* node) {
  for (std::string_view name : {"p",      "div",   "h1", "h2", "h3",      "h4",         "h5",
                                "h6",     "li",    "tr", "br", "section", "article",    "header",
                                "footer", "table", "ul", "ol", "title",   "blockquote", "pre"}) {
    if (named(node, name)) return true;
  }
  return false;
}

// Collapses runs of white space into one blank, as a browser lays text out.
void appendText(std::string& line, std::string_view text) {
  for (char c : text) {
    bool space = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
    if (space) {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line += c;
    }
  }
}

void collect(const xmlNode* node, std::string& line, std::vector<std::string>& lines) {
  auto flush = [&] {
    std::string text = Extern::trim(line);
    if (!text.empty()) lines.push_back(text);
    line.clear();
  };
  for (; node; node = node->next) {
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
      appendText(line, reinterpret_cast<const char*>(node->content));
    } else if (node->type == XML_ELEMENT_NODE) {
      if (named(node, "script") || named(node, "style") || named(node, "head")) continue;
      bool block = isBlock(node);
      if (block) flush();
      collect(node->children, line, lines);
      if (block) flush();
    }
  }
}

}  // namespace

LinkViewController::LinkViewController(std::string url, std::string strTitle)
    : ui::Screen(strTitle), url(std::move(url)), strTitle(std::move(strTitle)) {
  add(page);
}

std::vector<std::string> LinkViewController::readableText(std::string_view html,
                                                          const char* encoding) {
  const LibXml* xml = libXml();
  if (!xml || html.size() > static_cast<std::size_t>(INT_MAX)) return {};
  int options = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                HTML_PARSE_NOIMPLIED;
  std::unique_ptr<xmlDoc, decltype(xml->xmlFreeDoc)> doc(
      xml->htmlReadMemory(html.data(), static_cast<int>(html.size()), "page.html", encoding,
                          options),
      xml->xmlFreeDoc);
  std::vector<std::string> lines;
  if (!doc) return lines;
  std::string line;
  collect(xml->xmlDocGetRootElement(doc.get()), line, lines);
  std::string rest = Extern::trim(line);
  if (!rest.empty()) lines.push_back(rest);
  return lines;
}

void LinkViewController::viewDidLoad() {
  auto request = HttpRequest::initWithURL(url);
  request->setDelegate(this);
  request_ = RequestHandle(request);
  loading_ = true;
  ui::Ui::current().hud->showBusy("");
  request->startAsynchronous();
}

void LinkViewController::stopLoading() {
  if (!loading_) return;
  loading_ = false;
  request_.reset();
  ui::Ui::current().hud->dismiss();
}

void LinkViewController::viewWillDisappear() {
  stopLoading();
}

void LinkViewController::requestFinished(HttpRequest& request) {
  // A charset the reply names wins; otherwise the page's own declaration, as a browser reads it.
  auto type = request.responseHeaders().find("Content-Type");
  bool named = type != request.responseHeaders().end() && charsetOfContentType(type->second);
  std::string html = named ? request.responseString().value_or("") : request.responseData();
  loading_ = false;
  request_.reset();
  std::string text;
  for (const std::string& line : readableText(html, named ? "UTF-8" : nullptr))
    text += (text.empty() ? "" : "\n") + line;
  page.text = text;
  ui::Ui::current().hud->dismiss();
}

void LinkViewController::requestFailed(HttpRequest&) {
  loading_ = false;
  request_.reset();
  ui::Ui::current().hud->showError("加载出错", kErrorSeconds);
}

}  // namespace vokari
