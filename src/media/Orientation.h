#pragma once
// Internal to the media module: placing decoded rows into an upright picture.

#include <cstdint>

#include "media/Image.h"

namespace vokari::media {

// Whether the orientation swaps width and height (5 to 8 turn by a quarter).
inline bool swapsSides(int orientation) {
  return orientation >= 5 && orientation <= 8;
}

// An upright picture for a stored width x height one.
Image uprightCanvas(int width, int height, int orientation);

// Copies row y of a stored width x height picture into the upright picture, so that a decoder
// can apply the orientation as the rows arrive, without a second copy of the picture.
void placeRow(Image& upright, int orientation, int width, int height, int y,
              const std::uint8_t* row);

}  // namespace vokari::media
