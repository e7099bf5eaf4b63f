#include <gtest/gtest.h>

#include "core/error.h"
#include "core/image/picture_file.h"
#include "core/image/picture_reader.h"
#include "image/picture_fixtures.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::EncodePng;
using testing::MaxChannelDiff;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TFastBMP Decode(const std::string& png) { return ReadPngPicture("test.png", Bytes(png)); }

std::string ErrorOf(const std::string& png) {
  try {
    Decode(png);
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

// Red x * 19, green y * 31, blue 255 - x - y, as RGB bytes and as the expected picture.
std::vector<uint8_t> RgbPixels(int w, int h, TFastBMP* expected) {
  std::vector<uint8_t> rgb;
  expected->SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const auto r = static_cast<uint8_t>(x * 19), g = static_cast<uint8_t>(y * 31),
                 b = static_cast<uint8_t>(255 - x - y);
      rgb.insert(rgb.end(), {r, g, b});
      testing::SetPixel(*expected, x, y, b, g, r);
    }
  }
  return rgb;
}

TEST(PngReader, RgbIsExact) {
  for (int w : {1, 5, 13}) {
    TFastBMP expected;
    const auto rgb = RgbPixels(w, 7, &expected);
    const TFastBMP out = Decode(EncodePng(rgb, w, 7, PNG_FORMAT_RGB));
    EXPECT_EQ(MaxChannelDiff(out, expected), 0) << w;
  }
}

TEST(PngReader, GreyComesOutGrey) {
  std::vector<uint8_t> grey;
  for (int i = 0; i < 12; ++i) grey.push_back(static_cast<uint8_t>(i * 21));
  const TFastBMP out = Decode(EncodePng(grey, 4, 3, PNG_FORMAT_GRAY));
  for (int i = 0; i < 12; ++i) {
    const uint8_t* p = out.Pixel(i % 4, i / 4);
    EXPECT_EQ(p[0], i * 21);
    EXPECT_EQ(p[1], i * 21);
    EXPECT_EQ(p[2], i * 21);
  }
}

TEST(PngReader, PaletteIsExact) {
  const std::vector<uint8_t> colormap = {255, 0, 0, 0, 128, 0, 10, 20, 30};  // RGB entries
  const std::vector<uint8_t> indices = {0, 1, 2, 2, 1, 0};
  const TFastBMP out = Decode(EncodePng(indices, 3, 2, PNG_FORMAT_RGB_COLORMAP, colormap));
  const uint8_t* p = out.Pixel(2, 0);  // index 2
  EXPECT_EQ(p[0], 30);
  EXPECT_EQ(p[1], 20);
  EXPECT_EQ(p[2], 10);
  p = out.Pixel(0, 1);  // index 2
  EXPECT_EQ(p[2], 10);
  p = out.Pixel(1, 1);  // index 1
  EXPECT_EQ(p[1], 128);
}

// Transparency is composited onto black: clear pixels are black, opaque ones keep their colour.
TEST(PngReader, AlphaIsCompositedOntoBlack) {
  const std::vector<uint8_t> rgba = {200, 100, 50, 255, 200, 100, 50, 0, 200, 100, 50, 128};
  const TFastBMP out = Decode(EncodePng(rgba, 3, 1, PNG_FORMAT_RGBA));
  EXPECT_EQ(out.Pixel(0, 0)[2], 200);
  EXPECT_EQ(out.Pixel(0, 0)[1], 100);
  EXPECT_EQ(out.Pixel(0, 0)[0], 50);
  EXPECT_EQ(out.Pixel(1, 0)[2], 0);
  EXPECT_EQ(out.Pixel(1, 0)[1], 0);
  EXPECT_EQ(out.Pixel(1, 0)[0], 0);
  EXPECT_GT(out.Pixel(2, 0)[2], 60);
  EXPECT_LT(out.Pixel(2, 0)[2], 200);
}

TEST(PngReader, SixteenBitsPerChannel) {
  std::vector<uint16_t> linear = {0, 0, 0, 65535, 65535, 65535};
  std::vector<uint8_t> bytes(linear.size() * 2);
  std::memcpy(bytes.data(), linear.data(), bytes.size());
  const TFastBMP out = Decode(EncodePng(bytes, 2, 1, PNG_FORMAT_LINEAR_RGB));
  EXPECT_EQ(out.Pixel(0, 0)[0], 0);
  EXPECT_EQ(out.Pixel(1, 0)[0], 255);
  EXPECT_EQ(out.Pixel(1, 0)[2], 255);
}

// Sets the size in the IHDR chunk and mends its checksum.
std::string WithSize(std::string png, uint32_t w, uint32_t h) {
  for (int i = 0; i < 4; ++i) {
    png[16 + i] = static_cast<char>(w >> (24 - 8 * i));
    png[20 + i] = static_cast<char>(h >> (24 - 8 * i));
  }
  const uint32_t crc = testing::PngCrc(png.data() + 12, 17);
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
  return png;
}

TEST(PngReader, OversizedHeaderIsRefused) {
  TFastBMP expected;
  const std::string png = EncodePng(RgbPixels(2, 2, &expected), 2, 2, PNG_FORMAT_RGB);
  const std::string limit = "more than the program accepts";
  EXPECT_NE(ErrorOf(WithSize(png, 16385, 2)).find(limit), std::string::npos);
  EXPECT_NE(ErrorOf(WithSize(png, 16384, 12208)).find(limit), std::string::npos);
  EXPECT_NE(ErrorOf(WithSize(png, 2, 16385)).find(limit), std::string::npos);
}

TEST(PngReader, NotAPngFile) {
  EXPECT_NE(ErrorOf("GIF89a not a png").find("\"test.png\""), std::string::npos);
  EXPECT_NE(ErrorOf("GIF89a not a png").find("Not a PNG file"), std::string::npos)
      << ErrorOf("GIF89a not a png");
}

TEST(PngReader, EveryTruncationIsRefusedOrComplete) {
  TFastBMP expected;
  const std::string png = EncodePng(RgbPixels(9, 7, &expected), 9, 7, PNG_FORMAT_RGB);
  testing::ExpectEveryCutRefusedOrComplete("test.png", png, expected, ReadPngPicture);
}

TEST(PngReader, DamagedImageDataIsRefused) {
  TFastBMP expected;
  std::string png = EncodePng(RgbPixels(9, 7, &expected), 9, 7, PNG_FORMAT_RGB);
  const size_t idat = png.find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  png[idat + 8] = static_cast<char>(png[idat + 8] ^ 0x55);  // checksum no longer matches
  EXPECT_NE(ErrorOf(png), "");
}

}  // namespace
}  // namespace glkov
