// A video's first frame through FFmpeg's libraries, turned by the stream's display matrix.

#include <cmath>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include "media/Image.h"

namespace vokari {
namespace {

struct InputCloser {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecFreer {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct PacketFreer {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFreer {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;

Input openInput(const std::string& path) {
  // Files are probed for what they hold; FFmpeg's complaints about the others are no news.
  av_log_set_level(AV_LOG_QUIET);
  AVFormatContext* context = nullptr;
  if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0) return nullptr;
  Input input(context);
  if (avformat_find_stream_info(context, nullptr) < 0) return nullptr;
  return input;
}

// Degrees to turn the stored frame clockwise so that it shows upright: 0, 90, 180 or 270.
int clockwiseTurn(const AVStream* stream) {
  const std::uint8_t* matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
  if (!matrix) return 0;
  double counterClockwise = av_display_rotation_get(reinterpret_cast<const std::int32_t*>(matrix));
  if (std::isnan(counterClockwise)) return 0;
  int turn = static_cast<int>(std::lround(-counterClockwise / 90.0)) * 90 % 360;
  return turn < 0 ? turn + 360 : turn;
}

Image turned(const Image& image, int clockwise) {
  if (clockwise == 0) return image;
  bool swap = clockwise != 180;
  Image out{swap ? image.height : image.width, swap ? image.width : image.height, {}};
  out.rgb.resize(image.rgb.size());
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      int tx = clockwise == 90 ? image.height - 1 - y : clockwise == 180 ? image.width - 1 - x : y;
      int ty = clockwise == 90 ? x : clockwise == 180 ? image.height - 1 - y : image.width - 1 - x;
      const std::uint8_t* from = image.rgb.data() + (std::size_t(y) * image.width + x) * 3;
      std::copy(from, from + 3, out.rgb.data() + (std::size_t(ty) * out.width + tx) * 3);
    }
  }
  return out;
}

std::optional<Image> toRgb(const AVFrame* frame) {
  SwsContext* context = sws_getContext(
      frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
      frame->height, AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (!context) return std::nullopt;
  Image image{frame->width, frame->height,
              std::vector<std::uint8_t>(std::size_t(frame->width) * frame->height * 3)};
  std::uint8_t* dst[4] = {image.rgb.data(), nullptr, nullptr, nullptr};
  int dstStride[4] = {frame->width * 3, 0, 0, 0};
  sws_scale(context, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
  sws_freeContext(context);
  return image;
}

std::unique_ptr<AVCodecContext, CodecFreer> openDecoder(const AVStream* stream) {
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!codec) return nullptr;
  std::unique_ptr<AVCodecContext, CodecFreer> decoder(avcodec_alloc_context3(codec));
  if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0 ||
      avcodec_open2(decoder.get(), codec, nullptr) < 0) {
    return nullptr;
  }
  return decoder;
}

// The first frame the decoder gives for the stream, reading from the start of the file.
std::optional<Image> firstFrame(AVFormatContext* input, int index, AVCodecContext* decoder) {
  std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
  std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
  bool draining = false;
  while (true) {
    int got = avcodec_receive_frame(decoder, frame.get());
    if (got == 0) return toRgb(frame.get());
    if (got != AVERROR(EAGAIN) || draining) return std::nullopt;
    int read = av_read_frame(input, packet.get());
    if (read < 0) {
      draining = true;
      avcodec_send_packet(decoder, nullptr);
      continue;
    }
    if (packet->stream_index == index) avcodec_send_packet(decoder, packet.get());
    av_packet_unref(packet.get());
  }
}

}  // namespace

std::optional<Image> getImage(const std::optional<std::string>& videoPath) {
  if (!videoPath) return std::nullopt;
  Input input = openInput(*videoPath);
  if (!input) return std::nullopt;
  int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index < 0) return std::nullopt;
  const AVStream* stream = input->streams[index];
  auto decoder = openDecoder(stream);
  if (!decoder) return std::nullopt;
  auto frame = firstFrame(input.get(), index, decoder.get());
  if (!frame) return std::nullopt;
  return turned(*frame, clockwiseTurn(stream));
}

MediaKind mediaKindOfFile(const std::string& path) {
  if (decodeImageFile(path)) return MediaKind::Picture;
  Input input = openInput(path);
  if (!input) return MediaKind::None;
  int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index < 0) return MediaKind::None;
  // A still picture in a format FFmpeg reads but this module does not decode is no movie.
  bool still = input->iformat &&
               std::string_view(input->iformat->name).find("pipe") != std::string_view::npos;
  return still ? MediaKind::None : MediaKind::Movie;
}

}  // namespace vokari
