#pragma once
// Internal to the media module: the table of operations the codec module hands to the programs
// that open it. Both sides are built from this one header in one build, so the table needs no
// version beyond its size.

#include "media/Image.h"

namespace vokari::media {

struct Api {
  std::size_t size = sizeof(Api);
  std::optional<Image> (*decodeImage)(std::string_view, std::optional<Size>);
  std::optional<Image> (*decodeImageFile)(const std::string&, std::optional<Size>);
  std::optional<std::string> (*encodeJpeg)(const Image&, int);
  Image (*imageByScalingAndCroppingForSize)(const Image&, int, int);
  std::optional<Image> (*pictureThumbnail)(const std::string&, int, int);
  Image (*oriented)(const Image&, int);
  std::optional<Image> (*getImage)(const std::optional<std::string>&);
  MediaKind (*mediaKindOfFile)(const std::string&);
};

// The module's one exported symbol.
inline constexpr const char* kApiSymbol = "vokari_media_api";
using ApiEntry = const Api* (*)();

}  // namespace vokari::media
