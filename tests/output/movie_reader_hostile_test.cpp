// The player's reader: every frame it gives is the one asked for, in any order and codec, and
// hostile movies and names it is given (what the fuzz target found stays fixed here, one case
// each).

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "core/image/fast_bmp.h"
#include "core/output/avi_writer.h"
#include "core/output/movie_reader.h"
#include "model/project_test_helpers.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::TempDir;

void WriteSmallMovie(const std::filesystem::path& file, int frames) {
  AviWriterOptions o;
  o.Width = 16;
  o.Height = 12;
  o.Codec = "mjpeg";
  AviWriter w(file, o);
  for (int i = 0; i < frames; ++i) w.AddFrame(testing::GradientPicture(16, 12, i));
  w.Finish();
}

struct ReaderCase {
  const char* Codec;  // empty: uncompressed
  int Rate, PeriodMs, Tolerance;
};

class MovieReaderTest : public ::testing::TestWithParam<ReaderCase> {};

// Ten 32 x 24 frames, frame k a uniform grey of level 20 k, so that every frame tells its number.
TEST_P(MovieReaderTest, GivesEachFrameAskedForAndThePeriodOfTheRate) {
  const ReaderCase c = GetParam();
  TempDir dir;
  AviWriterOptions o;
  o.Width = 32;
  o.Height = 24;
  o.Rate = c.Rate;
  o.Codec = c.Codec;
  {
    AviWriter w(dir / "m.avi", o);
    for (int k = 0; k < 10; ++k) {
      TFastBMP f(32, 24);
      for (int y = 0; y < 24; ++y) std::memset(f.Row(y), 20 * k, 32 * 3);
      w.AddFrame(f);
    }
    w.Finish();
  }
  TMovieReader r(dir / "m.avi");
  EXPECT_EQ(r.FrameCount(), 10);
  EXPECT_EQ(r.Width(), 32);
  EXPECT_EQ(r.Height(), 24);
  EXPECT_EQ(r.FramePeriodMs(), c.PeriodMs);
  EXPECT_FALSE(r.HasAudio());
  EXPECT_FALSE(r.Truncated());
  TFastBMP f;
  // In order, backwards and jumping: each frame is the one asked for.
  for (int k : {0, 1, 2, 9, 3, 3, 8, 0}) {
    ASSERT_TRUE(r.ReadFrame(k, f)) << k << ": " << r.LastError();
    EXPECT_EQ(f.Width(), 32);
    EXPECT_NEAR(f.Pixel(16, 12)[1], 20 * k, c.Tolerance) << k;
  }
  EXPECT_FALSE(r.ReadFrame(10, f));
  EXPECT_FALSE(r.ReadFrame(-1, f));
  EXPECT_FALSE(r.LastError().empty());
}

INSTANTIATE_TEST_SUITE_P(Codecs, MovieReaderTest,
                         ::testing::Values(ReaderCase{"", 20, 50, 0}, ReaderCase{"", 30, 33, 0},
                                           ReaderCase{"mjpeg", 15, 67, 6},
                                           ReaderCase{"ffv1", 25, 40, 6},
                                           ReaderCase{"mpeg4", 5, 200, 6}));

// A relative name that looks like an FFmpeg protocol ("pipe:0" would read standard input,
// "http:" would go to the network) is still the local file of that name.
TEST(MovieReaderHostile, NamesLikeProtocolsAreLocalFiles) {
  TempDir dir;
  for (const std::string name : {"pipe:0.avi", "http:movie.avi", "concat:a.avi|b.avi"}) {
    WriteSmallMovie(dir / name, 5);
    const auto run = testing::RunInChild([&] {
      if (::chdir(dir.path().c_str()) != 0) return std::string("chdir failed");
      TMovieReader reader(name);
      TFastBMP frame;
      return std::to_string(reader.FrameCount()) + " " +
             (reader.ReadFrame(4, frame) ? "read" : reader.LastError());
    });
    EXPECT_TRUE(run.Returned) << name << ": " << run.Error;
    EXPECT_EQ(run.Output, "5 read") << name;
  }
}

}  // namespace
}  // namespace glkov
