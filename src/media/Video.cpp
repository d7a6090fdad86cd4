// A video's first frame through FFmpeg's libraries, turned by the stream's display matrix, and
// what kind of media a file holds.

#include <cmath>
#include <fstream>
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

// The container format the start of the file announces, found by FFmpeg's probe of at most
// its first megabyte and never by the file's name; none below a confident score.
const AVInputFormat* probedFormat(const std::string& url) {
  AVIOContext* io = nullptr;
  if (avio_open(&io, url.c_str(), AVIO_FLAG_READ) < 0) return nullptr;
  const AVInputFormat* format = nullptr;
  int score = av_probe_input_buffer2(io, &format, "", nullptr, 0, 0);
  avio_closep(&io);
  return score > AVPROBE_SCORE_RETRY ? format : nullptr;
}

// FFmpeg's still-picture readers, which open a picture as a one-frame video stream. (GIF,
// WebP and APNG never get here: their signatures make them pictures first.)
bool isPictureReader(const AVInputFormat* format) {
  return std::string_view(format->name).find("_pipe") != std::string_view::npos;
}

Input openInput(const std::string& path) {
  // Files are probed for what they hold; FFmpeg's complaints about the others are no news.
  av_log_set_level(AV_LOG_QUIET);
  // "file:" so that no part of a path is taken for another protocol.
  const std::string url = "file:" + path;
  const AVInputFormat* format = probedFormat(url);
  if (!format || isPictureReader(format)) return nullptr;
  AVFormatContext* context = nullptr;
  if (avformat_open_input(&context, url.c_str(), format, nullptr) < 0) return nullptr;
  Input input(context);
  if (avformat_find_stream_info(context, nullptr) < 0) return nullptr;
  return input;
}

// The first video stream of a movie: a cover picture in a sound file does not count.
int videoStream(AVFormatContext* input) {
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    const AVStream* stream = input->streams[i];
    if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
        !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
      return static_cast<int>(i);
    }
  }
  return -1;
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
  int index = videoStream(input.get());
  if (index < 0) return std::nullopt;
  const AVStream* stream = input->streams[index];
  auto decoder = openDecoder(stream);
  if (!decoder) return std::nullopt;
  auto frame = firstFrame(input.get(), index, decoder.get());
  if (!frame) return std::nullopt;
  // EXIF orientations 6, 3 and 8 are the quarter, half and three-quarter clockwise turns.
  const int turn = clockwiseTurn(stream);
  return oriented(*frame, turn == 90 ? 6 : turn == 180 ? 3 : turn == 270 ? 8 : 1);
}

MediaKind mediaKindOfFile(const std::string& path) {
  char head[16] = {};
  std::ifstream in(path, std::ios::binary);
  if (!in) return MediaKind::None;
  in.read(head, sizeof head);
  if (pictureFormatOf(std::string_view(head, static_cast<std::size_t>(in.gcount()))) !=
      PictureFormat::None) {
    return MediaKind::Picture;
  }
  Input input = openInput(path);
  return input && videoStream(input.get()) >= 0 ? MediaKind::Movie : MediaKind::None;
}

}  // namespace vokari
