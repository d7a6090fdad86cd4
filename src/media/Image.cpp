#include "media/Image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

extern "C" {
#include <libswscale/swscale.h>
}

#include "media/Orientation.h"
#include "media/Scale.h"

namespace vokari {

namespace media {

Image uprightCanvas(int width, int height, int orientation) {
  bool swap = swapsSides(orientation);
  Image out{swap ? height : width, swap ? width : height, {}};
  out.rgb.resize(std::size_t(width) * height * 3);
  return out;
}

void placeRow(Image& upright, int orientation, int width, int height, int y,
              const std::uint8_t* row) {
  // Where the row's first pixel lands and how far each next one is from it, in pixels.
  using I = std::int64_t;
  const I w = width, h = height, yy = y;
  I first = yy * w, step = 1;
  switch (orientation) {
    case 2:
      first = yy * w + w - 1, step = -1;
      break;  // mirrored
    case 3:
      first = (h - 1 - yy) * w + w - 1, step = -1;
      break;  // half turn
    case 4:
      first = (h - 1 - yy) * w, step = 1;
      break;  // mirrored upside down
    case 5:
      first = yy, step = h;
      break;  // transposed
    case 6:
      first = h - 1 - yy, step = h;
      break;  // a quarter clockwise
    case 7:
      first = (w - 1) * h + h - 1 - yy, step = -h;
      break;  // transversed
    case 8:
      first = (w - 1) * h + yy, step = -h;
      break;  // a quarter back
    default:
      break;
  }
  if (step == 1) {
    std::memcpy(upright.rgb.data() + first * 3, row, std::size_t(width) * 3);
    return;
  }
  std::uint8_t* base = upright.rgb.data();
  for (I x = 0, at = first; x < w; ++x, at += step) std::memcpy(base + at * 3, row + x * 3, 3);
}

}  // namespace media

Image oriented(const Image& image, int orientation) {
  if (orientation < 2 || orientation > 8 || image.empty()) return image;
  Image out = media::uprightCanvas(image.width, image.height, orientation);
  for (int y = 0; y < image.height; ++y) {
    media::placeRow(out, orientation, image.width, image.height, y,
                    image.rgb.data() + std::size_t(y) * image.width * 3);
  }
  return out;
}

namespace {

// Nearest pixel; for the sizes libswscale will not take (a single row or column).
Image nearestScaled(const Image& image, int width, int height) {
  Image out{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
  for (int y = 0; y < height; ++y) {
    int sy = static_cast<int>(std::int64_t(y) * image.height / height);
    for (int x = 0; x < width; ++x) {
      int sx = static_cast<int>(std::int64_t(x) * image.width / width);
      std::memcpy(&out.rgb[(std::size_t(y) * width + x) * 3],
                  &image.rgb[(std::size_t(sy) * image.width + sx) * 3], 3);
    }
  }
  return out;
}

// An area filter keeps shrunk thumbnails smooth; libswscale takes no single row or column.
Image scaled(const Image& image, int width, int height) {
  std::optional<Image> out;
  if (image.width >= 2 && image.height >= 2)
    out = media::scaledImage(image, width, height, SWS_AREA | SWS_ACCURATE_RND);
  return out ? std::move(*out) : nearestScaled(image, width, height);
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
  // The part of the picture that lands on the canvas, in source pixels: cut first, so that a
  // picture of 1 x 100,000 never becomes 80 x 8,000,000 on its way to 80 x 80.
  int keptWidth = std::clamp(int(std::lround(width / f)), 1, image.width);
  int keptHeight = std::clamp(int(std::lround(height / f)), 1, image.height);
  int x0 = fx < fy ? (image.width - keptWidth) / 2 : 0;
  Image kept = cropped(image, x0, 0, keptWidth, keptHeight);
  if (keptWidth == width && keptHeight == height) return kept;
  return scaled(kept, width, height);
}

std::optional<Image> pictureThumbnail(const std::string& path, int width, int height) {
  auto image = decodeImageFile(path, Size{width, height});
  if (!image) return std::nullopt;
  return imageByScalingAndCroppingForSize(*image, width, height);
}

}  // namespace vokari
