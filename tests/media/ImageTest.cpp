// Scaling and cropping on real pixels, the picture codecs, and a video's first frame.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "media/Image.h"

namespace vokari {
namespace {

constexpr std::uint32_t kRed = 0xff0000, kGreen = 0x00ff00, kBlue = 0x0000ff, kWhite = 0xffffff,
                        kBlack = 0x000000;

// Whether a pixel is close to a colour; scaling and JPEG leave small errors.
bool near(std::uint32_t got, std::uint32_t want, int tolerance = 40) {
  for (int shift : {16, 8, 0}) {
    int a = (got >> shift) & 0xff, b = (want >> shift) & 0xff;
    if (std::abs(a - b) > tolerance) return false;
  }
  return true;
}

// Whether any pixel of the picture is close to the colour.
bool contains(const Image& image, std::uint32_t color) {
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (near(image.pixel(x, y), color, 60)) return true;
    }
  }
  return false;
}

TEST(ScaleAndCrop, AWiderPictureLosesEqualPartsLeftAndRight) {
  // 400 x 300 to 120 x 120: scaled by 0.4 to 160 x 120, 20 pixels cut on each side, which are
  // the outer 50 source columns on each side.
  Image image = Image::filled(400, 300, kGreen);
  image.fill(0, 0, 48, 300, kRed);      // cut off
  image.fill(352, 0, 48, 300, kBlue);   // cut off
  image.fill(52, 0, 10, 300, kBlack);   // just inside on the left
  image.fill(338, 0, 10, 300, kWhite);  // just inside on the right
  Image out = imageByScalingAndCroppingForSize(image, 120, 120);
  ASSERT_EQ(out.width, 120);
  ASSERT_EQ(out.height, 120);
  EXPECT_FALSE(contains(out, kRed));
  EXPECT_FALSE(contains(out, kBlue));
  EXPECT_TRUE(near(out.pixel(1, 60), kBlack)) << std::hex << out.pixel(1, 60);
  EXPECT_TRUE(near(out.pixel(118, 60), kWhite)) << std::hex << out.pixel(118, 60);
  EXPECT_TRUE(near(out.pixel(60, 0), kGreen) && near(out.pixel(60, 119), kGreen));
}

TEST(ScaleAndCrop, ATallerPictureKeepsItsTopAndLosesItsBottom) {
  // 300 x 400 to 120 x 120: scaled by 0.4 to 120 x 160 at the top; the bottom 100 source rows
  // (40 scaled rows) are lost.
  Image image = Image::filled(300, 400, kGreen);
  image.fill(0, 0, 300, 10, kBlack);   // top edge kept
  image.fill(0, 290, 300, 8, kWhite);  // just above the cut: kept
  image.fill(0, 302, 300, 98, kRed);   // below the cut: lost
  Image out = imageByScalingAndCroppingForSize(image, 120, 120);
  ASSERT_EQ(out.width, 120);
  ASSERT_EQ(out.height, 120);
  EXPECT_TRUE(near(out.pixel(60, 1), kBlack));
  EXPECT_TRUE(near(out.pixel(60, 117), kWhite)) << std::hex << out.pixel(60, 117);
  EXPECT_FALSE(contains(out, kRed));
  EXPECT_TRUE(near(out.pixel(0, 60), kGreen) && near(out.pixel(119, 60), kGreen))
      << "the full width stays";
}

TEST(ScaleAndCrop, UpscaledAndExactSizes) {
  // 100 x 50 to 80 x 80: scaled by 1.6 to 160 x 80 at x = -40, so source columns 25..74 remain.
  Image image = Image::filled(100, 50, kGreen);
  image.fill(0, 0, 24, 50, kRed);
  image.fill(76, 0, 24, 50, kBlue);
  image.fill(26, 0, 4, 50, kBlack);
  Image out = imageByScalingAndCroppingForSize(image, 80, 80);
  ASSERT_EQ(out.width, 80);
  ASSERT_EQ(out.height, 80);
  EXPECT_FALSE(contains(out, kRed));
  EXPECT_FALSE(contains(out, kBlue));
  EXPECT_TRUE(near(out.pixel(3, 40), kBlack)) << std::hex << out.pixel(3, 40);

  Image same = Image::filled(80, 80, kGreen);
  same.fill(3, 5, 1, 1, kRed);
  Image unchanged = imageByScalingAndCroppingForSize(same, 80, 80);
  EXPECT_EQ(unchanged.rgb, same.rgb) << "a picture of the target size comes back unchanged";
}

TEST(Codecs, JpegAndPngDecodeAndTheStrongestCompressionIsSmall) {
  Image image = Image::filled(64, 48, kBlue);
  image.fill(0, 0, 32, 48, kRed);
  auto best = encodeJpeg(image, 100);
  auto smallest = encodeJpeg(image, 1);
  ASSERT_TRUE(best && smallest);
  EXPECT_LT(smallest->size(), best->size());
  auto decoded = decodeImage(*best);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->width, 64);
  EXPECT_EQ(decoded->height, 48);
  EXPECT_TRUE(near(decoded->pixel(5, 5), kRed));
  EXPECT_TRUE(near(decoded->pixel(60, 40), kBlue));
  EXPECT_FALSE(decodeImage("not a picture"));
  EXPECT_FALSE(decodeImage(best->substr(0, 40))) << "a cut-off JPEG";
  // A 2 x 1 PNG: one red and one blue pixel.
  const std::string png(
      "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52"
      "\x00\x00\x00\x02\x00\x00\x00\x01\x08\x02\x00\x00\x00\x7b\x40\xe8"
      "\xdd\x00\x00\x00\x0d\x49\x44\x41\x54\x78\x9c\x63\xf8\xcf\x00\x04"
      "\xff\x01\x07\x00\x01\xff\xe2\x23\x9e\x59\x00\x00\x00\x00\x49\x45"
      "\x4e\x44\xae\x42\x60\x82",
      70);
  auto fromPng = decodeImage(png);
  ASSERT_TRUE(fromPng);
  EXPECT_EQ(fromPng->width, 2);
  EXPECT_EQ(fromPng->pixel(0, 0), kRed);
  EXPECT_EQ(fromPng->pixel(1, 0), kBlue);
}

}  // namespace
}  // namespace vokari
