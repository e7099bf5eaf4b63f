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
  return testing::ErrorOf([&] { Decode(png); });
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

// Grey, palette and alpha pictures against the picture they stand for; transparency is composited
// onto black.
TEST(PngReader, GreyPaletteAndAlphaAreExact) {
  const std::vector<uint8_t> colormap = {255, 0, 0, 0, 128, 0, 10, 20, 30};  // RGB entries
  struct Case {
    uint32_t format;
    std::vector<uint8_t> pixels, colormap;
    std::vector<uint8_t> expected;  // RGB
  };
  const Case cases[] = {
      {PNG_FORMAT_GRAY, {0, 21, 42, 255}, {}, {0, 0, 0, 21, 21, 21, 42, 42, 42, 255, 255, 255}},
      {PNG_FORMAT_RGB_COLORMAP,
       {2, 1, 0, 2},
       colormap,
       {10, 20, 30, 0, 128, 0, 255, 0, 0, 10, 20, 30}},
      {PNG_FORMAT_RGBA,
       {200, 100, 50, 255, 200, 100, 50, 0, 0, 0, 0, 0, 255, 255, 255, 255},
       {},
       {200, 100, 50, 0, 0, 0, 0, 0, 0, 255, 255, 255}},
  };
  for (const Case& c : cases) {
    TFastBMP expected(2, 2);
    for (int i = 0; i < 4; ++i) {
      const uint8_t* rgb = &c.expected[3 * static_cast<size_t>(i)];
      testing::SetPixel(expected, i % 2, i / 2, rgb[2], rgb[1], rgb[0]);
    }
    const TFastBMP out = Decode(EncodePng(c.pixels, 2, 2, c.format, c.colormap));
    EXPECT_EQ(MaxChannelDiff(out, expected), 0) << c.format;
  }
  // Half transparent: between black and the colour.
  const TFastBMP half = Decode(EncodePng({200, 100, 50, 128}, 1, 1, PNG_FORMAT_RGBA));
  EXPECT_GT(half.Pixel(0, 0)[2], 60);
  EXPECT_LT(half.Pixel(0, 0)[2], 200);
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
  // One case: the limits themselves are the shared size check's (the BMP table).
  EXPECT_NE(ErrorOf(WithSize(png, 16384, 12208)).find(limit), std::string::npos);
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
  EXPECT_NE(ErrorOf(png), "(no error)");
}

}  // namespace
}  // namespace glkov
