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

// What the first frame shows, worked out from the test file's layout: the screen widened to hold
// the frame, the background colour outside the frame and where it is transparent, else the colour
// of its index in the local table or the global one.
TFastBMP Shown(const GifSpec& s) {
  const GifFrame& f = s.frames[0];
  const auto& table = f.localColours.empty() ? s.globalColours : f.localColours;
  TFastBMP out(std::max(s.screenWidth, f.left + f.width),
               std::max(s.screenHeight, f.top + f.height));
  for (int y = 0; y < out.Height(); ++y) {
    for (int x = 0; x < out.Width(); ++x) {
      const GifColorType* c = &s.globalColours[static_cast<size_t>(s.background)];
      if (x >= f.left && x < f.left + f.width && y >= f.top && y < f.top + f.height) {
        const int i = f.indices[static_cast<size_t>((y - f.top) * f.width + x - f.left)];
        if (i != f.transparent) c = &table[static_cast<size_t>(i)];
      }
      testing::SetPixel(out, x, y, c->Blue, c->Green, c->Red);
    }
  }
  return out;
}

// A frame filling the screen (also interlaced), a local colour table, a small transparent frame
// on the background, a second frame (ignored), a frame reaching past the screen.
TEST(GifReader, FirstFrameOnTheScreen) {
  auto reversed = Palette();
  std::reverse(reversed.begin(), reversed.end());
  GifFrame local = Frame(0, 0, 4, 3), transparent = Frame(3, 2, 4, 5), second = Frame(0, 0, 6, 4);
  local.localColours = reversed;
  transparent.transparent = 1;
  for (auto& i : second.indices) i = 7;
  const GifSpec cases[] = {
      {13, 11, Palette(), 0, {Frame(0, 0, 13, 11)}},
      {13, 11, Palette(), 0, {Frame(0, 0, 13, 11, true)}},
      {4, 3, Palette(), 0, {local}},
      {10, 8, Palette(), 5, {transparent}},
      {6, 4, Palette(), 0, {Frame(0, 0, 6, 4), second}},
      {4, 4, Palette(), 0, {Frame(2, 1, 5, 6)}},
  };
  for (const GifSpec& spec : cases) {
    const TFastBMP out = Decode(EncodeGif(spec));
    EXPECT_EQ(MaxChannelDiff(out, Shown(spec)), 0)
        << spec.screenWidth << " x " << spec.screenHeight;
  }
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
