// What a program knows of pictures without opening the codec module: the pixels of a decoded
// one, and the format a file's first bytes announce.

#include <algorithm>

#include "media/Image.h"

namespace vokari {
namespace {

bool startsWith(std::string_view bytes, std::string_view prefix, std::size_t at = 0) {
  return bytes.size() >= at + prefix.size() && bytes.substr(at, prefix.size()) == prefix;
}

}  // namespace

std::uint32_t Image::pixel(int x, int y) const {
  std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
  return (std::uint32_t{rgb[at]} << 16) | (std::uint32_t{rgb[at + 1]} << 8) | rgb[at + 2];
}

Image Image::filled(int width, int height, std::uint32_t color) {
  Image image{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
  image.fill(0, 0, width, height, color);
  return image;
}

void Image::fill(int x0, int y0, int w, int h, std::uint32_t color) {
  for (int y = std::max(0, y0); y < std::min(height, y0 + h); ++y) {
    for (int x = std::max(0, x0); x < std::min(width, x0 + w); ++x) {
      std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
      rgb[at] = static_cast<std::uint8_t>(color >> 16);
      rgb[at + 1] = static_cast<std::uint8_t>(color >> 8);
      rgb[at + 2] = static_cast<std::uint8_t>(color);
    }
  }
}

PictureFormat pictureFormatOf(std::string_view head) {
  using namespace std::literals;
  if (startsWith(head, "\xff\xd8\xff"sv)) return PictureFormat::Jpeg;
  if (startsWith(head, "\x89PNG\r\n\x1a\n"sv)) return PictureFormat::Png;
  if (startsWith(head, "GIF87a"sv) || startsWith(head, "GIF89a"sv)) return PictureFormat::Gif;
  if (startsWith(head, "RIFF"sv) && startsWith(head, "WEBP"sv, 8)) return PictureFormat::WebP;
  if (startsWith(head, "ftyp"sv, 4)) {
    for (std::string_view brand :
         {"heic"sv, "heix"sv, "heim"sv, "heis"sv, "mif1"sv, "avif"sv, "avis"sv}) {
      if (startsWith(head, brand, 8)) return PictureFormat::Heic;
    }
  }
  return PictureFormat::None;
}

}  // namespace vokari
