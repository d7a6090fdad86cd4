#include "core/Base64.h"

namespace vokari {

std::string Base64::base64EncodedString(std::string_view bytes) {
  return base64EncodedString(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::string Base64::base64EncodedString(std::span<const std::uint8_t> bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::size_t left = bytes.size() - i;
    std::uint32_t group = std::uint32_t{bytes[i]} << 16;
    if (left > 1) group |= std::uint32_t{bytes[i + 1]} << 8;
    if (left > 2) group |= bytes[i + 2];
    out += kAlphabet[(group >> 18) & 63];
    out += kAlphabet[(group >> 12) & 63];
    out += left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
    out += left > 2 ? kAlphabet[group & 63] : '=';
  }
  return out;
}

}  // namespace vokari
