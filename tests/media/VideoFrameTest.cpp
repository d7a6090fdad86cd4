// The first frame of a small video that the test writes itself with FFmpeg's libraries: a
// 64 x 32 picture (left half red, right half blue) stored with a display matrix that turns it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "media/Image.h"
#include "media/TestVideo.h"

namespace vokari {
namespace {

using testing::kHeight;
using testing::kWidth;
using testing::writeVideo;

// The display matrix's counter-clockwise angle as a reader of the file sees it.
int storedRotation(const std::string& path) {
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return 999;
  int angle = 999;
  if (avformat_find_stream_info(input, nullptr) >= 0 && input->nb_streams > 0) {
    const std::uint8_t* matrix =
        av_stream_get_side_data(input->streams[0], AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    if (matrix) {
      angle =
          static_cast<int>(av_display_rotation_get(reinterpret_cast<const std::int32_t*>(matrix)));
    }
  }
  avformat_close_input(&input);
  return angle;
}

bool reddish(std::uint32_t p) {
  return (p >> 16 & 0xff) > 150 && (p & 0xff) < 110;
}
bool bluish(std::uint32_t p) {
  return (p & 0xff) > 150 && (p >> 16 & 0xff) < 110;
}

struct VideoFrame : ::testing::Test {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("vokari-video-" + std::to_string(::getpid()));
  void SetUp() override { std::filesystem::create_directories(dir); }
  void TearDown() override { std::filesystem::remove_all(dir); }
};

TEST_F(VideoFrame, AnUprightRecordingGivesAnUprightPicture) {
  std::string path = (dir / "upright.mov").string();
  // A phone held upright stores frames on their side with a display matrix reading -90 degrees;
  // the QuickTime muxer writes the matrix so that +90 given here reads back as that.
  ASSERT_TRUE(writeVideo(path, 90, 3));
  ASSERT_EQ(storedRotation(path), -90);
  auto frame = getImage(path);
  ASSERT_TRUE(frame);
  // Turned a quarter clockwise: the left half (red) becomes the top.
  ASSERT_EQ(frame->width, kHeight);
  ASSERT_EQ(frame->height, kWidth);
  EXPECT_TRUE(reddish(frame->pixel(kHeight / 2, 4))) << std::hex << frame->pixel(kHeight / 2, 4);
  EXPECT_TRUE(bluish(frame->pixel(kHeight / 2, kWidth - 4)))
      << std::hex << frame->pixel(kHeight / 2, kWidth - 4);
  EXPECT_EQ(mediaKindOfFile(path), MediaKind::Movie);
}

TEST_F(VideoFrame, UnturnedAndHalfTurnedVideos) {
  std::string plain = (dir / "plain.mov").string(), turned = (dir / "turned.mov").string();
  ASSERT_TRUE(writeVideo(plain, 0, 3));
  ASSERT_TRUE(writeVideo(turned, 180, 3));
  auto a = getImage(plain), b = getImage(turned);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->width, kWidth);
  EXPECT_TRUE(reddish(a->pixel(4, kHeight / 2)) && bluish(a->pixel(kWidth - 4, kHeight / 2)));
  EXPECT_EQ(b->width, kWidth);
  EXPECT_TRUE(bluish(b->pixel(4, kHeight / 2)) && reddish(b->pixel(kWidth - 4, kHeight / 2)));
}

TEST_F(VideoFrame, NoPathOrNoVideoGivesNothing) {
  EXPECT_FALSE(getImage(std::nullopt));
  EXPECT_FALSE(getImage((dir / "missing.mov").string()));
  std::string text = (dir / "text.mov").string();
  std::ofstream(text) << "not a movie at all";
  EXPECT_FALSE(getImage(text));
  EXPECT_EQ(mediaKindOfFile(text), MediaKind::None);
  auto jpeg = encodeJpeg(Image::filled(8, 8, 0x808080), 50);
  std::string picture = (dir / "picture.mov").string();  // named like a movie, holds a picture
  std::ofstream(picture, std::ios::binary) << *jpeg;
  EXPECT_EQ(mediaKindOfFile(picture), MediaKind::Picture);
}

}  // namespace
}  // namespace vokari
