// JPEG through libjpeg-turbo (scaled decoding, EXIF orientation through libexif), PNG through
// libpng's simplified interface; the other formats are in PictureFormats.cpp.

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>
#include <libexif/exif-data.h>
#include <png.h>

#include "media/Image.h"
#include "media/Orientation.h"

namespace vokari {

namespace media {
std::optional<Image> decodeGif(std::string_view bytes);
std::optional<Image> decodeWebP(std::string_view bytes, std::optional<Size> cover);
std::optional<Image> decodeHeic(std::string_view bytes);

// The rest of the file, or none when it is longer than `limit` bytes or cannot be read.
std::optional<std::string> readWhole(std::FILE* file, std::uint64_t limit) {
  std::string bytes;
  char buffer[1 << 16];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, file)) {
    if (bytes.size() + n > limit) return std::nullopt;
    bytes.append(buffer, n);
  }
  if (std::ferror(file)) return std::nullopt;
  return bytes;
}
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

// What a multi-scan (progressive) file makes libjpeg hold before the first row comes out: every
// coefficient of the whole picture, 64 of 2 bytes a block, whatever scale the output has.
std::int64_t coefficientBytes(const jpeg_decompress_struct& info) {
  if (!jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(&info))) return 0;
  int maxH = 1, maxV = 1;
  for (int c = 0; c < info.num_components; ++c) {
    maxH = std::max(maxH, info.comp_info[c].h_samp_factor);
    maxV = std::max(maxV, info.comp_info[c].v_samp_factor);
  }
  std::int64_t blocks = 0;
  for (int c = 0; c < info.num_components; ++c) {
    const jpeg_component_info& component = info.comp_info[c];
    // Whole MCUs are stored, so each side is rounded up to the component's blocks in one.
    std::int64_t across = (std::int64_t(info.image_width) + 8 * maxH - 1) / (8 * maxH);
    std::int64_t down = (std::int64_t(info.image_height) + 8 * maxV - 1) / (8 * maxV);
    blocks += across * component.h_samp_factor * down * component.v_samp_factor;
  }
  return blocks * 128;
}

// Eighths to decode at: the fewest that still cover the target (upright sides), or for a full
// decode the most that stay within the pixel limit; each within the memory budget beside what
// `held` bytes libjpeg keeps anyway. 0 when not even an eighth fits.
unsigned jpegEighths(const jpeg_decompress_struct& info, int orientation, std::optional<Size> cover,
                     std::int64_t held) {
  bool swap = media::swapsSides(orientation);
  std::int64_t uw = swap ? info.image_height : info.image_width;
  std::int64_t uh = swap ? info.image_width : info.image_height;
  auto fits = [&](unsigned m) {
    std::int64_t pixels = scaledSide(info.image_width, m) * scaledSide(info.image_height, m);
    return pixels <= kMaxPicturePixels && held + pixels * 3 <= kDecodeBudgetBytes;
  };
  if (cover) {
    for (unsigned m = 1; m < 8; ++m) {
      if (scaledSide(uw, m) >= cover->width && scaledSide(uh, m) >= cover->height && fits(m))
        return m;
    }
  }
  unsigned m = 8;
  while (m > 0 && !fits(m)) --m;
  return m;
}

// Scans a file may have: a few hundred, as libjpeg-turbo advises for files from anywhere, since
// each scan of a progressive file passes over every coefficient again.
constexpr int kMaxScans = 256;

struct ScanLimit {
  jpeg_progress_mgr manager{};
};

void countScans(j_common_ptr common) {
  auto* info = reinterpret_cast<j_decompress_ptr>(common);
  if (info->input_scan_number > kMaxScans)
    std::longjmp(reinterpret_cast<JpegError*>(common->err)->jump, 1);
}

// A file whose data ends early would be decoded as grey to its declared end: for a few hundred
// bytes declaring a huge picture, that is all the work and memory of a real one.
void refuseCutFile(j_common_ptr common, int level) {
  const int code = common->err->msg_code;
  if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER))
    std::longjmp(reinterpret_cast<JpegError*>(common->err)->jump, 1);
}

// Adobe's CMYK (and YCCK, converted to CMYK by libjpeg) is stored inverted: 255 is no ink.
void cmykToRgb(const std::uint8_t* cmyk, std::uint8_t* rgb, int width, bool inverted) {
  for (int x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
    int k = inverted ? cmyk[3] : 255 - cmyk[3];
    for (int i = 0; i < 3; ++i) {
      int ink = inverted ? cmyk[i] : 255 - cmyk[i];
      rgb[i] = static_cast<std::uint8_t>((ink * k + 127) / 255);
    }
  }
}

// The buffers of a decode. They live in the frame that catches libjpeg's jumps, so that a jump
// from a deeper frame never skips their destructors.
struct JpegBuffers {
  Image image;
  std::vector<std::uint8_t> row, inked;
};

bool decodeJpeg(jpeg_decompress_struct& info, JpegError& errors, std::optional<Size> cover,
                JpegBuffers& out) {
  ScanLimit scans;
  scans.manager.progress_monitor = countScans;
  info.progress = &scans.manager;
  errors.manager.emit_message = refuseCutFile;
  jpeg_save_markers(&info, kExifMarker, 0xffff);
  jpeg_read_header(&info, TRUE);
  const int orientation = exifOrientation(info);
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  info.scale_num = jpegEighths(info, orientation, cover, coefficientBytes(info));
  info.scale_denom = 8;
  if (info.scale_num == 0) return false;
  // libjpeg refuses rather than allocating past this (it has no backing store).
  info.mem->max_memory_to_use = static_cast<long>(kDecodeBudgetBytes);
  jpeg_start_decompress(&info);
  const int width = static_cast<int>(info.output_width);
  const int height = static_cast<int>(info.output_height);
  if (std::int64_t(width) * height > kMaxPicturePixels) return false;
  out.image = media::uprightCanvas(width, height, orientation);
  out.row.resize(std::size_t(width) * 3);
  out.inked.resize(cmyk ? std::size_t(width) * 4 : 0);
  while (info.output_scanline < info.output_height) {
    int y = static_cast<int>(info.output_scanline);
    JSAMPROW rows = cmyk ? out.inked.data() : out.row.data();
    if (jpeg_read_scanlines(&info, &rows, 1) != 1) return false;
    if (cmyk) cmykToRgb(out.inked.data(), out.row.data(), width, info.saw_Adobe_marker);
    media::placeRow(out.image, orientation, width, height, y, out.row.data());
  }
  jpeg_finish_decompress(&info);
  return true;
}

// Runs a decode with libjpeg's fatal errors turned into an empty result; `source` sets where
// the bytes come from.
template <typename Source>
std::optional<Image> decodeJpegFrom(Source source, std::optional<Size> cover) {
  jpeg_decompress_struct info{};
  JpegError errors;
  info.err = &jpegErrors(errors)->manager;
  JpegBuffers buffers;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return std::nullopt;
  }
  jpeg_create_decompress(&info);
  source(info);
  const bool decoded = decodeJpeg(info, errors, cover, buffers);
  jpeg_destroy_decompress(&info);
  if (!decoded) return std::nullopt;
  return std::move(buffers.image);
}

// The pixels of a PNG whose header `png` has read, on white where it is transparent.
std::optional<Image> finishPng(png_image& png) {
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

std::optional<Image> decodePng(std::string_view bytes) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return std::nullopt;
  return finishPng(png);
}

}  // namespace

std::optional<Image> decodeImage(std::string_view bytes, std::optional<Size> cover) {
  switch (pictureFormatOf(bytes)) {
    case PictureFormat::Jpeg:
      return decodeJpegFrom(
          [&](jpeg_decompress_struct& info) {
            jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
          },
          cover);
    case PictureFormat::Png:
      return decodePng(bytes);
    case PictureFormat::Gif:
      return media::decodeGif(bytes);
    case PictureFormat::WebP:
      return media::decodeWebP(bytes, cover);
    case PictureFormat::Heic:
      return media::decodeHeic(bytes);
    case PictureFormat::None:
      break;
  }
  return std::nullopt;
}

std::optional<Image> decodeImageFile(const std::string& path, std::optional<Size> cover) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return std::nullopt;
  char head[16] = {};
  const std::size_t got = std::fread(head, 1, sizeof head, file.get());
  std::rewind(file.get());
  // JPEG and PNG, the large ones, are read as they are decoded rather than held whole beside
  // their pixels.
  switch (pictureFormatOf(std::string_view(head, got))) {
    case PictureFormat::Jpeg:
      return decodeJpegFrom(
          [&](jpeg_decompress_struct& info) { jpeg_stdio_src(&info, file.get()); }, cover);
    case PictureFormat::Png: {
      png_image png{};
      png.version = PNG_IMAGE_VERSION;
      if (!png_image_begin_read_from_stdio(&png, file.get())) return std::nullopt;
      return finishPng(png);
    }
    default:
      break;
  }
  auto bytes = media::readWhole(file.get(), kMaxPictureFileBytes);
  return bytes ? decodeImage(*bytes, cover) : std::nullopt;
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
