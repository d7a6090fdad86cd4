#include "alarm/AlarmHelp.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace vokari {
namespace {

// Tags after which the text continues on a new line.
bool breaksLine(std::string_view tag) {
  static constexpr std::array<std::string_view, 13> kBlocks{
      "p", "br", "li", "ul", "ol", "div", "h1", "h2", "h3", "h4", "tr", "table", "body"};
  return std::find(kBlocks.begin(), kBlocks.end(), tag) != kBlocks.end();
}

std::string tagName(std::string_view tag) {
  std::size_t start = tag.find_first_not_of("</ ");
  if (start == std::string_view::npos) return {};
  std::string name;
  for (std::size_t i = start; i < tag.size() && std::isalnum(static_cast<unsigned char>(tag[i])); ++i) {
    name += static_cast<char>(std::tolower(static_cast<unsigned char>(tag[i])));
  }
  return name;
}

std::string decodeEntities(std::string text) {
  static const std::array<std::pair<std::string_view, std::string_view>, 6> kEntities{{
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&nbsp;", " "}, {"&copy;", "©"}, {"&amp;", "&"}}};
  for (const auto& [entity, plain] : kEntities) {
    for (std::size_t at = text.find(entity); at != std::string::npos;
         at = text.find(entity, at + plain.size())) {
      text.replace(at, entity.size(), plain);
    }
  }
  return text;
}

// Collapses runs of white space to one blank and trims the ends.
std::string tidy(std::string_view text) {
  std::string out;
  for (char c : text) {
    bool blank = std::isspace(static_cast<unsigned char>(c)) != 0;
    if (blank && (out.empty() || out.back() == ' ')) continue;
    out += blank ? ' ' : c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

}  // namespace

AlarmHelp::AlarmHelp() : ui::Screen("关于Vokari") {
  for (const auto& line : textLines(resourceDocument("aboutvok", "html").value_or(""))) {
    ui::Label label;
    label.text = line;
    lines_.push_back(std::move(label));
  }
  for (auto& label : lines_) add(label);  // after the vector has stopped growing
}

std::vector<std::string> AlarmHelp::textLines(std::string_view html) {
  std::vector<std::string> lines;
  std::string current;
  auto flush = [&] {
    std::string line = tidy(decodeEntities(current));
    if (!line.empty()) lines.push_back(std::move(line));
    current.clear();
  };
  bool skipping = false;  // inside the head, a style or a script: nothing there is shown
  for (std::size_t at = 0; at < html.size();) {
    if (html[at] != '<') {
      std::size_t next = std::min(html.find('<', at), html.size());
      if (!skipping) current.append(html.substr(at, next - at));
      at = next;
      continue;
    }
    std::size_t end = html.find('>', at);
    if (end == std::string_view::npos) break;
    std::string_view tag = html.substr(at + 1, end - at - 1);
    std::string name = tagName(tag);
    if (name == "head" || name == "style" || name == "script") skipping = !tag.starts_with("/");
    if (breaksLine(name)) flush();
    at = end + 1;
  }
  flush();
  return lines;
}

}  // namespace vokari
