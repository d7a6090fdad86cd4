// GIF (first frame) through giflib, WebP through libwebp, HEIC through libheif. Each checks
// the size the file declares against the pixel limit before it allocates for it.

#include <algorithm>
#include <cstring>
#include <memory>

#include <gif_lib.h>
#include <libheif/heif.h>
#include <webp/decode.h>

#include "media/Image.h"

namespace vokari::media {
namespace {

bool withinLimit(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width * height <= kMaxPicturePixels;
}

struct GifSource {
  std::string_view bytes;
  std::size_t at = 0;
};

int readGif(GifFileType* gif, GifByteType* out, int length) {
  auto* source = static_cast<GifSource*>(gif->UserData);
  std::size_t n =
      std::min<std::size_t>(std::size_t(std::max(length, 0)), source->bytes.size() - source->at);
  std::memcpy(out, source->bytes.data() + source->at, n);
  source->at += n;
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};

// Reads the first frame's colour indices and paints them onto the canvas; a transparent index
// leaves the canvas as it is.
bool paintFirstFrame(GifFileType* gif, int transparent, Image& canvas) {
  const GifImageDesc& d = gif->Image;
  const ColorMapObject* colors = d.ColorMap ? d.ColorMap : gif->SColorMap;
  if (!colors || !withinLimit(d.Width, d.Height)) return false;
  std::vector<GifPixelType> line(std::size_t(d.Width));
  auto paintLine = [&](int y) {
    if (DGifGetLine(gif, line.data(), d.Width) != GIF_OK) return false;
    int top = d.Top + y;
    for (int x = 0; x < d.Width && top < canvas.height; ++x) {
      int left = d.Left + x;
      if (left >= canvas.width || line[x] == transparent || line[x] >= colors->ColorCount) continue;
      const GifColorType& c = colors->Colors[line[x]];
      canvas.fill(left, top, 1, 1,
                  std::uint32_t(c.Red) << 16 | std::uint32_t(c.Green) << 8 | c.Blue);
    }
    return true;
  };
  if (!d.Interlace) {
    for (int y = 0; y < d.Height; ++y)
      if (!paintLine(y)) return false;
    return true;
  }
  constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = kStart[pass]; y < d.Height; y += kStep[pass])
      if (!paintLine(y)) return false;
  }
  return true;
}

}  // namespace

std::optional<Image> decodeGif(std::string_view bytes) {
  GifSource source{bytes};
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, readGif, &error));
  if (!gif || !withinLimit(gif->SWidth, gif->SHeight)) return std::nullopt;
  Image canvas = Image::filled(gif->SWidth, gif->SHeight, 0xffffff);
  int transparent = -1;
  GifRecordType record;
  do {
    if (DGifGetRecordType(gif.get(), &record) != GIF_OK) return std::nullopt;
    if (record == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(gif.get()) != GIF_OK) return std::nullopt;
      if (!paintFirstFrame(gif.get(), transparent, canvas)) return std::nullopt;
      return canvas;  // the first frame is the picture; the rest of the file is not read
    }
    if (record == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif.get(), &code, &block) != GIF_OK) return std::nullopt;
      GraphicsControlBlock control;
      if (code == GRAPHICS_EXT_FUNC_CODE && block &&
          DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
        transparent = control.TransparentColor;
      }
      while (block) {
        if (DGifGetExtensionNext(gif.get(), &block) != GIF_OK) return std::nullopt;
      }
    }
  } while (record != TERMINATE_RECORD_TYPE);
  return std::nullopt;  // no frame at all
}

std::optional<Image> decodeWebP(std::string_view bytes) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  int width = 0, height = 0;
  if (!WebPGetInfo(data, bytes.size(), &width, &height) || !withinLimit(width, height))
    return std::nullopt;
  Image image{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
  if (!WebPDecodeRGBInto(data, bytes.size(), image.rgb.data(), image.rgb.size(), width * 3))
    return std::nullopt;
  return image;
}

namespace {
struct HeifContextFree {
  void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HeifHandleFree {
  void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct HeifImageFree {
  void operator()(heif_image* i) const { heif_image_release(i); }
};
}  // namespace

std::optional<Image> decodeHeic(std::string_view bytes) {
  std::unique_ptr<heif_context, HeifContextFree> context(heif_context_alloc());
  if (!context ||
      heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr)
              .code != heif_error_Ok)
    return std::nullopt;
  heif_image_handle* rawHandle = nullptr;
  if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok)
    return std::nullopt;
  std::unique_ptr<heif_image_handle, HeifHandleFree> handle(rawHandle);
  // The sides as shown, after the file's own rotation and mirroring, which libheif applies.
  const int width = heif_image_handle_get_width(handle.get());
  const int height = heif_image_handle_get_height(handle.get());
  if (!withinLimit(width, height)) return std::nullopt;
  heif_image* rawImage = nullptr;
  if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                        nullptr)
          .code != heif_error_Ok)
    return std::nullopt;
  std::unique_ptr<heif_image, HeifImageFree> decoded(rawImage);
  int stride = 0;
  const std::uint8_t* plane =
      heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
  const int w = heif_image_get_width(decoded.get(), heif_channel_interleaved);
  const int h = heif_image_get_height(decoded.get(), heif_channel_interleaved);
  if (!plane || w <= 0 || h <= 0 || !withinLimit(w, h)) return std::nullopt;
  Image image{w, h, std::vector<std::uint8_t>(std::size_t(w) * h * 3)};
  for (int y = 0; y < h; ++y) {
    std::memcpy(image.rgb.data() + std::size_t(y) * w * 3, plane + std::size_t(y) * stride,
                std::size_t(w) * 3);
  }
  return image;
}

}  // namespace vokari::media
