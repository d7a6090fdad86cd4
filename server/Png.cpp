#include "Png.h"

#include <zlib.h>

#include <stdexcept>

namespace vokari_backend {
namespace {

constexpr int kWidth = 96;
constexpr int kHeight = 64;

void putBigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xff);
}

void putChunk(std::string& out, const char* type, const std::string& data) {
  putBigEndian(out, static_cast<std::uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  putBigEndian(out, static_cast<std::uint32_t>(
                        crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
}

// One filter byte (none) per row, then RGB triples.
std::string pixels(std::uint32_t seed) {
  std::string raw;
  for (int y = 0; y < kHeight; ++y) {
    raw += '\0';
    for (int x = 0; x < kWidth; ++x) {
      raw += static_cast<char>((seed * 53 + y * 2) & 0xff);
      raw += static_cast<char>((seed * 97 + x) & 0xff);
      raw += static_cast<char>(160 + (y + x) % 96);
    }
  }
  return raw;
}

std::string deflated(const std::string& raw) {
  uLongf size = compressBound(raw.size());
  std::string out(size, '\0');
  if (compress(reinterpret_cast<Bytef*>(out.data()), &size,
               reinterpret_cast<const Bytef*>(raw.data()), raw.size()) != Z_OK) {
    throw std::runtime_error("cannot compress a picture");
  }
  out.resize(size);
  return out;
}

}  // namespace

std::string gradientPng(std::uint32_t seed) {
  std::string header;
  putBigEndian(header, kWidth);
  putBigEndian(header, kHeight);
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
  std::string png = "\x89PNG\r\n\x1a\n";
  putChunk(png, "IHDR", header);
  putChunk(png, "IDAT", deflated(pixels(seed)));
  putChunk(png, "IEND", "");
  return png;
}

}  // namespace vokari_backend
