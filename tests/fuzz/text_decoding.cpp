// Decoding reply bodies by the charset their Content-Type names. First line: the Content-Type
// value; next byte: a charset for the round trip; the rest: the body. Whatever decodes must be
// valid UTF-8, and a body that is UTF-8 text, written in a charset a server may use, must read
// back unchanged.

#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <memory>
#include <vector>

#include "FuzzInput.h"
#include "transport/TextDecoding.h"

using namespace vokari;

namespace {

bool validUtf8(const std::string& text) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int32_t>(text.size());
  for (std::int32_t at = 0; at < length;) {
    UChar32 c;
    U8_NEXT(bytes, at, length, c);
    if (c < 0) return false;
  }
  return true;
}

// Stops at any character the charset lacks. ICU's own stop callback lets one that is default
// ignorable (U+202A and the like) be dropped, and the round trip would then lose it.
void stopAtAny(const void*, UConverterFromUnicodeArgs*, const UChar*, int32_t, UChar32,
               UConverterCallbackReason, UErrorCode*) {}

// The text in the charset; none when the charset cannot hold it.
std::optional<std::string> encode(std::string_view text, const char* charset) {
  UErrorCode status = U_ZERO_ERROR;
  std::vector<UChar> units(text.size() + 1);
  int32_t length = 0;
  u_strFromUTF8(units.data(), static_cast<int32_t>(units.size()), &length, text.data(),
                static_cast<int32_t>(text.size()), &status);
  std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(ucnv_open(charset, &status),
                                                               &ucnv_close);
  if (U_FAILURE(status)) return std::nullopt;
  ucnv_setFromUCallBack(converter.get(), stopAtAny, nullptr, nullptr, nullptr, &status);
  std::string bytes(text.size() * 4 + 16, '\0');
  bytes.resize(static_cast<std::size_t>(ucnv_fromUChars(converter.get(), bytes.data(),
                                                        static_cast<int32_t>(bytes.size()),
                                                        units.data(), length, &status)));
  if (U_FAILURE(status)) return std::nullopt;
  return bytes;
}

constexpr const char* kCharsets[] = {"utf-8",  "utf-16", "utf-16be",   "utf-32",      "gb18030",
                                     "gbk",    "big5",   "shift_jis",  "euc-kr",      "utf-7",
                                     "bocu-1", "scsu",   "iso-8859-1", "windows-1252"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const auto contentType = input.line();
  const char* roundTrip = kCharsets[input.choose(std::size(kCharsets))];
  const auto body = input.rest();
  const auto charset = charsetOfContentType(contentType);
  const std::string named = charset.value_or("utf-8");
  for (std::string_view name :
       {std::string_view(named), std::string_view("utf-8"), std::string_view("gbk")}) {
    if (auto text = decodeText(body, name); text && !validUtf8(*text)) __builtin_trap();
  }
  if (validUtf8(std::string(body))) {
    if (auto bytes = encode(body, roundTrip); bytes && decodeText(*bytes, roundTrip) != body)
      __builtin_trap();
  }
  return 0;
}
