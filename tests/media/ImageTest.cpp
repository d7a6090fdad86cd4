// Scaling and cropping on real pixels, the picture formats with their orientation and limits,
// and what kind of media a file holds.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include "media/Image.h"
#include "media/TestPictures.h"
#include "media/TestVideo.h"

namespace vokari {
namespace {

using namespace testing;

// Whether any pixel of the picture is close to the colour.
bool contains(const Image& image, std::uint32_t color) {
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (near(image.pixel(x, y), color, 60)) return true;
    }
  }
  return false;
}

struct Fill {
  int x, y, width, height;
  std::uint32_t color;
};
struct Probe {
  int x, y;
  std::uint32_t color;
};
struct CropCase {
  const char* what;
  int width, height;
  std::uint32_t background;
  std::vector<Fill> fills;
  int targetWidth, targetHeight;
  std::vector<std::uint32_t> lost;  // colours no pixel of the result may have
  std::vector<Probe> kept;          // pixels of the result and the colour they must have
  bool unchanged = false;           // the result equals the source pixel for pixel
};

TEST(ScaleAndCrop, CoversTheTargetAndCutsAsTheGeometrySays) {
  const CropCase cases[] = {
      // 400 x 300 to 120 x 120: scaled by 0.4 to 160 x 120, 20 pixels cut on each side, which
      // are the outer 50 source columns on each side.
      {"a wider picture loses equal parts left and right",
       400,
       300,
       kGreen,
       {{0, 0, 48, 300, kRed},
        {352, 0, 48, 300, kBlue},
        {52, 0, 10, 300, kBlack},
        {338, 0, 10, 300, kWhite}},
       120,
       120,
       {kRed, kBlue},
       {{1, 60, kBlack}, {118, 60, kWhite}, {60, 0, kGreen}, {60, 119, kGreen}}},
      // 300 x 400 to 120 x 120: scaled by 0.4 to 120 x 160 at the top; the bottom 100 source
      // rows (40 scaled rows) are lost; the full width stays.
      {"a taller picture keeps its top and loses its bottom",
       300,
       400,
       kGreen,
       {{0, 0, 300, 10, kBlack}, {0, 290, 300, 8, kWhite}, {0, 302, 300, 98, kRed}},
       120,
       120,
       {kRed},
       {{60, 1, kBlack}, {60, 117, kWhite}, {0, 60, kGreen}, {119, 60, kGreen}}},
      // 100 x 50 to 80 x 80: scaled by 1.6 to 160 x 80 at x = -40, so source columns 25..74
      // remain.
      {"a smaller picture is scaled up",
       100,
       50,
       kGreen,
       {{0, 0, 24, 50, kRed}, {76, 0, 24, 50, kBlue}, {26, 0, 4, 50, kBlack}},
       80,
       80,
       {kRed, kBlue},
       {{3, 40, kBlack}}},
      {"a picture of the target size comes back unchanged",
       80,
       80,
       kGreen,
       {{3, 5, 1, 1, kRed}},
       80,
       80,
       {},
       {{3, 5, kRed}},
       true},
      // 1 x 100,000 to 80 x 80: only the top pixel lands on the canvas.
      {"a one-pixel-wide strip is cut to its top pixel before it is scaled",
       1,
       100000,
       kGreen,
       {{0, 0, 1, 1, kRed}},
       80,
       80,
       {kGreen},
       {{0, 0, kRed}, {79, 79, kRed}}},
  };
  for (const CropCase& c : cases) {
    SCOPED_TRACE(c.what);
    Image image = Image::filled(c.width, c.height, c.background);
    for (const Fill& f : c.fills) image.fill(f.x, f.y, f.width, f.height, f.color);
    Image out = imageByScalingAndCroppingForSize(image, c.targetWidth, c.targetHeight);
    ASSERT_EQ(out.width, c.targetWidth);
    ASSERT_EQ(out.height, c.targetHeight);
    for (std::uint32_t color : c.lost) EXPECT_FALSE(contains(out, color)) << std::hex << color;
    for (const Probe& p : c.kept) {
      EXPECT_TRUE(near(out.pixel(p.x, p.y), p.color))
          << p.x << "," << p.y << ": " << std::hex << out.pixel(p.x, p.y);
    }
    if (c.unchanged) {
      EXPECT_EQ(out.rgb, image.rgb);
    }
  }
}

// The colours at the corners of a picture: top left, top right, bottom left, bottom right.
std::array<std::uint32_t, 4> corners(const Image& image) {
  int r = image.width - 2, b = image.height - 2;
  return {image.pixel(1, 1), image.pixel(r, 1), image.pixel(1, b), image.pixel(r, b)};
}

bool cornersNear(const Image& image, std::array<std::uint32_t, 4> want) {
  auto got = corners(image);
  for (int i = 0; i < 4; ++i)
    if (!near(got[i], want[i], 60)) return false;
  return true;
}

TEST(Orientation, EveryExifOrientationComesOutUpright) {
  // Stored 64 x 32: red top left, blue top right, green bottom left, white bottom right.
  const std::string stored = *encodeJpeg(quadrants(64, 32), 95);
  struct Case {
    int orientation;
    bool portrait;
    std::array<std::uint32_t, 4> upright;
  };
  const Case cases[] = {
      {1, false, {kRed, kBlue, kGreen, kWhite}},
      {2, false, {kBlue, kRed, kWhite, kGreen}},  // mirrored
      {3, false, {kWhite, kGreen, kBlue, kRed}},  // half turn
      {4, false, {kGreen, kWhite, kRed, kBlue}},  // mirrored upside down
      {5, true, {kRed, kGreen, kBlue, kWhite}},   // transposed
      // A phone held upright: the stored picture lies on its side, turned back a quarter
      // clockwise, so its left edge becomes the top.
      {6, true, {kGreen, kRed, kWhite, kBlue}},
      {7, true, {kWhite, kBlue, kGreen, kRed}},   // transversed
      {8, true, {kBlue, kWhite, kRed, kGreen}},   // a quarter back: not the same as 6
      {9, false, {kRed, kBlue, kGreen, kWhite}},  // no such orientation: as stored
      {0, false, {kRed, kBlue, kGreen, kWhite}},  // EXIF without an orientation: as stored
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("orientation " + std::to_string(c.orientation));
    auto image = decodeImage(withOrientation(stored, c.orientation));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, c.portrait ? 32 : 64);
    EXPECT_EQ(image->height, c.portrait ? 64 : 32);
    EXPECT_TRUE(cornersNear(*image, c.upright))
        << std::hex << corners(*image)[0] << " " << corners(*image)[1] << " " << corners(*image)[2];
    // The upright picture encoded again carries no tag, so a reader that ignores EXIF shows it
    // the same way.
    auto again = encodeJpeg(*image, 90);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->find("Exif"), std::string::npos);
    EXPECT_TRUE(cornersNear(*decodeImage(*again), c.upright));
  }
}

struct MediaFiles : ::testing::Test {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("vokari-media-" + std::to_string(::getpid()));
  void SetUp() override { std::filesystem::create_directories(dir); }
  void TearDown() override { std::filesystem::remove_all(dir); }
  static std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string write(const std::string& name, const std::string& bytes) {
    std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
};

TEST_F(MediaFiles, EveryPictureFormatDecodesAndIsAPictureWhateverItsName) {
  const Image source = quadrants(48, 32);
  Image second = Image::filled(48, 32, kBlack);  // a later GIF frame, which must not show
  struct Case {
    const char* name;
    std::string bytes;
    int tolerance;
  };
  const Case cases[] = {
      {"photo.mov", *encodeJpeg(source, 95), 40},
      {"plate.dat", encodePng(source), 0},
      {"animated", encodeGif({source, second}), 0},
      {"interlaced.gif", encodeGif({source}, true), 0},
      {"sticker.jpg", encodeWebP(source), 0},
      {"portrait", encodeHeic(source), 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.bytes.empty());
    auto image = decodeImage(c.bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 48);
    EXPECT_EQ(image->height, 32);
    auto want = std::array<std::uint32_t, 4>{kRed, kBlue, kGreen, kWhite};
    for (int i = 0; i < 4; ++i)
      EXPECT_TRUE(near(corners(*image)[i], want[i], c.tolerance))
          << i << ": " << std::hex << corners(*image)[i];
    EXPECT_EQ(mediaKindOfFile(write(c.name, c.bytes)), MediaKind::Picture);
  }
}

TEST_F(MediaFiles, WhatPhonesAndAlbumsHoldComesOutInItsColoursOnWhite) {
  const Image source = quadrants(48, 32);
  const std::array<std::uint32_t, 4> all = {kRed, kBlue, kGreen, kWhite};
  // The right half is transparent: it shows white, whatever colour it stores.
  const std::array<std::uint32_t, 4> leftOnly = {kRed, kWhite, kGreen, kWhite};
  struct Case {
    const char* name;
    std::string bytes;
    std::array<std::uint32_t, 4> corners;
    int tolerance;
  };
  const Case cases[] = {
      {"clear.webp", encodeWebPRgba(withClearRight(source), true), leftOnly, 0},
      {"clear-lossy.webp", encodeWebPRgba(withClearRight(source), false), leftOnly, 40},
      {"animated.webp", encodeAnimatedWebP({source, Image::filled(48, 32, kBlack)}), all, 0},
      {"print.jpg", encodeCmykJpeg(source, Inks::AdobeCmyk), all, 40},
      {"print-ycck.jpg", encodeCmykJpeg(source, Inks::AdobeYcck), all, 40},
      {"plain-cmyk.jpg", encodeCmykJpeg(source, Inks::PlainCmyk), all, 40},
      {"photo.avif", avifQuadrants(), all, 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.bytes.empty());
    const std::string path = write(c.name, c.bytes);
    EXPECT_EQ(mediaKindOfFile(path), MediaKind::Picture);
    auto image = decodeImageFile(path);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width, 48);
    ASSERT_EQ(image->height, 32);
    for (int i = 0; i < 4; ++i)
      EXPECT_TRUE(near(corners(*image)[i], c.corners[i], c.tolerance))
          << i << ": " << std::hex << corners(*image)[i];
  }
  // An image sequence with no still picture in it: taken for a picture by its brand, never handed
  // to the movie probe, and refused.
  std::string movie = (dir / "sequence.mov").string();
  ASSERT_TRUE(writeVideo(movie, 0, 3));
  std::string sequence = *readFile(movie);
  sequence.replace(8, 4, "avis");
  const std::string path = write("sequence.avif", sequence);
  EXPECT_EQ(mediaKindOfFile(path), MediaKind::Picture);
  EXPECT_FALSE(decodeImageFile(path));
}

TEST_F(MediaFiles, TheKindComesFromTheContentNeverFromTheName) {
  std::string movie = (dir / "holiday.jpg").string();  // named like a picture, holds a movie
  ASSERT_TRUE(writeVideo(movie, 0, 3));
  EXPECT_EQ(mediaKindOfFile(movie), MediaKind::Movie);
  for (const char* name : {"note.jpg", "note.mov", "note.gif", "note.heic"}) {
    SCOPED_TRACE(name);
    std::string text = write(name, "Meet at the corner at nine.\nBring the photos.\n");
    EXPECT_EQ(mediaKindOfFile(text), MediaKind::None);
    EXPECT_FALSE(decodeImageFile(text));
    EXPECT_FALSE(getImage(text));
  }
  EXPECT_EQ(mediaKindOfFile((dir / "missing.mov").string()), MediaKind::None);
  EXPECT_FALSE(decodeImage(std::string("\xff\xd8\xff not really"))) << "a broken JPEG";
  EXPECT_FALSE(decodeImage(encodeJpeg(quadrants(64, 48), 90)->substr(0, 40))) << "a cut-off one";
}

TEST(Limits, DeclaredSizesOverTheLimitAreRefusedAndJpegIsDecodedScaled) {
  EXPECT_FALSE(decodeImage(pngDeclaring(1, 100))) << "a header without pixel data";
  // 20,000 x 20,000 declared: refused from the header alone, before anything is allocated.
  EXPECT_FALSE(decodeImage(pngDeclaring(20000, 20000)));
  EXPECT_FALSE(decodeImage(webpDeclaring(16000, 16000)));
  EXPECT_FALSE(decodeImage(gifDeclaring(65535, 65535)));
  // A few hundred bytes declaring 20,000 x 20,000: a progressive file would make libjpeg hold
  // every coefficient (1.2 GB), a baseline one ends long before its rows do.
  EXPECT_FALSE(decodeImage(jpegDeclaring(greyJpeg(16, 16, true), 20000, 20000)));
  EXPECT_FALSE(decodeImage(jpegDeclaring(greyJpeg(16, 16, false), 20000, 20000)));
  // Each scan passes over every coefficient again: a few hundred are taken, no more.
  EXPECT_TRUE(decodeImage(greyJpeg(64, 48, true, 190)));
  EXPECT_FALSE(decodeImage(greyJpeg(64, 48, true, 380)));
  // Above 48 megapixels a JPEG is decoded scaled down, to the most eighths within the limit.
  auto large = decodeImage(greyJpeg(9000, 6000, false));
  ASSERT_TRUE(large);
  EXPECT_EQ(large->width, 7875);
  EXPECT_EQ(large->height, 5250);
  Image tall = Image::filled(1, 100000, kGreen);
  tall.fill(0, 0, 1, 1, kRed);
  auto strip = decodeImage(encodePng(tall));
  ASSERT_TRUE(strip) << "100,000 pixels are well within the limit";
  EXPECT_EQ(strip->height, 100000);

  // A 4000 x 3000 JPEG decoded for what a target needs: the fewest eighths that still cover it.
  const std::string big = *encodeJpeg(quadrants(4000, 3000), 80);
  struct Case {
    std::optional<Size> cover;
    int width, height;
  };
  for (const Case& c : {Case{Size{80, 80}, 500, 375}, Case{Size{1000, 1000}, 1500, 1125},
                        Case{Size{4000, 100}, 4000, 3000}, Case{Size{500, 375}, 500, 375},
                        Case{Size{501, 1}, 1000, 750}, Case{std::nullopt, 4000, 3000}}) {
    auto image = decodeImage(big, c.cover);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, c.width);
    EXPECT_EQ(image->height, c.height);
    EXPECT_TRUE(cornersNear(*image, {kRed, kBlue, kGreen, kWhite}));
  }
  // The cover is of the upright picture: a portrait photo needs its stored height as width.
  auto portrait = decodeImage(withOrientation(big, 6), Size{1000, 1000});
  ASSERT_TRUE(portrait);
  EXPECT_EQ(portrait->width, 1125);
  EXPECT_EQ(portrait->height, 1500);
}

TEST(Codecs, TheStrongestCompressionIsTheSmallest) {
  Image image = quadrants(64, 48);
  auto best = encodeJpeg(image, 100);
  auto smallest = encodeJpeg(image, 1);
  ASSERT_TRUE(best && smallest);
  EXPECT_LT(smallest->size(), best->size());
  EXPECT_FALSE(encodeJpeg(Image{}, 50));
}

}  // namespace
}  // namespace vokari
