// The first frame of small videos that the test writes itself with FFmpeg's libraries: a
// 64 x 32 first frame (left half red, right half blue) followed by green ones, stored with a
// display matrix that turns it.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "media/Image.h"
#include "media/TestVideo.h"

namespace vokari {
namespace {

using testing::kHeight;
using testing::kWidth;
using testing::writeVideo;

bool reddish(std::uint32_t p) {
  return (p >> 16 & 0xff) > 150 && (p & 0xff) < 110 && (p >> 8 & 0xff) < 110;
}
bool bluish(std::uint32_t p) {
  return (p & 0xff) > 150 && (p >> 16 & 0xff) < 110 && (p >> 8 & 0xff) < 110;
}

struct VideoFrame : ::testing::Test {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("vokari-video-" + std::to_string(::getpid()));
  void SetUp() override { std::filesystem::create_directories(dir); }
  void TearDown() override { std::filesystem::remove_all(dir); }
};

TEST_F(VideoFrame, TheFirstFrameComesOutTurnedAsTheVideoSays) {
  struct Case {
    double rotation;   // counter-clockwise, as given to the muxer
    bool portrait;     // the upright frame is taller than wide
    const char* red;   // where the red half of the stored frame ends up
    const char* blue;  // and the blue half
  };
  // A phone held upright stores frames on their side with a display matrix reading -90
  // degrees; the QuickTime muxer writes the matrix so that +90 given here reads back as that,
  // and the frame is turned a quarter clockwise: its left half (red) becomes the top. 270 turns
  // the other way: red at the bottom.
  const Case cases[] = {{0, false, "left", "right"},
                        {90, true, "top", "bottom"},
                        {180, false, "right", "left"},
                        {270, true, "bottom", "top"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rotation);
    std::string path = (dir / ("turned" + std::to_string(int(c.rotation)) + ".mov")).string();
    ASSERT_TRUE(writeVideo(path, c.rotation, 3));
    auto frame = getImage(path);
    ASSERT_TRUE(frame);
    ASSERT_EQ(frame->width, c.portrait ? kHeight : kWidth);
    ASSERT_EQ(frame->height, c.portrait ? kWidth : kHeight);
    const int w = frame->width, h = frame->height;
    // The pixels in the middle of each edge: the first frame, not a later (green) one.
    std::map<std::string, std::uint32_t> edge = {{"top", frame->pixel(w / 2, 3)},
                                                 {"bottom", frame->pixel(w / 2, h - 4)},
                                                 {"left", frame->pixel(3, h / 2)},
                                                 {"right", frame->pixel(w - 4, h / 2)}};
    EXPECT_TRUE(reddish(edge[c.red])) << std::hex << edge[c.red];
    EXPECT_TRUE(bluish(edge[c.blue])) << std::hex << edge[c.blue];
    EXPECT_EQ(mediaKindOfFile(path), MediaKind::Movie);
  }
}

TEST_F(VideoFrame, NoPathOrNoVideoGivesNothing) {
  EXPECT_FALSE(getImage(std::nullopt));
  EXPECT_FALSE(getImage((dir / "missing.mov").string()));
}

}  // namespace
}  // namespace vokari
