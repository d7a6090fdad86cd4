#include "transport/TextDecoding.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <vector>

namespace vokari {
namespace {

std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char byte : bytes) {
    if (byte < 0x80) {
      out += static_cast<char>(byte);
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

bool isLatin1(const std::string& charset) {
  return charset == "iso-8859-1" || charset == "latin1" || charset == "iso_8859-1" ||
         charset == "l1";
}

using Converter = std::unique_ptr<UConverter, decltype(&ucnv_close)>;

std::optional<std::string> utf16ToUtf8(const std::vector<UChar>& text, int32_t length) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t needed = 0;
  u_strToUTF8(nullptr, 0, &needed, text.data(), length, &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::nullopt;
  std::string out(static_cast<std::size_t>(needed), '\0');
  status = U_ZERO_ERROR;
  u_strToUTF8(out.data(), needed, nullptr, text.data(), length, &status);
  if (U_FAILURE(status)) return std::nullopt;
  return out;
}

// Decoding stops at the first byte sequence the charset does not allow, as the platform's text
// type does: a garbled reply reads as no text rather than as a text with holes.
std::optional<std::string> decodeWith(UConverter* converter, std::string_view bytes) {
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  if (U_FAILURE(status)) return std::nullopt;
  // One UTF-16 unit per byte is enough for most charsets, but not for all: a compressing one
  // (BOCU-1, SCSU) can give a surrogate pair for a single byte. Too small a buffer is told by
  // the length needed, and the text is decoded again into one that size.
  std::vector<UChar> text(bytes.size() + 1);
  int32_t length = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    status = U_ZERO_ERROR;
    length = ucnv_toUChars(converter, text.data(), static_cast<int32_t>(text.size()), bytes.data(),
                           static_cast<int32_t>(bytes.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR) break;
    text.resize(static_cast<std::size_t>(length) + 1);
  }
  if (U_FAILURE(status)) return std::nullopt;
  return utf16ToUtf8(text, length);
}

}  // namespace

std::optional<std::string> charsetOfContentType(std::string_view contentType) {
  std::size_t at = contentType.find(';');
  while (at != std::string_view::npos) {
    contentType.remove_prefix(at + 1);
    at = contentType.find(';');
    const auto parameter = trimmed(contentType.substr(0, at));
    const auto equals = parameter.find('=');
    if (equals == std::string_view::npos ||
        lower(trimmed(parameter.substr(0, equals))) != "charset")
      continue;
    auto value = trimmed(parameter.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (!value.empty()) return lower(value);
  }
  return std::nullopt;
}

std::optional<std::string> decodeText(std::string_view bytes, std::string_view charset) {
  const std::string name = lower(charset);
  if (isLatin1(name)) return latin1ToUtf8(bytes);
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name.c_str(), &status), &ucnv_close);
  if (U_FAILURE(status) || !converter) return latin1ToUtf8(bytes);
  return decodeWith(converter.get(), bytes);
}

}  // namespace vokari
