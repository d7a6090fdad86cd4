#include "media/Scale.h"

#include <cstring>
#include <memory>

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace vokari::media {
namespace {

struct FrameFreer {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using Frame = std::unique_ptr<AVFrame, FrameFreer>;

// Rows aligned and padded for the widest vector code FFmpeg has (AVX-512), with FFmpeg's own
// slack after the last row.
constexpr int kAlignment = 64;

Frame paddedFrame(int width, int height, AVPixelFormat format) {
  Frame frame(av_frame_alloc());
  if (!frame) return nullptr;
  frame->width = width;
  frame->height = height;
  frame->format = format;
  if (av_frame_get_buffer(frame.get(), kAlignment) < 0) return nullptr;
  return frame;
}

// Copies `rows` rows of `bytes` bytes between buffers of different strides.
void copyRows(std::uint8_t* to, std::size_t toStride, const std::uint8_t* from,
              std::size_t fromStride, int rows, std::size_t bytes) {
  for (int y = 0; y < rows; ++y) std::memcpy(to + y * toStride, from + y * fromStride, bytes);
}

}  // namespace

std::optional<Image> scaledFrame(const AVFrame& source, int width, int height, int flags) {
  if (source.width <= 0 || source.height <= 0 || width <= 0 || height <= 0) return std::nullopt;
  std::unique_ptr<SwsContext, void (*)(SwsContext*)> context(
      sws_getContext(source.width, source.height, static_cast<AVPixelFormat>(source.format), width,
                     height, AV_PIX_FMT_RGB24, flags, nullptr, nullptr, nullptr),
      sws_freeContext);
  Frame out = context ? paddedFrame(width, height, AV_PIX_FMT_RGB24) : nullptr;
  if (!out || sws_scale(context.get(), source.data, source.linesize, 0, source.height, out->data,
                        out->linesize) != height)
    return std::nullopt;
  Image image{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
  copyRows(image.rgb.data(), std::size_t(width) * 3, out->data[0], std::size_t(out->linesize[0]),
           height, std::size_t(width) * 3);
  return image;
}

std::optional<Image> scaledImage(const Image& image, int width, int height, int flags) {
  Frame in = paddedFrame(image.width, image.height, AV_PIX_FMT_RGB24);
  if (!in) return std::nullopt;
  copyRows(in->data[0], std::size_t(in->linesize[0]), image.rgb.data(),
           std::size_t(image.width) * 3, image.height, std::size_t(image.width) * 3);
  return scaledFrame(*in, width, height, flags);
}

}  // namespace vokari::media
