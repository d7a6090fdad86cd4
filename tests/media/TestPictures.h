#pragma once
// Pictures the tests write themselves in every format the media module reads: a four-colour
// picture (red top left, blue top right, green bottom left, white bottom right) so that any
// turn or mirror shows, JPEG with an EXIF orientation, an animated GIF whose frames differ.

#include <gif_lib.h>
#include <jpeglib.h>
#include <libexif/exif-data.h>
#include <libheif/heif.h>
#include <png.h>
#include <webp/encode.h>
#include <webp/mux.h>
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

// A picture with its alpha: transparent where `clear` is set, opaque elsewhere.
struct Rgba {
  int width = 0, height = 0;
  std::vector<std::uint8_t> pixels;  // 4 bytes a pixel
};
inline Rgba withClearRight(const Image& image) {
  Rgba out{image.width, image.height, {}};
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      std::uint32_t p = image.pixel(x, y);
      bool clear = x >= image.width / 2;
      // Transparent pixels keep a colour of their own, which must not show.
      out.pixels.insert(out.pixels.end(),
                        {std::uint8_t(clear ? 0 : p >> 16), std::uint8_t(clear ? 0 : p >> 8),
                         std::uint8_t(p), std::uint8_t(clear ? 0 : 255)});
    }
  return out;
}

inline std::string encodeWebPRgba(const Rgba& image, bool lossless) {
  std::uint8_t* data = nullptr;
  std::size_t size = lossless ? WebPEncodeLosslessRGBA(image.pixels.data(), image.width,
                                                       image.height, image.width * 4, &data)
                              : WebPEncodeRGBA(image.pixels.data(), image.width, image.height,
                                               image.width * 4, 90, &data);
  std::string out(reinterpret_cast<const char*>(data), size);
  WebPFree(data);
  return out;
}

// An animated WebP of the frames, each shown 100 ms.
inline std::string encodeAnimatedWebP(const std::vector<Image>& frames) {
  WebPAnimEncoderOptions options;
  WebPAnimEncoderOptionsInit(&options);
  WebPAnimEncoder* encoder = WebPAnimEncoderNew(frames[0].width, frames[0].height, &options);
  WebPConfig config;
  WebPConfigInit(&config);
  config.lossless = 1;
  int at = 0;
  for (const Image& frame : frames) {
    WebPPicture picture;
    WebPPictureInit(&picture);
    picture.width = frame.width;
    picture.height = frame.height;
    picture.use_argb = 1;
    WebPPictureImportRGB(&picture, frame.rgb.data(), frame.width * 3);
    WebPAnimEncoderAdd(encoder, &picture, at, &config);
    WebPPictureFree(&picture);
    at += 100;
  }
  WebPAnimEncoderAdd(encoder, nullptr, at, nullptr);
  WebPData data;
  WebPDataInit(&data);
  WebPAnimEncoderAssemble(encoder, &data);
  std::string out(reinterpret_cast<const char*>(data.bytes), data.size);
  WebPDataClear(&data);
  WebPAnimEncoderDelete(encoder);
  return out;
}

// A JPEG compressed with libjpeg: `configure` sets what differs from the defaults, `fill` writes
// each row (`components` bytes a pixel) just before it is compressed.
template <typename Configure, typename Fill>
std::string compressJpeg(int width, int height, int components, J_COLOR_SPACE space,
                         Configure configure, Fill fill) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = components;
  info.in_color_space = space;
  jpeg_set_defaults(&info);
  configure(info);
  jpeg_start_compress(&info, TRUE);
  std::vector<std::uint8_t> row(std::size_t(width) * components);
  while (info.next_scanline < info.image_height) {
    fill(static_cast<int>(info.next_scanline), row.data());
    JSAMPROW rows = row.data();
    jpeg_write_scanlines(&info, &rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return out;
}

// JPEGs as print exports and albums hold them: CMYK with Adobe's marker, which (as Photoshop
// writes it) stores the inks inverted, the same as YCCK, or plain CMYK without the marker.
enum class Inks { AdobeCmyk, AdobeYcck, PlainCmyk };
inline std::string encodeCmykJpeg(const Image& image, Inks inks) {
  const bool inverted = inks != Inks::PlainCmyk;
  return compressJpeg(
      image.width, image.height, 4, JCS_CMYK,
      [&](jpeg_compress_struct& info) {
        jpeg_set_colorspace(&info, inks == Inks::AdobeYcck ? JCS_YCCK : JCS_CMYK);
        info.write_Adobe_marker = inverted;
        jpeg_set_quality(&info, 95, TRUE);
      },
      [&](int y, std::uint8_t* row) {
        for (int x = 0; x < image.width; ++x) {
          std::uint32_t p = image.pixel(x, y);
          int r = p >> 16 & 0xff, g = p >> 8 & 0xff, b = p & 0xff;
          int k = 255 - std::max({r, g, b});
          int ink[4] = {0, 0, 0, k};
          for (int i = 0; i < 3 && k < 255; ++i)
            ink[i] = (255 - (i == 0 ? r : i == 1 ? g : b) - k) * 255 / (255 - k);
          for (int i = 0; i < 4; ++i)
            row[std::size_t(x) * 4 + i] = std::uint8_t(inverted ? 255 - ink[i] : ink[i]);
        }
      });
}

// A grey JPEG of any size, written a row at a time (no picture of that size is held), baseline
// or progressive; with `scans`, progressive in that many scans (at most 380): one coefficient of
// one component a scan, in two passes of successive approximation past 190.
inline std::string greyJpeg(int width, int height, bool progressive, int scans = 0) {
  std::vector<jpeg_scan_info> script;
  return compressJpeg(
      width, height, 3, JCS_RGB,
      [&](jpeg_compress_struct& info) {
        if (progressive) jpeg_simple_progression(&info);
        if (scans <= 0) return;
        const bool refine = scans > 190;
        script.push_back({3, {0, 1, 2, 0}, 0, 0, 0, refine ? 1 : 0});
        if (refine) script.push_back({3, {0, 1, 2, 0}, 0, 0, 1, 0});
        for (int pass = 0; pass < (refine ? 2 : 1); ++pass)
          for (int c = 0; c < 3; ++c)
            for (int k = 1; k < 64; ++k)
              script.push_back({1, {c, 0, 0, 0}, k, k, refine ? pass : 0, refine ? 1 - pass : 0});
        script.resize(std::min<std::size_t>(script.size(), std::size_t(scans)));
        info.scan_info = script.data();
        info.num_scans = static_cast<int>(script.size());
      },
      [&](int, std::uint8_t* row) { std::memset(row, 128, std::size_t(width) * 3); });
}

// The JPEG with the sides in its frame header replaced: a few hundred bytes that declare a
// picture of any size.
inline std::string jpegDeclaring(std::string jpeg, std::uint16_t width, std::uint16_t height) {
  for (std::size_t at = 2; at + 9 < jpeg.size();) {
    const auto marker = static_cast<unsigned char>(jpeg[at + 1]);
    if (marker >= 0xc0 && marker <= 0xc2) {
      jpeg[at + 5] = char(height >> 8), jpeg[at + 6] = char(height);
      jpeg[at + 7] = char(width >> 8), jpeg[at + 8] = char(width);
      return jpeg;
    }
    at += 2 + (static_cast<unsigned char>(jpeg[at + 2]) << 8 |
               static_cast<unsigned char>(jpeg[at + 3]));
  }
  return jpeg;
}

// The four-colour picture (48 x 32) as AVIF, made with FFmpeg's AV1 encoder (libaom, 4:4:4,
// still picture): libheif's own AV1 encoding aborts inside libaom here.
inline std::string avifQuadrants() {
  static const char bytes[] =
      "\x00\x00\x00\x20\x66\x74\x79\x70\x61\x76\x69\x66\x00\x00\x00\x00\x61\x76\x69\x66\x6d\x69\x66"
      "\x31"
      "\x6d\x69\x61\x66\x4d\x41\x31\x41\x00\x00\x00\xf9\x6d\x65\x74\x61\x00\x00\x00\x00\x00\x00\x00"
      "\x2f"
      "\x68\x64\x6c\x72\x00\x00\x00\x00\x00\x00\x00\x00\x70\x69\x63\x74\x00\x00\x00\x00\x00\x00\x00"
      "\x00"
      "\x00\x00\x00\x00\x50\x69\x63\x74\x75\x72\x65\x48\x61\x6e\x64\x6c\x65\x72\x00\x00\x00\x00\x0e"
      "\x70"
      "\x69\x74\x6d\x00\x00\x00\x00\x00\x01\x00\x00\x00\x1e\x69\x6c\x6f\x63\x00\x00\x00\x00\x44\x00"
      "\x00"
      "\x01\x00\x01\x00\x00\x00\x01\x00\x00\x01\x21\x00\x00\x00\x2d\x00\x00\x00\x28\x69\x69\x6e\x66"
      "\x00"
      "\x00\x00\x00\x00\x01\x00\x00\x00\x1a\x69\x6e\x66\x65\x02\x00\x00\x00\x00\x01\x00\x00\x61\x76"
      "\x30"
      "\x31\x43\x6f\x6c\x6f\x72\x00\x00\x00\x00\x6a\x69\x70\x72\x70\x00\x00\x00\x4b\x69\x70\x63\x6f"
      "\x00"
      "\x00\x00\x14\x69\x73\x70\x65\x00\x00\x00\x00\x00\x00\x00\x30\x00\x00\x00\x20\x00\x00\x00\x10"
      "\x70"
      "\x69\x78\x69\x00\x00\x00\x00\x03\x08\x08\x08\x00\x00\x00\x0c\x61\x76\x31\x43\x81\x20\x00\x00"
      "\x00"
      "\x00\x00\x13\x63\x6f\x6c\x72\x6e\x63\x6c\x78\x00\x02\x00\x02\x00\x02\x00\x00\x00\x00\x17\x69"
      "\x70"
      "\x6d\x61\x00\x00\x00\x00\x00\x00\x00\x01\x00\x01\x04\x01\x02\x83\x04\x00\x00\x00\x35\x6d\x64"
      "\x61"
      "\x74\x0a\x06\x38\x15\x2f\xfb\x60\x80\x32\x23\x44\xa0\x00\x00\x10\x00\x00\x10\xfd\x87\x2d\x69"
      "\xcf"
      "\xa0\x20\x89\xcb\x71\xb1\x55\xbe\xdf\xf5\x07\x58\x5b\xdf\xba\xbf\xf2\xff\x69\xe1\xd5\x33";
  return std::string(bytes, sizeof bytes - 1);
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
