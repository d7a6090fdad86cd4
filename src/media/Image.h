#pragma once
// Pictures as the report attachments and news cards need them: decoded upright from JPEG, PNG,
// GIF, WebP or HEIC, encoded as JPEG, cut to an exact thumbnail size, and a video's first frame
// upright. Decoding allocates for its target, never for what a file merely declares.
// Stateless; any thread.

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

// Pictures are decoded to at most this many pixels: JPEG and WebP scaled down while decoding to
// fit, the other formats refused above it.
inline constexpr std::int64_t kMaxPicturePixels = 48'000'000;
// What one decode may allocate: its output and what the decoder holds beside it (a progressive
// JPEG's coefficients, a HEIF decoder's planes). A picture that would need more is refused.
inline constexpr std::int64_t kDecodeBudgetBytes = 160ll << 20;
// Picture files are read whole; larger ones are refused.
inline constexpr std::uint64_t kMaxPictureFileBytes = 128ull << 20;

enum class PictureFormat { None, Jpeg, Png, Gif, WebP, Heic };
// The format the first bytes of a file announce (16 are enough); none for anything else.
PictureFormat pictureFormatOf(std::string_view head);

struct Size {
  int width = 0;
  int height = 0;
};

// The picture upright (a JPEG's EXIF orientation applied), or none for damaged data, an
// unknown format or one over the pixel limit. With `cover`, a JPEG comes back at the smallest of
// libjpeg's scales (eighths) that still covers that size, as a thumbnail of it needs.
std::optional<Image> decodeImage(std::string_view bytes, std::optional<Size> cover = std::nullopt);
std::optional<Image> decodeImageFile(const std::string& path,
                                     std::optional<Size> cover = std::nullopt);
// JPEG at a quality of 1 (strongest compression) to 100; none when encoding fails. It carries
// no metadata, so its pixels are all there is to its orientation.
std::optional<std::string> encodeJpeg(const Image& image, int quality);

// The picture scaled to cover the target in both directions, then cut to exactly the target:
// a relatively wider picture loses equal parts left and right, a relatively taller one keeps
// its top edge and loses only its bottom. A picture of the target size comes back unchanged.
// Only the part that stays is scaled, so the cost follows the target, not the picture.
Image imageByScalingAndCroppingForSize(const Image& image, int width, int height);
// The picture file's thumbnail of exactly that size; none when it cannot be decoded.
std::optional<Image> pictureThumbnail(const std::string& path, int width, int height);

// The picture turned and mirrored as an EXIF orientation (1 to 8) says; 1 or an unknown value
// leaves it as it is.
Image oriented(const Image& image, int exifOrientation);

// The first frame of the video file, turned as the video's rotation says so that a video
// recorded upright gives an upright picture; none for no path or when no frame can be had.
std::optional<Image> getImage(const std::optional<std::string>& videoPath);

enum class MediaKind { None, Picture, Movie };
// What the file holds, decided by its first bytes and FFmpeg's probe of the start of it (never
// by its name, never by reading all of it): a picture format this module decodes, a container
// with a video stream, or neither.
MediaKind mediaKindOfFile(const std::string& path);

}  // namespace vokari
