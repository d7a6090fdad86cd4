// GIF (first frame) through giflib, WebP (the first frame of an animation) through libwebp,
// HEIC and AVIF through libheif. Each checks the size the file declares against the limits
// before it allocates for it; transparent parts are put on white.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include <gif_lib.h>
#include <libheif/heif.h>
#include <webp/decode.h>
#include <webp/demux.h>

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

namespace {

// RGBA rows (4 bytes a pixel) put on white and packed into RGB in the same buffer, which keeps
// its size: converting in place needs no second copy of the picture.
void onWhite(std::vector<std::uint8_t>& pixels, std::size_t count) {
  const std::uint8_t* from = pixels.data();
  std::uint8_t* to = pixels.data();
  for (std::size_t i = 0; i < count; ++i, from += 4, to += 3) {
    const int alpha = from[3];
    for (int c = 0; c < 3; ++c)
      to[c] = static_cast<std::uint8_t>((from[c] * alpha + 255 * (255 - alpha) + 127) / 255);
  }
  pixels.resize(count * 3);
}

// One WebP frame (a still file or an animation's frame data) at width x height, on white.
std::optional<Image> decodeWebPFrame(const std::uint8_t* data, std::size_t size,
                                     const WebPBitstreamFeatures& features, int width, int height) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return std::nullopt;
  const int channels = features.has_alpha ? 4 : 3;
  std::vector<std::uint8_t> pixels(std::size_t(width) * height * channels);
  if (width != features.width || height != features.height) {
    config.options.use_scaling = 1;
    config.options.scaled_width = width;
    config.options.scaled_height = height;
  }
  config.output.colorspace = features.has_alpha ? MODE_RGBA : MODE_RGB;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = pixels.data();
  config.output.u.RGBA.stride = width * channels;
  config.output.u.RGBA.size = pixels.size();
  const bool decoded = WebPDecode(data, size, &config) == VP8_STATUS_OK;
  WebPFreeDecBuffer(&config.output);
  if (!decoded) return std::nullopt;
  if (features.has_alpha) onWhite(pixels, std::size_t(width) * height);
  return Image{width, height, std::move(pixels)};
}

// The sides a still WebP is decoded at: as stored, or scaled down (libwebp scales while it
// decodes) to what covers `cover` or to what fits the limits.
Size webpSides(int width, int height, int channels, std::optional<Size> cover) {
  const double pixels = double(width) * height;
  double scale = std::min(
      1.0, std::sqrt(std::min<double>(kMaxPicturePixels, kDecodeBudgetBytes / channels) / pixels));
  if (cover && cover->width > 0 && cover->height > 0)
    scale = std::min(scale, std::max(double(cover->width) / width, double(cover->height) / height));
  if (scale >= 1.0) return {width, height};
  return {std::max(1, int(std::ceil(width * scale - 1e-9))),
          std::max(1, int(std::ceil(height * scale - 1e-9)))};
}

// The first frame of an animation, placed on a white canvas as the animation starts.
std::optional<Image> firstWebPFrame(const std::uint8_t* data, std::size_t size) {
  WebPData whole{data, size};
  std::unique_ptr<WebPDemuxer, void (*)(WebPDemuxer*)> demux(WebPDemux(&whole), WebPDemuxDelete);
  if (!demux) return std::nullopt;
  const int width = int(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH));
  const int height = int(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT));
  WebPIterator frame;
  if (!withinLimit(width, height) || !WebPDemuxGetFrame(demux.get(), 1, &frame))
    return std::nullopt;
  std::unique_ptr<WebPIterator, void (*)(WebPIterator*)> release(&frame, WebPDemuxReleaseIterator);
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(frame.fragment.bytes, frame.fragment.size, &features) != VP8_STATUS_OK ||
      std::int64_t(width) * height * 3 + std::int64_t(features.width) * features.height * 4 >
          kDecodeBudgetBytes)
    return std::nullopt;
  auto part = decodeWebPFrame(frame.fragment.bytes, frame.fragment.size, features, features.width,
                              features.height);
  if (!part) return std::nullopt;
  Image canvas = Image::filled(width, height, 0xffffff);
  for (int y = 0; y < part->height && frame.y_offset + y < height; ++y) {
    const int across = std::min(part->width, width - frame.x_offset);
    if (across <= 0) break;
    std::memcpy(canvas.rgb.data() + (std::size_t(frame.y_offset + y) * width + frame.x_offset) * 3,
                part->rgb.data() + std::size_t(y) * part->width * 3, std::size_t(across) * 3);
  }
  return canvas;
}

}  // namespace

std::optional<Image> decodeWebP(std::string_view bytes, std::optional<Size> cover) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(data, bytes.size(), &features) != VP8_STATUS_OK || features.width <= 0 ||
      features.height <= 0)
    return std::nullopt;
  if (features.has_animation) return firstWebPFrame(data, bytes.size());
  const Size sides = webpSides(features.width, features.height, features.has_alpha ? 4 : 3, cover);
  return decodeWebPFrame(data, bytes.size(), features, sides.width, sides.height);
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

namespace {

// What libheif holds at its peak for a picture of `pixels`: the decoded planes (all three at
// full size for 4:4:4, two bytes a sample above 8 bits, an alpha plane) beside the RGB(A) it
// converts them to; then that RGB(A) beside our copy.
std::int64_t heifDecodeBytes(const heif_image_handle* handle, std::int64_t pixels) {
  const bool alpha = heif_image_handle_has_alpha_channel(handle);
  const std::int64_t sample = heif_image_handle_get_luma_bits_per_pixel(handle) > 8 ? 2 : 1;
  const std::int64_t planes = pixels * sample * (alpha ? 4 : 3);
  const std::int64_t converted = pixels * (alpha ? 4 : 3);
  return std::max(planes + converted, converted + pixels * 3);
}

}  // namespace

std::optional<Image> decodeHeic(std::string_view bytes) {
  std::unique_ptr<heif_context, HeifContextFree> context(heif_context_alloc());
  if (!context ||
      heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr)
              .code != heif_error_Ok)
    return std::nullopt;
  // An image sequence without a still picture has no primary image, and is refused here.
  heif_image_handle* rawHandle = nullptr;
  if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok)
    return std::nullopt;
  std::unique_ptr<heif_image_handle, HeifHandleFree> handle(rawHandle);
  // The sides as shown, after the file's own rotation and mirroring, which libheif applies.
  // libheif cannot decode scaled down, so a picture it would need too much memory for is refused.
  const int width = heif_image_handle_get_width(handle.get());
  const int height = heif_image_handle_get_height(handle.get());
  if (!withinLimit(width, height) ||
      heifDecodeBytes(handle.get(), std::int64_t(width) * height) > kDecodeBudgetBytes)
    return std::nullopt;
  const bool alpha = heif_image_handle_has_alpha_channel(handle.get());
  heif_image* rawImage = nullptr;
  if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr)
          .code != heif_error_Ok)
    return std::nullopt;
  std::unique_ptr<heif_image, HeifImageFree> decoded(rawImage);
  int stride = 0;
  const std::uint8_t* plane =
      heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
  const int w = heif_image_get_width(decoded.get(), heif_channel_interleaved);
  const int h = heif_image_get_height(decoded.get(), heif_channel_interleaved);
  const int channels = alpha ? 4 : 3;
  if (!plane || w <= 0 || h <= 0 || !withinLimit(w, h) || stride < w * channels)
    return std::nullopt;
  Image image{w, h, std::vector<std::uint8_t>(std::size_t(w) * h * channels)};
  for (int y = 0; y < h; ++y) {
    std::memcpy(image.rgb.data() + std::size_t(y) * w * channels, plane + std::size_t(y) * stride,
                std::size_t(w) * channels);
  }
  if (alpha) onWhite(image.rgb, std::size_t(w) * h);
  return image;
}

}  // namespace vokari::media
