#include <gtest/gtest.h>

#include "core/error.h"
#include "core/image/picture_file.h"
#include "core/image/picture_reader.h"
#include "image/picture_fixtures.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::EncodeGif;
using testing::GifFrame;
using testing::GifSpec;
using testing::MaxChannelDiff;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TFastBMP Decode(const std::string& gif) { return ReadGifPicture("test.gif", Bytes(gif)); }

std::string ErrorOf(const std::string& gif) {
  return testing::ErrorOf([&] { Decode(gif); });
}

// Eight colours: index i has blue 10 i, green 20 i, red 255 - 30 i.
std::vector<GifColorType> Palette(int n = 8) {
  std::vector<GifColorType> p;
  for (int i = 0; i < n; ++i) {
    p.push_back({static_cast<GifByteType>(255 - 30 * i), static_cast<GifByteType>(20 * i),
                 static_cast<GifByteType>(10 * i)});
  }
  return p;
}

GifFrame Frame(int left, int top, int w, int h, bool interlace = false) {
  GifFrame f;
  f.left = left;
  f.top = top;
  f.width = w;
  f.height = h;
  f.interlace = interlace;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) f.indices.push_back(static_cast<uint8_t>((x + 3 * y) % 8));
  }
  return f;
}

// The colour of index i of a table, as blue, green, red bytes.
void ExpectColour(const TFastBMP& bmp, int x, int y, const GifColorType& c) {
  const uint8_t* p = bmp.Pixel(x, y);
  EXPECT_EQ(p[0], c.Blue) << x << "," << y;
  EXPECT_EQ(p[1], c.Green) << x << "," << y;
  EXPECT_EQ(p[2], c.Red) << x << "," << y;
}

TEST(GifReader, FrameFillingTheScreen) {
  for (bool interlace : {false, true}) {
    GifSpec spec{13, 11, Palette(), 0, {Frame(0, 0, 13, 11, interlace)}};
    const TFastBMP out = Decode(EncodeGif(spec));
    ASSERT_EQ(out.Width(), 13);
    ASSERT_EQ(out.Height(), 11);
    for (int y = 0; y < 11; ++y) {
      for (int x = 0; x < 13; ++x) ExpectColour(out, x, y, spec.globalColours[(x + 3 * y) % 8]);
    }
  }
}

TEST(GifReader, LocalColourTableWins) {
  GifSpec spec{4, 3, Palette(), 0, {Frame(0, 0, 4, 3)}};
  auto local = Palette();
  std::reverse(local.begin(), local.end());
  spec.frames[0].localColours = local;
  const TFastBMP out = Decode(EncodeGif(spec));
  ExpectColour(out, 1, 0, local[1]);
  ExpectColour(out, 2, 2, local[(2 + 6) % 8]);
}

// Outside the frame, and where the frame is transparent, the background colour shows.
TEST(GifReader, SmallFrameOnTheBackground) {
  GifSpec spec{10, 8, Palette(), 5, {Frame(3, 2, 4, 5)}};
  spec.frames[0].transparent = 1;
  const TFastBMP out = Decode(EncodeGif(spec));
  ASSERT_EQ(out.Width(), 10);
  ASSERT_EQ(out.Height(), 8);
  const GifColorType& background = spec.globalColours[5];
  ExpectColour(out, 0, 0, background);
  ExpectColour(out, 9, 7, background);
  ExpectColour(out, 2, 2, background);
  ExpectColour(out, 3, 2, spec.globalColours[0]);             // frame (0, 0)
  ExpectColour(out, 4, 2, background);                        // frame (1, 0): index 1
  ExpectColour(out, 6, 6, spec.globalColours[(3 + 12) % 8]);  // frame (3, 4)
  ExpectColour(out, 7, 6, background);
}

TEST(GifReader, OnlyTheFirstFrameCounts) {
  GifFrame second = Frame(0, 0, 6, 4);
  for (auto& i : second.indices) i = 7;
  GifSpec spec{6, 4, Palette(), 0, {Frame(0, 0, 6, 4), second}};
  const TFastBMP out = Decode(EncodeGif(spec));
  ExpectColour(out, 0, 0, spec.globalColours[0]);
  ExpectColour(out, 5, 3, spec.globalColours[(5 + 9) % 8]);
}

TEST(GifReader, FrameReachingPastTheScreenWidensIt) {
  GifSpec spec{4, 4, Palette(), 0, {Frame(2, 1, 5, 6)}};
  const TFastBMP out = Decode(EncodeGif(spec));
  EXPECT_EQ(out.Width(), 7);
  EXPECT_EQ(out.Height(), 7);
  ExpectColour(out, 6, 6, spec.globalColours[(4 + 15) % 8]);
}

TEST(GifReader, Refusals) {
  EXPECT_EQ(ErrorOf("GIF89a"), "Cannot read picture \"test.gif\": No screen descriptor detected.");
  EXPECT_NE(ErrorOf("PNG not a gif file").find("Data is not in GIF format"), std::string::npos)
      << ErrorOf("PNG not a gif file");
  // 4 x 4 screen and frame, neither with a colour table (giflib's encoder will not write this).
  const std::string noColours(
      "GIF89a\x04\0\x04\0\0\0\0"
      ",\0\0\0\0\x04\0\x04\0\0"
      "\x02\0;",
      26);
  EXPECT_EQ(ErrorOf(noColours),
            "Cannot read picture \"test.gif\": the GIF file has no colour table.");
  GifSpec noFrame{4, 4, Palette(), 0, {}};
  EXPECT_EQ(ErrorOf(EncodeGif(noFrame)),
            "Cannot read picture \"test.gif\": the GIF file holds no picture.");
}

TEST(GifReader, OversizedScreenOrFrameIsRefused) {
  const std::string limit = "more than the program accepts";
  EXPECT_NE(ErrorOf(EncodeGif({16384, 12208, Palette(), 0, {Frame(0, 0, 2, 2)}})).find(limit),
            std::string::npos);
  EXPECT_NE(ErrorOf(EncodeGif({2, 2, Palette(), 0, {Frame(16384, 0, 2, 2)}})).find(limit),
            std::string::npos);
}

TEST(GifReader, EveryTruncationIsRefusedOrComplete) {
  for (bool interlace : {false, true}) {
    GifSpec spec{9, 7, Palette(), 2, {Frame(1, 1, 7, 5, interlace)}};
    spec.frames[0].transparent = 3;
    const std::string gif = EncodeGif(spec);
    testing::ExpectEveryCutRefusedOrComplete("test.gif", gif, Decode(gif), ReadGifPicture);
  }
}

}  // namespace
}  // namespace glkov
