// JPEG through libjpeg-turbo (scaled decoding, EXIF orientation through libexif), PNG through
// libpng's simplified interface; the other formats are in PictureFormats.cpp.

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <libexif/exif-data.h>
#include <png.h>

#include "media/Image.h"
#include "media/Orientation.h"

namespace vokari {

namespace media {
std::optional<Image> decodeGif(std::string_view bytes);
std::optional<Image> decodeWebP(std::string_view bytes);
std::optional<Image> decodeHeic(std::string_view bytes);
}  // namespace media

namespace {

// libjpeg reports fatal errors through a callback that must not return; jump back instead.
struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void jpegFailed(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}
void jpegQuiet(j_common_ptr, int) {}
void jpegNoMessage(j_common_ptr) {}

JpegError* jpegErrors(JpegError& errors) {
  jpeg_std_error(&errors.manager);
  errors.manager.error_exit = jpegFailed;
  errors.manager.emit_message = jpegQuiet;
  errors.manager.output_message = jpegNoMessage;
  return &errors;
}

constexpr unsigned kExifMarker = JPEG_APP0 + 1;

// The EXIF orientation (1 to 8) of the saved APP1 markers; 1 when there is none.
int exifOrientation(const jpeg_decompress_struct& info) {
  for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
    if (m->marker != kExifMarker || m->data_length < 6 || std::memcmp(m->data, "Exif\0\0", 6))
      continue;
    ExifData* exif = exif_data_new_from_data(m->data, m->data_length);
    if (!exif) continue;
    int orientation = 1;
    ExifEntry* entry = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (entry && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1) {
      orientation = exif_get_short(entry->data, exif_data_get_byte_order(exif));
    }
    exif_data_unref(exif);
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
  }
  return 1;
}

std::int64_t scaledSide(JDIMENSION side, unsigned eighths) {
  return (std::int64_t(side) * eighths + 7) / 8;  // libjpeg rounds scaled sides up
}

// Eighths to decode at: the fewest that still cover the target (upright sides), or for a full
// decode the most that stay within the pixel limit.
unsigned jpegEighths(const jpeg_decompress_struct& info, int orientation,
                     std::optional<Size> cover) {
  bool swap = media::swapsSides(orientation);
  std::int64_t uw = swap ? info.image_height : info.image_width;
  std::int64_t uh = swap ? info.image_width : info.image_height;
  auto fits = [&](unsigned m) {
    return scaledSide(info.image_width, m) * scaledSide(info.image_height, m) <= kMaxPicturePixels;
  };
  if (cover) {
    for (unsigned m = 1; m < 8; ++m) {
      if (scaledSide(uw, m) >= cover->width && scaledSide(uh, m) >= cover->height && fits(m))
        return m;
    }
  }
  unsigned m = 8;
  while (m > 1 && !fits(m)) --m;
  return m;
}

std::optional<Image> decodeJpeg(std::string_view bytes, std::optional<Size> cover) {
  jpeg_decompress_struct info{};
  JpegError errors;
  info.err = &jpegErrors(errors)->manager;
  Image image;
  std::vector<std::uint8_t> row;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return std::nullopt;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_save_markers(&info, kExifMarker, 0xffff);
  jpeg_read_header(&info, TRUE);
  const int orientation = exifOrientation(info);
  info.out_color_space = JCS_RGB;
  info.scale_num = jpegEighths(info, orientation, cover);
  info.scale_denom = 8;
  jpeg_start_decompress(&info);
  const int width = static_cast<int>(info.output_width);
  const int height = static_cast<int>(info.output_height);
  if (std::int64_t(width) * height > kMaxPicturePixels) longjmp(errors.jump, 1);
  image = media::uprightCanvas(width, height, orientation);
  row.resize(std::size_t(width) * 3);
  while (info.output_scanline < info.output_height) {
    int y = static_cast<int>(info.output_scanline);
    JSAMPROW rows = row.data();
    if (jpeg_read_scanlines(&info, &rows, 1) != 1) longjmp(errors.jump, 1);
    media::placeRow(image, orientation, width, height, y, row.data());
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return image;
}

std::optional<Image> decodePng(std::string_view bytes) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return std::nullopt;
  // The header declares the size; refuse before allocating for it.
  if (std::int64_t(png.width) * png.height > kMaxPicturePixels) {
    png_image_free(&png);
    return std::nullopt;
  }
  png.format = PNG_FORMAT_RGB;
  Image image{static_cast<int>(png.width), static_cast<int>(png.height), {}};
  image.rgb.resize(std::size_t(png.width) * png.height * 3);
  const png_color white{255, 255, 255};  // under transparent parts, as on a card
  if (!png_image_finish_read(&png, &white, image.rgb.data(), 0, nullptr)) {
    png_image_free(&png);
    return std::nullopt;
  }
  return image;
}

bool startsWith(std::string_view bytes, std::string_view prefix, std::size_t at = 0) {
  return bytes.size() >= at + prefix.size() && bytes.substr(at, prefix.size()) == prefix;
}

}  // namespace

PictureFormat pictureFormatOf(std::string_view head) {
  using namespace std::literals;
  if (startsWith(head, "\xff\xd8\xff"sv)) return PictureFormat::Jpeg;
  if (startsWith(head, "\x89PNG\r\n\x1a\n"sv)) return PictureFormat::Png;
  if (startsWith(head, "GIF87a"sv) || startsWith(head, "GIF89a"sv)) return PictureFormat::Gif;
  if (startsWith(head, "RIFF"sv) && startsWith(head, "WEBP"sv, 8)) return PictureFormat::WebP;
  if (startsWith(head, "ftyp"sv, 4)) {
    for (std::string_view brand : {"heic"sv, "heix"sv, "heim"sv, "heis"sv, "mif1"sv}) {
      if (startsWith(head, brand, 8)) return PictureFormat::Heic;
    }
  }
  return PictureFormat::None;
}

std::optional<Image> decodeImage(std::string_view bytes, std::optional<Size> cover) {
  switch (pictureFormatOf(bytes)) {
    case PictureFormat::Jpeg:
      return decodeJpeg(bytes, cover);
    case PictureFormat::Png:
      return decodePng(bytes);
    case PictureFormat::Gif:
      return media::decodeGif(bytes);
    case PictureFormat::WebP:
      return media::decodeWebP(bytes);
    case PictureFormat::Heic:
      return media::decodeHeic(bytes);
    case PictureFormat::None:
      break;
  }
  return std::nullopt;
}

std::optional<std::string> encodeJpeg(const Image& image, int quality) {
  if (image.empty()) return std::nullopt;
  jpeg_compress_struct info{};
  JpegError errors;
  info.err = &jpegErrors(errors)->manager;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return std::nullopt;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(image.width);
  info.image_height = static_cast<JDIMENSION>(image.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    auto* row =
        const_cast<JSAMPROW>(image.rgb.data() + std::size_t(info.next_scanline) * image.width * 3);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

}  // namespace vokari
