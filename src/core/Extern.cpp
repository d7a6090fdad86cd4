#include "core/Extern.h"

#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace vokari {
namespace {

bool isTrimmed(UChar32 c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

icu::UnicodeString utf16(std::string_view text) {
  return icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

}  // namespace

bool Extern::isEmptyString(Text text) {
  return !text || text->empty();
}

std::string Extern::trim(std::string_view text) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  int32_t begin = 0;
  while (begin < length) {
    int32_t next = begin;
    UChar32 c;
    U8_NEXT(s, next, length, c);
    if (!isTrimmed(c)) break;
    begin = next;
  }
  int32_t end = length;
  while (end > begin) {
    int32_t previous = end;
    UChar32 c;
    U8_PREV(s, begin, previous, c);
    if (!isTrimmed(c)) break;
    end = previous;
  }
  return std::string(text.substr(begin, end - begin));
}

bool Extern::isEmptyStringTrim(Text text) {
  return !text || trim(*text).empty();
}

std::optional<std::string> Extern::httpUrl(Text text) {
  if (isEmptyStringTrim(text)) return std::nullopt;
  // A secure address is a web address too; any other text becomes one, so that nothing but a web
  // page is ever handed to the desktop's opener.
  if (text->starts_with("http://") || text->starts_with("https://")) return std::string(*text);
  return "http://" + trim(*text);
}

bool Extern::hasSubString(Text text, Text sub, bool caseInsensitive) {
  if (isEmptyString(sub) || !text) return false;
  if (!caseInsensitive) return text->find(*sub) != std::string_view::npos;
  icu::UnicodeString haystack = utf16(*text);
  icu::UnicodeString needle = utf16(*sub);
  haystack.foldCase();
  needle.foldCase();
  return haystack.indexOf(needle) >= 0;
}

std::size_t Extern::textLength(std::string_view text) {
  return static_cast<std::size_t>(utf16(text).length());
}

std::optional<char16_t> Extern::charAt(std::string_view text, std::size_t index) {
  icu::UnicodeString units = utf16(text);
  if (index >= static_cast<std::size_t>(units.length())) return std::nullopt;
  return units.charAt(static_cast<int32_t>(index));
}

}  // namespace vokari
