// JPEG through libjpeg-turbo, PNG through libpng's simplified interface.

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <png.h>

#include "media/Image.h"

namespace vokari {
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

std::optional<Image> decodeJpeg(std::string_view bytes) {
  jpeg_decompress_struct info{};
  JpegError errors;
  info.err = &jpegErrors(errors)->manager;
  Image image;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return std::nullopt;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  image.width = static_cast<int>(info.output_width);
  image.height = static_cast<int>(info.output_height);
  image.rgb.resize(std::size_t(image.width) * image.height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image.rgb.data() + std::size_t(info.output_scanline) * image.width * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return image;
}

std::optional<Image> decodePng(std::string_view bytes) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return std::nullopt;
  png.format = PNG_FORMAT_RGB;
  Image image{static_cast<int>(png.width), static_cast<int>(png.height), {}};
  image.rgb.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) {
    png_image_free(&png);
    return std::nullopt;
  }
  return image;
}

}  // namespace

std::optional<Image> decodeImage(std::string_view bytes) {
  if (bytes.size() >= 3 && std::memcmp(bytes.data(), "\xff\xd8\xff", 3) == 0) {
    return decodeJpeg(bytes);
  }
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8) == 0) {
    return decodePng(bytes);
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
