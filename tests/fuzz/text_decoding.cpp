// Decoding reply bodies by the charset their Content-Type names. First line: the Content-Type
// value; the rest: the body. Whatever decodes must be valid UTF-8.

#include <unicode/utf8.h>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const auto contentType = input.line();
  const auto body = input.rest();
  const auto charset = charsetOfContentType(contentType);
  const std::string named = charset.value_or("utf-8");
  for (std::string_view name : {std::string_view(named), std::string_view("utf-8"),
                                std::string_view("gbk")}) {
    if (auto text = decodeText(body, name); text && !validUtf8(*text)) __builtin_trap();
  }
  return 0;
}
