#pragma once
// Writes a small test video with FFmpeg's libraries: 64 x 32 frames, left half red, right half
// blue, MPEG-4 in a QuickTime file, with a display matrix that turns it.

#include <cstdint>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

namespace vokari::testing {

inline constexpr int kWidth = 64, kHeight = 32;

// Encodes the frames with the MPEG-4 encoder into a QuickTime file; answers whether it worked.
// `rotation` is the display matrix's counter-clockwise angle (a phone held upright records -90).
inline bool writeVideo(const std::string& path, double rotation, int frames) {
  AVFormatContext* out = nullptr;
  if (avformat_alloc_output_context2(&out, nullptr, "mov", path.c_str()) < 0) return false;
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
  AVStream* stream = codec ? avformat_new_stream(out, nullptr) : nullptr;
  AVCodecContext* encoder = codec ? avcodec_alloc_context3(codec) : nullptr;
  bool ok = stream && encoder;
  if (ok) {
    encoder->width = kWidth;
    encoder->height = kHeight;
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder->time_base = {1, 25};
    encoder->gop_size = 1;
    encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    ok = avcodec_open2(encoder, codec, nullptr) >= 0 &&
         avcodec_parameters_from_context(stream->codecpar, encoder) >= 0;
  }
  if (ok && rotation != 0) {
    auto* matrix = reinterpret_cast<std::int32_t*>(av_malloc(9 * sizeof(std::int32_t)));
    av_display_rotation_set(matrix, rotation);
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
    frame->width = kWidth;
    frame->height = kHeight;
    ok = av_frame_get_buffer(frame, 0) >= 0;
  }
  // Red and blue in BT.601 limited range.
  auto paint = [&] {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x)
        frame->data[0][y * frame->linesize[0] + x] = x < kWidth / 2 ? 81 : 41;
    }
    for (int y = 0; y < kHeight / 2; ++y) {
      for (int x = 0; x < kWidth / 2; ++x) {
        bool red = x < kWidth / 4;
        frame->data[1][y * frame->linesize[1] + x] = red ? 90 : 240;
        frame->data[2][y * frame->linesize[2] + x] = red ? 240 : 110;
      }
    }
  };
  auto drain = [&] {
    while (avcodec_receive_packet(encoder, packet) == 0) {
      av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
      packet->stream_index = stream->index;
      av_interleaved_write_frame(out, packet);
    }
  };
  for (int i = 0; ok && i < frames; ++i) {
    ok = av_frame_make_writable(frame) >= 0;
    paint();
    frame->pts = i;
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

}  // namespace vokari::testing
