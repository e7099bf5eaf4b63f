#include "core/output/movie_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/error.h"
#include "core/output/movie_info.h"
#include "model/project_test_helpers.h"
#include "output/decode_movie.h"

namespace glkov {
namespace {

using testing::TempDir;

TEST(MovieWriter, TheFileNameChoosesTheFormat) {
  const std::pair<const char*, MovieFormat> cases[] = {
      {"a.avi", MovieFormat::Avi},         {"a.MP4", MovieFormat::Mp4},
      {"dir/a.mkv", MovieFormat::Mkv},     {"a.webm", MovieFormat::WebM},
      {"a.Gif", MovieFormat::Gif},         {"f/s_%04d.png", MovieFormat::PngFrames},
      {"s%d.PNG", MovieFormat::PngFrames}, {"still.png", MovieFormat::Avi},
      {"a_%04d/x.png", MovieFormat::Avi},  {"movie", MovieFormat::Avi},
  };
  for (const auto& [name, format] : cases) EXPECT_EQ(MovieFormatOf(name), format) << name;
}

TEST(MovieWriter, FrameNamesFillTheNumberField) {
  EXPECT_EQ(PngFrameName("f/shot_%04d.png", 7), std::filesystem::path("f/shot_0007.png"));
  EXPECT_EQ(PngFrameName("s%d.png", 12345), std::filesystem::path("s12345.png"));
  EXPECT_EQ(PngFrameName("x%3d.png", 5), std::filesystem::path("x  5.png"));
  EXPECT_THROW(PngFrameName("plain.png", 0), Error);
  EXPECT_EQ(PngSequenceName("f/shot.png"), "f/shot_%04d.png");
  EXPECT_EQ(PngSequenceName("f/shot_%d.png"), "f/shot_%d.png");
  EXPECT_EQ(PngSequenceName("movie.mp4"), "movie.mp4");
  EXPECT_THROW(PngFrameName("a%d_%d.png", 0), Error);
}

using testing::GradientPicture;

TFastBMP Flipped(const TFastBMP& p) {
  TFastBMP f(p.Width(), p.Height());
  for (int y = 0; y < p.Height(); ++y) {
    std::copy(p.Row(y), p.Row(y) + 3 * p.Width(), f.Row(p.Height() - 1 - y));
  }
  return f;
}

// Lossless back ends give back exactly the frames they were given, in either row order.
TEST(MovieWriter, LosslessFormatsKeepEveryPixelInBothRowOrders) {
  TempDir dir;
  const TFastBMP picture = GradientPicture(37, 21, 40);
  for (const std::string name : {"a.mkv", "a_%03d.png"}) {
    MovieWriterOptions o;
    o.Width = 37;
    o.Height = 21;
    o.Codec = name == "a.mkv" ? "ffv1" : "";
    const auto writer = OpenMovieWriter(dir / name, o, DefaultCallbacks());
    writer->AddFrame(picture, RowOrder::TopDown);
    writer->AddFrame(Flipped(picture), RowOrder::BottomUp);
    writer->Commit();
    const auto movie = testing::DecodeMovie(dir / name);
    ASSERT_EQ(movie.Frames.size(), 2u) << name;
    EXPECT_EQ(movie.Frames[0].PackedPixels(), picture.PackedPixels()) << name;
    EXPECT_EQ(movie.Frames[1].PackedPixels(), picture.PackedPixels()) << name;
  }
}

TEST(MovieWriter, UnwritableTargetsAreRefusedWithTheirCause) {
  TempDir dir;
  std::filesystem::create_directory(dir / "taken.mp4");
  MovieWriterOptions o;
  EXPECT_THAT(testing::ErrorOf([&] { OpenMovieWriter(dir / "taken.mp4", o, DefaultCallbacks()); }),
              ::testing::HasSubstr("is a folder"));
  EXPECT_THROW(OpenMovieWriter(dir / "no/such/f_%d.png", o, DefaultCallbacks()), Error);
  EXPECT_THROW(OpenMovieWriter(dir / "m.gif", {0, 10, 65536, 15, "", -1}, DefaultCallbacks()),
               Error);
  EXPECT_THROW(OpenMovieWriter(dir / "m.mp4", {16, 16, 65536, 15, "ffv1", -1}, DefaultCallbacks()),
               Error);
  EXPECT_EQ(testing::FolderEntries(dir.path()).size(), 1u);
}

TEST(MovieInformation, NamesContainerCodecSizeRateAndLength) {
  TempDir dir;
  MovieWriterOptions o;
  o.Width = 32;
  o.Height = 16;
  o.Rate = 10;
  const auto writer = OpenMovieWriter(dir / "m.mkv", o, DefaultCallbacks());
  for (int i = 0; i < 5; ++i) writer->AddFrame(GradientPicture(32, 16, 40), RowOrder::TopDown);
  writer->Commit();
  const std::vector<std::string> lines = MovieInformation(dir / "m.mkv");
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[2], "Container: Matroska / WebM");
  EXPECT_EQ(lines[3], "Codec: h264");
  EXPECT_EQ(lines[4], "Size: 32 x 16");
  EXPECT_EQ(lines[5], "Frame rate: 10.00 frames/s");
  EXPECT_EQ(lines[6], "Frame count: 5");
  EXPECT_EQ(lines[7], "Duration: 0.50 s");
  EXPECT_NE(lines[8], "Bit rate: unknown");
  EXPECT_THROW(MovieInformation(dir / "missing.mp4"), Error);
}

}  // namespace
}  // namespace glkov
