// Picture files of every format the client reads: decoded whole or for a thumbnail's size, then
// cut to the thumbnail. Whatever a file declares, the result keeps the pixel limit and what
// was decoded is all there.

#include "FuzzInput.h"
#include "media/Image.h"

using namespace vokari;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::size_t cover = input.choose(4);
  const std::optional<Size> sizes[] = {std::nullopt, Size{80, 80}, Size{1, 400}, Size{390, 0}};
  auto image = decodeImage(input.rest(), sizes[cover]);
  if (!image) return 0;
  if (image->empty() || std::int64_t(image->width) * image->height > kMaxPicturePixels ||
      image->rgb.size() != std::size_t(image->width) * image->height * 3)
    __builtin_trap();
  Image thumbnail = imageByScalingAndCroppingForSize(*image, 80, 80);
  if (thumbnail.width != 80 || thumbnail.height != 80) __builtin_trap();
  return 0;
}
