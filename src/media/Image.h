#pragma once
// Pictures as the report attachments need them: decoded from JPEG or PNG, encoded as JPEG,
// cut to an exact thumbnail size, and a video's first frame upright. Stateless; any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vokari {

// A decoded picture: 8-bit RGB, rows top to bottom, no padding.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3 bytes

  bool empty() const { return width <= 0 || height <= 0; }
  // The red, green and blue of one pixel.
  std::uint32_t pixel(int x, int y) const;
  static Image filled(int width, int height, std::uint32_t rgb);
  void fill(int x, int y, int width, int height, std::uint32_t rgb);
};

// A JPEG or PNG picture; none for anything else or damaged data.
std::optional<Image> decodeImage(std::string_view bytes);
std::optional<Image> decodeImageFile(const std::string& path);
// JPEG at a quality of 1 (strongest compression) to 100; none when encoding fails.
std::optional<std::string> encodeJpeg(const Image& image, int quality);

// The picture scaled to cover the target in both directions, then cut to exactly the target:
// a relatively wider picture loses equal parts left and right, a relatively taller one keeps
// its top edge and loses only its bottom. A picture of the target size comes back unchanged.
Image imageByScalingAndCroppingForSize(const Image& image, int width, int height);

// The first frame of the video file, turned as the video's rotation says so that a video
// recorded upright gives an upright picture; none for no path or when no frame can be had.
std::optional<Image> getImage(const std::optional<std::string>& videoPath);

enum class MediaKind { None, Picture, Movie };
// What the file holds, decided by its content: a picture this module decodes, a file with a
// video stream, or neither.
MediaKind mediaKindOfFile(const std::string& path);

}  // namespace vokari
