#pragma once
// Text helpers shared by every form and reply handler. Texts are UTF-8; an absent text is
// std::nullopt. Lengths and positions count UTF-16 code units, as the phone platform's text does,
// so that every length rule (phone 11, password 6-30, identity number 18, version 5) agrees with
// what the services and the original client count.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vokari {

// A text that may be absent. Accepts string literals, std::string, std::string_view and
// std::optional<std::string> alike.
using Text = std::optional<std::string_view>;

class Extern final {
 public:
  // True when the text is absent or has length 0.
  static bool isEmptyString(Text text);
  // Removes white space and line breaks at both ends: U+0009-U+000D, U+0020, U+0085, U+00A0,
  // U+1680, U+2000-U+200A, U+2028, U+2029, U+202F, U+205F, U+3000.
  static std::string trim(std::string_view text);
  // True for absent, empty or all-white-space text.
  static bool isEmptyStringTrim(Text text);
  // None for blank text; the text itself when it starts with "http://" or "https://"; otherwise
  // "http://" followed by the trimmed text.
  static std::optional<std::string> httpUrl(Text text);
  // False when sub is absent or empty (or text is absent); otherwise whether sub occurs in text,
  // compared by Unicode case folding when caseInsensitive is set and exactly otherwise.
  static bool hasSubString(Text text, Text sub, bool caseInsensitive);

  // The length of the text in UTF-16 code units; a malformed UTF-8 sequence counts as one
  // replacement character.
  static std::size_t textLength(std::string_view text);
  // The UTF-16 code unit at the index (counting from 0), or none past the end.
  static std::optional<char16_t> charAt(std::string_view text, std::size_t index);
};

}  // namespace vokari
