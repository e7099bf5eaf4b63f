#include "core/output/frame_dib.h"

#include <gtest/gtest.h>

#include <random>

#include "core/error.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::FilledPicture;

void SetPixel(TFastBMP& bmp, int x, int y, uint8_t b, uint8_t g, uint8_t r) {
  uint8_t* p = bmp.Pixel(x, y);
  p[0] = b;
  p[1] = g;
  p[2] = r;
}

struct HeaderCase {
  int colorCount;
  int width;
  int height;
  int bitCount;
  uint32_t headerSize;
  uint32_t imageSize;
  uint32_t clrUsed;
};

class FrameHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(FrameHeader, SizesAndFields) {
  const HeaderCase c = GetParam();
  const BitmapInfoHeader h = InitFrameInfoHeader(c.width, c.height, c.colorCount);
  EXPECT_EQ(h.biWidth, c.width);
  EXPECT_EQ(h.biHeight, c.height);
  EXPECT_EQ(h.biBitCount, c.bitCount);
  EXPECT_EQ(h.biSizeImage, c.imageSize);
  EXPECT_EQ(h.biClrUsed, c.clrUsed);
  const FrameDIBSizes s = GetFrameDIBSizes(c.width, c.height, c.colorCount);
  EXPECT_EQ(s.HeaderSize, c.headerSize);
  EXPECT_EQ(s.ImageSize, c.imageSize);
}

INSTANTIATE_TEST_SUITE_P(ColourCounts, FrameHeader,
                         ::testing::Values(
                             // 24 bits: 320 x 3 = 960 bytes a row, no colour table.
                             HeaderCase{65536, 320, 240, 24, 40, 960 * 240, 0},
                             HeaderCase{0, 320, 240, 24, 40, 960 * 240, 0},
                             // A row of 3 pixels is 9 bytes, padded to 12.
                             HeaderCase{65536, 3, 2, 24, 40, 24, 0},
                             // 8 bits: 256 table entries of 4 bytes.
                             HeaderCase{256, 5, 3, 8, 40 + 1024, 8 * 3, 256},
                             // 4 bits: 16 entries; 5 pixels = 3 bytes, padded to 4.
                             HeaderCase{16, 5, 3, 4, 40 + 64, 4 * 3, 16},
                             // 1 bit: 2 entries.
                             HeaderCase{2, 33, 2, 1, 40 + 8, 8 * 2, 2}));

TEST(FrameHeader, RejectsBadInput) {
  EXPECT_THROW(InitFrameInfoHeader(0, 10, 65536), Error);
  EXPECT_THROW(InitFrameInfoHeader(10, -1, 65536), Error);
  EXPECT_THROW(InitFrameInfoHeader(10, 10, 17), Error);
  // The image size does not fit 32 bits.
  EXPECT_THROW(InitFrameInfoHeader(100000, 100000, 65536), Error);
  EXPECT_THROW(InitFrameInfoHeader(1 << 30, 1, 65536), Error);
  EXPECT_NO_THROW(InitFrameInfoHeader(10000, 10000, 65536));
}

TEST(NearestColour, WorkedExamples) {
  // blue, green, red arguments
  EXPECT_EQ(NearestColorIndex16(0, 0, 250), 9);      // almost red
  EXPECT_EQ(NearestColorIndex16(200, 190, 185), 7);  // silver
  EXPECT_EQ(NearestColorIndex16(100, 120, 130), 8);  // grey
  EXPECT_EQ(NearestColorIndex16(0, 0, 0), 0);
  EXPECT_EQ(NearestColorIndex16(255, 255, 255), 15);
  EXPECT_EQ(NearestColorIndex16(150, 0, 0), 4);  // navy
  EXPECT_EQ(NearestColorIndex256(0, 0, 0), 0);   // black of the 16 before the cube's
  EXPECT_EQ(NearestColorIndex256(255, 255, 255), 15);
  EXPECT_EQ(NearestColorIndex256(150, 100, 50), 16 + 36 * 1 + 6 * 2 + 3);
  EXPECT_EQ(NearestColorIndex256(20, 19, 17), 232 + 1);  // grey 18
  EXPECT_EQ(NearestColorIndex256(128, 128, 128), 8);     // the standard grey itself
}

TEST(NearestColour, FastSearchMatchesFullSearch) {
  const std::vector<RgbQuad> p16 = FramePalette(4);
  const std::vector<RgbQuad> p256 = FramePalette(8);
  std::mt19937 rng(7);
  for (int i = 0; i < 200000; ++i) {
    const auto v = rng();
    const auto b = static_cast<uint8_t>(v);
    const auto g = static_cast<uint8_t>(v >> 8);
    const auto r = static_cast<uint8_t>(v >> 16);
    ASSERT_EQ(NearestColorIndex16(b, g, r), NearestColorIndex(p16, b, g, r));
    ASSERT_EQ(NearestColorIndex256(b, g, r), NearestColorIndex(p256, b, g, r))
        << int(b) << " " << int(g) << " " << int(r);
  }
  // Greys and near-greys, where the ramp, the cube and the standard colours compete.
  for (int v = 0; v < 256; ++v) {
    for (int d = -3; d <= 3; ++d) {
      const auto b = static_cast<uint8_t>(std::clamp(v + d, 0, 255));
      const auto g = static_cast<uint8_t>(v);
      const auto r = static_cast<uint8_t>(std::clamp(v - d, 0, 255));
      ASSERT_EQ(NearestColorIndex256(b, g, r), NearestColorIndex(p256, b, g, r)) << v << " " << d;
    }
  }
}

// DIB rows run bottom-up and are padded to four bytes: 24-bit colours, 8-bit indices (white 15,
// cube entry 67 for (150, 100, 50)), 4-bit indices high nibble first (red 9, blue 12, white 15,
// yellow 11).
TEST(GetFrameDIB, RowsBottomUpPaddedInEveryDepth) {
  struct Pixel {
    int x, y;
    uint8_t b, g, r;
  };
  struct Case {
    int colorCount, width, height;
    std::vector<Pixel> pixels;  // on black
    std::vector<uint8_t> bits;
  };
  const Case cases[] = {
      {65536, 3, 2, {{0, 0, 1, 2, 3}, {2, 1, 7, 8, 9}}, {0, 0, 0, 0, 0, 0, 7, 8, 9, 0, 0, 0,
                                                         1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {256,
       5,
       2,
       {{1, 0, 255, 255, 255}, {4, 1, 150, 100, 50}},
       {0, 0, 0, 0, 67, 0, 0, 0, 0, 15, 0, 0, 0, 0, 0, 0}},
      {16,
       5,
       1,
       {{0, 0, 0, 0, 255}, {1, 0, 255, 0, 0}, {2, 0, 255, 255, 255}, {4, 0, 0, 255, 255}},
       {0x9C, 0xF0, 0xB0, 0x00}},
  };
  for (const Case& c : cases) {
    TFastBMP frame = FilledPicture(c.width, c.height, 0, 0, 0);
    for (const Pixel& p : c.pixels) SetPixel(frame, p.x, p.y, p.b, p.g, p.r);
    BitmapInfoHeader h;
    std::vector<uint8_t> bits(100, 0xEE);
    GetFrameDIB(frame, c.colorCount, h, bits);
    EXPECT_EQ(bits, c.bits) << c.colorCount;
    EXPECT_EQ(h.biSizeImage, c.bits.size());
  }
}

}  // namespace
}  // namespace glkov
