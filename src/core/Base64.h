#pragma once
// Base64 as the crime-report service takes attachments: RFC 4648 alphabet, "=" padding, one line.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vokari {

class Base64 final {
 public:
  // Any bytes; a text is encoded from its UTF-8 bytes, which is what a std::string holds.
  static std::string base64EncodedString(std::string_view bytes);
  static std::string base64EncodedString(std::span<const std::uint8_t> bytes);
};

}  // namespace vokari
