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
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

#include "media/Image.h"
#include "media/Scale.h"

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

// The containers phones, cameras and browsers record movies in. FFmpeg reads hundreds more,
// among them still-picture readers that would take a picture for a one-frame movie; none of the
// others is offered to files from anywhere.
bool isMovieContainer(const AVInputFormat* format) {
  const std::string_view name = format->name;
  return name == "mov,mp4,m4a,3gp,3g2,mj2" || name == "matroska,webm" || name == "avi";
}

// The largest frame taken: 8K, what phones record at most. A decoder holds several frames of the
// declared size before the first comes out.
constexpr int kMaxVideoPixels = 7680 * 4320;

Input openInput(const std::string& path) {
  // Files are probed for what they hold; FFmpeg's complaints about the others are no news.
  av_log_set_level(AV_LOG_QUIET);
  // A container's index may claim millions of entries in a few bytes, and the demuxer allocates
  // the claim before reading it; no single block may pass what a whole decode may take.
  av_max_alloc(kDecodeBudgetBytes);
  // "file:" so that no part of a path is taken for another protocol.
  const std::string url = "file:" + path;
  const AVInputFormat* format = probedFormat(url);
  if (!format || !isMovieContainer(format)) return nullptr;
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

std::unique_ptr<AVCodecContext, CodecFreer> openDecoder(const AVStream* stream) {
  const AVCodecParameters* parameters = stream->codecpar;
  const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
  if (!codec || parameters->width <= 0 || parameters->height <= 0 ||
      std::int64_t(parameters->width) * parameters->height > kMaxVideoPixels)
    return nullptr;
  std::unique_ptr<AVCodecContext, CodecFreer> decoder(avcodec_alloc_context3(codec));
  if (!decoder || avcodec_parameters_to_context(decoder.get(), parameters) < 0) return nullptr;
  // One thread: each further one holds frames of its own. And no frame past the limit, whatever
  // the stream's header said.
  decoder->thread_count = 1;
  decoder->max_pixels = kMaxVideoPixels;
  if (avcodec_open2(decoder.get(), codec, nullptr) < 0) return nullptr;
  return decoder;
}

// The first frame the decoder gives for the stream, reading from the start of the file.
std::optional<Image> firstFrame(AVFormatContext* input, int index, AVCodecContext* decoder) {
  std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
  std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
  bool draining = false;
  while (true) {
    int got = avcodec_receive_frame(decoder, frame.get());
    if (got == 0) return media::scaledFrame(*frame, frame->width, frame->height, SWS_BICUBIC);
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
