// Conversions through libswscale at the sizes that made its vector code write past rows of
// exactly width x 3 bytes: every small size, and the frame sizes phones and messaging apps
// record. The guarded heap makes any such write fail the test.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include "media/GuardedHeap.h"
#include "media/Image.h"
#include "media/Scale.h"
#include "media/TestPictures.h"
#include "media/TestVideo.h"

namespace vokari {
namespace {

using testing::GuardedHeap;

// A grey YUV frame as a decoder hands it over.
AVFrame* greyFrame(int width, int height) {
  AVFrame* frame = av_frame_alloc();
  frame->width = width;
  frame->height = height;
  frame->format = AV_PIX_FMT_YUV420P;
  if (av_frame_get_buffer(frame, 0) < 0) return frame;
  for (int plane = 0; plane < 3; ++plane) {
    const int rows = plane ? (height + 1) / 2 : height;
    for (int y = 0; y < rows; ++y)
      std::memset(frame->data[plane] + y * frame->linesize[plane], 128, frame->linesize[plane]);
  }
  return frame;
}

TEST(ScalingBuffers, EverySmallFrameAndPictureSizeStaysInsideItsBuffers) {
  const std::size_t before = GuardedHeap::overruns();
  for (int w = 1; w <= 67; ++w) {
    for (int h = 1; h <= 67; h += (h < 20 ? 1 : 7)) {
      SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
      AVFrame* frame = greyFrame(w, h);
      {
        GuardedHeap guard;
        auto rgb = media::scaledFrame(*frame, w, h, SWS_BICUBIC);
        if (rgb) {
          EXPECT_EQ(rgb->rgb.size(), std::size_t(w) * h * 3);
          EXPECT_TRUE(testing::near(rgb->pixel(w - 1, h - 1), 0x808080));
        }
        Image thumbnail = imageByScalingAndCroppingForSize(testing::quadrants(71, 53), w, h);
        ASSERT_EQ(thumbnail.width, w);
        ASSERT_EQ(thumbnail.height, h);
      }
      av_frame_free(&frame);
    }
  }
  EXPECT_EQ(GuardedHeap::overruns(), before);
}

TEST(ScalingBuffers, ThePhoneVideoSizesGiveTheirFirstFrame) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("vokari-sizes-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::size_t before = GuardedHeap::overruns();
  const std::pair<int, int> sizes[] = {{360, 640},  {480, 854},   {540, 960},
                                       {720, 1280}, {1080, 1920}, {200, 100},
                                       {202, 98},   {250, 130},   {320, 240}};
  for (auto [w, h] : sizes) {
    for (bool turned : {false, true}) {
      const int width = turned ? h : w, height = turned ? w : h;
      SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
      const std::string path =
          (dir / (std::to_string(width) + "x" + std::to_string(height) + ".mov")).string();
      ASSERT_TRUE(testing::writeVideo(
          path, testing::VideoShape{.width = width, .height = height, .frames = 2}));
      GuardedHeap guard;
      auto frame = getImage(path);
      ASSERT_TRUE(frame);
      EXPECT_EQ(frame->width, width);
      EXPECT_EQ(frame->height, height);
    }
  }
  EXPECT_EQ(GuardedHeap::overruns(), before);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vokari
