#pragma once
// Pictures the tests write themselves in every format the media module reads: a four-colour
// picture (red top left, blue top right, green bottom left, white bottom right) so that any
// turn or mirror shows, JPEG with an EXIF orientation, an animated GIF whose frames differ.

#include <gif_lib.h>
#include <libexif/exif-data.h>
#include <libheif/heif.h>
#include <png.h>
#include <webp/encode.h>
#include <zlib.h>

#include <cstring>
#include <string>

#include "media/Image.h"

namespace vokari::testing {

inline constexpr std::uint32_t kRed = 0xff0000, kGreen = 0x00ff00, kBlue = 0x0000ff,
                               kWhite = 0xffffff, kBlack = 0x000000;

inline Image quadrants(int width, int height) {
  Image image = Image::filled(width, height, kWhite);
  image.fill(0, 0, width / 2, height / 2, kRed);
  image.fill(width / 2, 0, width - width / 2, height / 2, kBlue);
  image.fill(0, height / 2, width / 2, height - height / 2, kGreen);
  return image;
}

// Whether a pixel is close to a colour; scaling and lossy codecs leave small errors.
inline bool near(std::uint32_t got, std::uint32_t want, int tolerance = 40) {
  for (int shift : {16, 8, 0}) {
    int a = (got >> shift) & 0xff, b = (want >> shift) & 0xff;
    if (std::abs(a - b) > tolerance) return false;
  }
  return true;
}

// The JPEG with an APP1 EXIF segment carrying the orientation (none for 0), right after its
// start marker.
inline std::string withOrientation(const std::string& jpeg, int orientation) {
  ExifData* exif = exif_data_new();
  exif_data_set_byte_order(exif, EXIF_BYTE_ORDER_MOTOROLA);
  ExifEntry* entry = exif_entry_new();
  exif_content_add_entry(exif->ifd[EXIF_IFD_0], entry);
  exif_entry_initialize(entry, orientation ? EXIF_TAG_ORIENTATION : EXIF_TAG_X_RESOLUTION);
  if (orientation)
    exif_set_short(entry->data, EXIF_BYTE_ORDER_MOTOROLA, static_cast<ExifShort>(orientation));
  exif_entry_unref(entry);
  unsigned char* data = nullptr;
  unsigned int size = 0;
  exif_data_save_data(exif, &data, &size);
  exif_data_unref(exif);
  std::string segment = "\xff\xe1";
  segment += static_cast<char>((size + 2) >> 8);
  segment += static_cast<char>((size + 2) & 0xff);
  segment.append(reinterpret_cast<const char*>(data), size);
  std::free(data);
  return jpeg.substr(0, 2) + segment + jpeg.substr(2);
}

inline std::string encodePng(const Image& image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&png, nullptr, &size, 0, image.rgb.data(), 0, nullptr);
  std::string out(size, '\0');
  if (!png_image_write_to_memory(&png, out.data(), &size, 0, image.rgb.data(), 0, nullptr))
    return {};
  out.resize(size);
  return out;
}

// A PNG that only declares its size: a header and no pixel data.
inline std::string pngDeclaring(std::uint32_t width, std::uint32_t height) {
  std::string chunk = "IHDR";
  for (std::uint32_t v : {width, height})
    for (int s : {24, 16, 8, 0}) chunk += static_cast<char>(v >> s);
  chunk += std::string("\x08\x02\x00\x00\x00", 5);
  auto crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), chunk.size());
  std::string out = "\x89PNG\r\n\x1a\n";
  out += std::string("\x00\x00\x00\x0d", 4) + chunk;
  for (int s : {24, 16, 8, 0}) out += static_cast<char>(crc >> s);
  return out;
}

inline std::string encodeWebP(const Image& image) {
  std::uint8_t* data = nullptr;
  std::size_t size =
      WebPEncodeLosslessRGB(image.rgb.data(), image.width, image.height, image.width * 3, &data);
  std::string out(reinterpret_cast<const char*>(data), size);
  WebPFree(data);
  return out;
}

inline std::string encodeHeic(const Image& image) {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_image* picture = nullptr;
  std::string out;
  if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code ==
          heif_error_Ok &&
      heif_image_create(image.width, image.height, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                        &picture)
              .code == heif_error_Ok &&
      heif_image_add_plane(picture, heif_channel_interleaved, image.width, image.height, 8).code ==
          heif_error_Ok) {
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
    for (int y = 0; y < image.height; ++y)
      std::memcpy(plane + y * stride, &image.rgb[std::size_t(y) * image.width * 3],
                  std::size_t(image.width) * 3);
    heif_encoder_set_lossy_quality(encoder, 95);
    heif_writer writer{1, [](heif_context*, const void* data, std::size_t size, void* into) {
                         static_cast<std::string*>(into)->append(static_cast<const char*>(data),
                                                                 size);
                         return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                       }};
    if (heif_context_encode_image(context, picture, encoder, nullptr, nullptr).code ==
        heif_error_Ok)
      heif_context_write(context, &writer, &out);
  }
  if (picture) heif_image_release(picture);
  if (encoder) heif_encoder_release(encoder);
  heif_context_free(context);
  return out;
}

// A WebP (lossless) or GIF that only declares its size.
inline std::string webpDeclaring(std::uint32_t width, std::uint32_t height) {
  std::uint32_t bits = (width - 1) | (height - 1) << 14;
  std::string out = "RIFF";
  out += std::string("\x12\x00\x00\x00", 4) + "WEBPVP8L" + std::string("\x05\x00\x00\x00\x2f", 5);
  for (int s : {0, 8, 16, 24}) out += static_cast<char>(bits >> s);
  return out + std::string(1, '\0');
}
inline std::string gifDeclaring(std::uint16_t width, std::uint16_t height) {
  std::string out = "GIF89a";
  for (std::uint16_t v : {width, height}) out += {static_cast<char>(v), static_cast<char>(v >> 8)};
  return out + std::string(3, '\0') + ";";
}

// A GIF of the frames (each of the picture's size, at most 256 colours between them); an
// interlaced one stores its rows in the four passes' order.
inline std::string encodeGif(const std::vector<Image>& frames, bool interlaced = false) {
  std::string out;
  int error = 0;
  GifFileType* gif = EGifOpen(
      &out,
      [](GifFileType* g, const GifByteType* data, int size) {
        static_cast<std::string*>(g->UserData)->append(reinterpret_cast<const char*>(data), size);
        return size;
      },
      &error);
  const int w = frames[0].width, h = frames[0].height;
  std::vector<std::uint32_t> palette;
  auto indexOf = [&](std::uint32_t color) {
    for (std::size_t i = 0; i < palette.size(); ++i)
      if (palette[i] == color) return static_cast<GifPixelType>(i);
    palette.push_back(color);
    return static_cast<GifPixelType>(palette.size() - 1);
  };
  std::vector<std::vector<GifPixelType>> indices;
  for (const Image& frame : frames) {
    indices.emplace_back();
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) indices.back().push_back(indexOf(frame.pixel(x, y)));
  }
  ColorMapObject* map = GifMakeMapObject(256, nullptr);
  for (std::size_t i = 0; i < palette.size(); ++i)
    map->Colors[i] = {GifByteType(palette[i] >> 16), GifByteType(palette[i] >> 8),
                      GifByteType(palette[i])};
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, w, h, 8, 0, map);
  for (auto& frame : indices) {
    EGifPutImageDesc(gif, 0, 0, w, h, interlaced, nullptr);
    std::vector<int> rows;
    for (int pass = 0; pass < (interlaced ? 4 : 1); ++pass) {
      const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
      for (int y = interlaced ? start[pass] : 0; y < h; y += interlaced ? step[pass] : 1)
        rows.push_back(y);
    }
    for (int y : rows) EGifPutLine(gif, frame.data() + std::size_t(y) * w, w);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

}  // namespace vokari::testing
