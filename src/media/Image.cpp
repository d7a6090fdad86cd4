#include "media/Image.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

extern "C" {
#include <libswscale/swscale.h>
}

namespace vokari {

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

std::optional<Image> decodeImageFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return decodeImage(bytes.str());
}

namespace {

// Scales RGB pictures with libswscale; an area filter keeps shrunk thumbnails smooth.
std::optional<Image> scaled(const Image& image, int width, int height) {
  SwsContext* context =
      sws_getContext(image.width, image.height, AV_PIX_FMT_RGB24, width, height, AV_PIX_FMT_RGB24,
                     SWS_AREA | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
  if (!context) return std::nullopt;
  Image out{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
  const std::uint8_t* src[4] = {image.rgb.data(), nullptr, nullptr, nullptr};
  int srcStride[4] = {image.width * 3, 0, 0, 0};
  std::uint8_t* dst[4] = {out.rgb.data(), nullptr, nullptr, nullptr};
  int dstStride[4] = {width * 3, 0, 0, 0};
  sws_scale(context, src, srcStride, 0, image.height, dst, dstStride);
  sws_freeContext(context);
  return out;
}

Image cropped(const Image& image, int x0, int y0, int width, int height) {
  Image out{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = image.rgb.data() + (std::size_t(y0 + y) * image.width + x0) * 3;
    std::copy(row, row + std::size_t(width) * 3, out.rgb.data() + std::size_t(y) * width * 3);
  }
  return out;
}

}  // namespace

Image imageByScalingAndCroppingForSize(const Image& image, int width, int height) {
  if (image.empty() || width <= 0 || height <= 0)
    return Image::filled(std::max(width, 0), std::max(height, 0), 0);
  if (image.width == width && image.height == height) return image;
  double fx = double(width) / image.width, fy = double(height) / image.height;
  double f = std::max(fx, fy);
  // The drawn size, in whole pixels, never smaller than the canvas it must cover.
  int drawnWidth = std::max(width, int(std::lround(image.width * f)));
  int drawnHeight = std::max(height, int(std::lround(image.height * f)));
  auto drawn = scaled(image, drawnWidth, drawnHeight);
  if (!drawn) return Image::filled(width, height, 0);
  int x0 = fx < fy ? (drawnWidth - width) / 2 : 0;
  return cropped(*drawn, x0, 0, width, height);
}

}  // namespace vokari
