#pragma once
// Writes test videos with FFmpeg's libraries, MPEG-4 in a QuickTime file: small ones whose first
// frame (left half red, right half blue) differs from every later one (all green), with a
// display matrix that turns them, and large ones of noise for upload sizes.

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

namespace vokari::testing {

inline constexpr int kWidth = 64, kHeight = 32;

struct VideoShape {
  int width = kWidth;
  int height = kHeight;
  double rotation = 0;  // the display matrix's counter-clockwise angle
  int frames = 3;
  bool noise = false;              // random pixels at the finest quantiser: large frames
  std::uint64_t atLeastBytes = 0;  // with noise: frames are added until the file is this big
};

namespace detail {

// Red and blue halves in BT.601 limited range for the first frame, green for the others.
inline void paint(AVFrame* frame, int index, bool noise, std::mt19937& random) {
  const int w = frame->width, h = frame->height;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      frame->data[0][y * frame->linesize[0] + x] = static_cast<std::uint8_t>(noise       ? random()
                                                                             : index > 0 ? 145
                                                                             : x < w / 2 ? 81
                                                                                         : 41);
  for (int y = 0; y < h / 2; ++y) {
    for (int x = 0; x < w / 2; ++x) {
      bool red = x < w / 4;
      frame->data[1][y * frame->linesize[1] + x] = static_cast<std::uint8_t>(noise       ? random()
                                                                             : index > 0 ? 54
                                                                             : red       ? 90
                                                                                         : 240);
      frame->data[2][y * frame->linesize[2] + x] = static_cast<std::uint8_t>(noise       ? random()
                                                                             : index > 0 ? 34
                                                                             : red       ? 240
                                                                                         : 110);
    }
  }
}

}  // namespace detail

// Encodes the video; answers whether it worked.
inline bool writeVideo(const std::string& path, const VideoShape& shape) {
  AVFormatContext* out = nullptr;
  if (avformat_alloc_output_context2(&out, nullptr, "mov", path.c_str()) < 0) return false;
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
  AVStream* stream = codec ? avformat_new_stream(out, nullptr) : nullptr;
  AVCodecContext* encoder = codec ? avcodec_alloc_context3(codec) : nullptr;
  bool ok = stream && encoder;
  if (ok) {
    encoder->width = shape.width;
    encoder->height = shape.height;
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder->time_base = {1, 25};
    encoder->gop_size = 1;
    encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (shape.noise) {
      encoder->flags |= AV_CODEC_FLAG_QSCALE;
      encoder->global_quality = FF_QP2LAMBDA;
    }
    ok = avcodec_open2(encoder, codec, nullptr) >= 0 &&
         avcodec_parameters_from_context(stream->codecpar, encoder) >= 0;
  }
  if (ok && shape.rotation != 0) {
    auto* matrix = reinterpret_cast<std::int32_t*>(av_malloc(9 * sizeof(std::int32_t)));
    av_display_rotation_set(matrix, shape.rotation);
    ok = av_stream_add_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX,
                                 reinterpret_cast<std::uint8_t*>(matrix),
                                 9 * sizeof(std::int32_t)) >= 0;
  }
  if (ok) stream->time_base = encoder->time_base;
  ok = ok && avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 &&
       avformat_write_header(out, nullptr) >= 0;
  AVFrame* frame = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  if (ok) {
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = shape.width;
    frame->height = shape.height;
    ok = av_frame_get_buffer(frame, 0) >= 0;
  }
  std::uint64_t written = 0;
  auto drain = [&] {
    while (avcodec_receive_packet(encoder, packet) == 0) {
      written += static_cast<std::uint64_t>(packet->size);
      av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
      packet->stream_index = stream->index;
      av_interleaved_write_frame(out, packet);
    }
  };
  std::mt19937 random(7);
  for (int i = 0; ok && (i < shape.frames || written < shape.atLeastBytes); ++i) {
    ok = av_frame_make_writable(frame) >= 0;
    detail::paint(frame, i, shape.noise, random);
    frame->pts = i;
    if (shape.noise) frame->quality = FF_QP2LAMBDA;
    ok = ok && avcodec_send_frame(encoder, frame) >= 0;
    drain();
  }
  if (ok) {
    avcodec_send_frame(encoder, nullptr);
    drain();
    ok = av_write_trailer(out) >= 0;
  }
  av_packet_free(&packet);
  av_frame_free(&frame);
  avcodec_free_context(&encoder);
  if (out->pb) avio_closep(&out->pb);
  avformat_free_context(out);
  return ok;
}

// A small video as above; `rotation` is the display matrix's counter-clockwise angle (a phone
// held upright records -90).
inline bool writeVideo(const std::string& path, double rotation, int frames) {
  return writeVideo(path, VideoShape{.rotation = rotation, .frames = frames});
}

// A movie of noise of at least the megabytes, as phones record them in size.
inline bool writeLargeVideo(const std::string& path, std::uint64_t megabytes) {
  return writeVideo(path, VideoShape{.width = 640,
                                     .height = 480,
                                     .frames = 1,
                                     .noise = true,
                                     .atLeastBytes = megabytes << 20});
}

}  // namespace vokari::testing
