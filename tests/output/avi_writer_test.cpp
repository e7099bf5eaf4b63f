#include "core/output/avi_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>
#include <tuple>

#include "core/error.h"
#include "core/output/frame_dib.h"
#include "output/decode_movie.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::DecodedMovie;
using testing::DecodeMovie;
using testing::ErrorOf;
using testing::TempDir;

// A frame that differs in every pixel and from frame to frame; smooth enough for lossy codecs.
TFastBMP TestFrame(int w, int h, int index) {
  TFastBMP bmp(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = bmp.Pixel(x, y);
      p[0] = static_cast<uint8_t>(x * 255 / std::max(1, w - 1));
      p[1] = static_cast<uint8_t>(y * 255 / std::max(1, h - 1));
      p[2] = static_cast<uint8_t>((40 * index + (x + y) / 4) % 256);
    }
  }
  return bmp;
}

// With RowOrder::BottomUp every frame is handed over with its rows turned, as the export does.
void WriteMovie(const std::filesystem::path& file, const AviWriterOptions& o, int frames,
                RowOrder rows = RowOrder::TopDown) {
  AviWriter writer(file, o);
  for (int i = 0; i < frames; ++i) {
    TFastBMP frame = TestFrame(o.Width, o.Height, i);
    if (rows == RowOrder::BottomUp) {
      TFastBMP turned(o.Width, o.Height);
      for (int y = 0; y < o.Height; ++y) {
        std::copy_n(frame.Row(y), frame.RowStride(), turned.Row(o.Height - 1 - y));
      }
      frame.Swap(turned);
    }
    writer.AddFrame(frame, rows);
  }
  EXPECT_EQ(writer.FramesWritten(), frames);
  writer.Finish();
}

double MeanAbsDiff(const TFastBMP& a, const TFastBMP& b) {
  double sum = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < 3 * a.Width(); ++x) sum += std::abs(a.Row(y)[x] - b.Row(y)[x]);
  }
  return sum / (3.0 * a.Width() * a.Height());
}

struct DepthCase {
  int colorCount;
  int bits;
  int width;
  int height;
};

class UncompressedMovie : public ::testing::TestWithParam<DepthCase> {};

TEST_P(UncompressedMovie, DecodesToTheWrittenPixels) {
  const DepthCase c = GetParam();
  TempDir dir;
  const auto file = dir / "movie.avi";
  AviWriterOptions o;
  o.Width = c.width;
  o.Height = c.height;
  o.ColorCount = c.colorCount;
  o.Rate = 20;
  WriteMovie(file, o, 5);

  const DecodedMovie m = DecodeMovie(file);
  EXPECT_EQ(m.Codec, "rawvideo");
  EXPECT_EQ(m.Width, c.width);
  EXPECT_EQ(m.Height, c.height);
  EXPECT_EQ(m.TimeBase.num, 1);
  EXPECT_EQ(m.TimeBase.den, 20);
  EXPECT_EQ(m.BitsPerCodedSample, c.bits);
  EXPECT_EQ(m.StreamFrames, 5);
  EXPECT_EQ(m.KeyFrames, 5);
  ASSERT_EQ(m.Frames.size(), 5u);
  for (int i : {0, 2, 4}) {
    TFastBMP expected = TestFrame(c.width, c.height, i);
    ReduceFrameColors(expected, c.bits);
    ASSERT_EQ(m.Frames[i].PackedPixels(), expected.PackedPixels()) << "frame " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, UncompressedMovie,
                         ::testing::Values(DepthCase{65536, 24, 33, 7},  // padded rows
                                           DepthCase{256, 8, 31, 5}, DepthCase{16, 4, 33, 9}));

// Frames given bottom-up (straight from the frame's memory for 24 bits, converted otherwise) make
// the same file, byte for byte, as the same frames given top-down.
TEST(AviWriter, BottomUpFramesMakeTheSameFile) {
  TempDir dir;
  for (const auto& [colorCount, codec, width] :
       {std::tuple{65536, "", 33}, {256, "", 31}, {16, "", 33}, {65536, "ffv1", 64}}) {
    AviWriterOptions o;
    o.Width = width;
    o.Height = 9;
    o.ColorCount = colorCount;
    o.Codec = codec;
    WriteMovie(dir / "top.avi", o, 3, RowOrder::TopDown);
    WriteMovie(dir / "bottom.avi", o, 3, RowOrder::BottomUp);
    EXPECT_TRUE(testing::ReadFile(dir / "top.avi") == testing::ReadFile(dir / "bottom.avi"))
        << colorCount << " colours, codec \"" << codec << "\", width " << width;
  }
}

class CompressedMovie : public ::testing::TestWithParam<std::string> {};

TEST_P(CompressedMovie, DecodesBack) {
  const std::string codec = GetParam();
  // Lossless in RGB: every pixel back; through 4:4:4 / 4:2:x YUV: rounded a little.
  static const std::set<std::string> kExact = {"ffv1", "huffyuv", "png"};
  static const std::set<std::string> kLossless = {"ffvhuff", "utvideo", "magicyuv", "zlib", "zmbv"};
  TempDir dir;
  for (int colorCount : {65536, 256}) {
    const auto file = dir / ("movie-" + std::to_string(colorCount) + ".avi");
    AviWriterOptions o;
    o.Width = 64;
    o.Height = 48;
    o.ColorCount = colorCount;
    o.Rate = 25;
    o.Codec = codec;
    WriteMovie(file, o, 4);
    const DecodedMovie m = DecodeMovie(file);
    EXPECT_EQ(m.Width, 64);
    EXPECT_EQ(m.Height, 48);
    EXPECT_EQ(m.TimeBase.num, 1);
    EXPECT_EQ(m.TimeBase.den, 25);
    EXPECT_EQ(m.KeyFrames, 4);
    ASSERT_EQ(m.Frames.size(), 4u);
    for (int i = 0; i < 4; ++i) {
      TFastBMP expected = TestFrame(64, 48, i);
      ReduceFrameColors(expected, colorCount == 256 ? 8 : 24);
      const double diff = MeanAbsDiff(m.Frames[i], expected);
      if (kExact.count(codec) && colorCount == 65536) {
        EXPECT_EQ(m.Frames[i].PackedPixels(), expected.PackedPixels()) << codec << " frame " << i;
      } else if (kExact.count(codec) || kLossless.count(codec)) {
        EXPECT_LT(diff, 3.0) << codec << " frame " << i;
      } else {
        EXPECT_LT(diff, 12.0) << codec << " frame " << i;
      }
    }
  }
}

std::vector<std::string> CodecNames() {
  std::vector<std::string> names;
  for (const auto& c : ListAviCodecs()) names.push_back(c.Name);
  return names;
}

INSTANTIATE_TEST_SUITE_P(Encoders, CompressedMovie, ::testing::ValuesIn(CodecNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string n = info.param;
                           for (char& ch : n) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return n;
                         });

TEST(AviWriter, ErrorsCarryTheProgramsMessages) {
  TempDir dir;
  std::filesystem::create_directory(dir / "folder.avi");
  AviWriterOptions o;
  o.Width = 32;
  o.Height = 16;
  struct Case {
    const char* file;
    void (*change)(AviWriterOptions&);
    const char* message;  // the start of the message
  };
  const auto same = [](AviWriterOptions&) {};
  const Case cases[] = {
      {"no-such-folder/m.avi", same, "Cannot create AVI file. ("},
      {"folder.avi", same, "Cannot create AVI file."},
      {"m.avi", [](AviWriterOptions& w) { w.Rate = 0; }, "Cannot create AVI stream."},
      {"m.avi", [](AviWriterOptions& w) { w.Width = 0; }, "Cannot create AVI stream."},
      {"m.avi", [](AviWriterOptions& w) { w.ColorCount = 17; }, "Cannot create AVI stream."},
      {"m.avi", [](AviWriterOptions& w) { w.Codec = "no-such-encoder"; },
       "cannot make compressed stream"},
      // An encoder, but not of pictures.
      {"m.avi", [](AviWriterOptions& w) { w.Codec = "aac"; }, "cannot make compressed stream"},
  };
  for (const Case& c : cases) {
    AviWriterOptions bad = o;
    c.change(bad);
    const std::string m = ErrorOf([&] { AviWriter w(dir / c.file, bad); });
    EXPECT_EQ(m.rfind(c.message, 0), 0u) << c.file << ": " << m;
  }
  EXPECT_EQ(testing::FolderEntries(dir.path()), std::set<std::string>{"folder.avi"});

  AviWriter writer(dir / "m.avi", o);
  EXPECT_EQ(ErrorOf([&] { writer.AddFrame(TestFrame(31, 16, 0)); }).rfind("Add Frame Error", 0),
            0u);
  // After a failed frame the movie is not finished into a file.
  EXPECT_EQ(ErrorOf([&] { writer.Finish(); }).rfind("Add Frame Error", 0), 0u);
  EXPECT_EQ(testing::FolderEntries(dir.path()), std::set<std::string>{"folder.avi"});
}

TEST(AviWriter, OddSizesEitherWorkOrFailClearly) {
  TempDir dir;
  for (const auto& c : ListAviCodecs()) {
    AviWriterOptions o;
    o.Width = 33;
    o.Height = 17;
    o.Codec = c.Name;
    const auto file = dir / (c.Name + ".avi");
    try {
      WriteMovie(file, o, 2);
      EXPECT_EQ(DecodeMovie(file).Frames.size(), 2u) << c.Name;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()).rfind("cannot make compressed stream", 0), 0u)
          << c.Name << ": " << e.what();
    }
  }
}

// A movie over 1 GiB (1920 x 1080 x 3 bytes x 180 frames) becomes an OpenDML file. It writes
// 1.1 GB, so it runs only when GLKOV_LARGE_TESTS is set.
TEST(AviWriter, LargeMovieIsOpenDml) {
  if (!std::getenv("GLKOV_LARGE_TESTS")) GTEST_SKIP() << "set GLKOV_LARGE_TESTS to run";
  TempDir dir;
  const auto file = dir / "large.avi";
  AviWriterOptions o;
  o.Width = 1920;
  o.Height = 1080;
  o.Rate = 25;
  WriteMovie(file, o, 180);
  EXPECT_GT(std::filesystem::file_size(file), 1u << 30);
  std::string head(65536, '\0');
  std::ifstream(file, std::ios::binary)
      .read(head.data(), static_cast<std::streamsize>(head.size()));
  EXPECT_NE(head.find("odml"), std::string::npos);
  const DecodedMovie m = DecodeMovie(file, false);
  EXPECT_EQ(m.FrameCount, 180);
  EXPECT_EQ(m.StreamFrames, 180);
}

}  // namespace
}  // namespace glkov
