#pragma once
// Internal to the media module: libswscale with the buffers it needs. Its vector code reads and
// writes whole blocks, past the end of a row whose length is not a multiple of the block, so a
// picture is never handed to it in a buffer of exactly width x height x 3 bytes.

#include <optional>

#include "media/Image.h"

struct AVFrame;

namespace vokari::media {

// The frame (any pixel format libswscale reads) as an RGB picture of width x height, or none when
// libswscale cannot convert it or memory runs out. `flags` are libswscale's (SWS_AREA, ...).
std::optional<Image> scaledFrame(const AVFrame& source, int width, int height, int flags);

// The picture scaled to width x height (both at least 1).
std::optional<Image> scaledImage(const Image& image, int width, int height, int flags);

}  // namespace vokari::media
