// The player's reader given hostile movies and names: what the fuzz target found stays fixed
// here, one case each.

#include <gtest/gtest.h>
#include <unistd.h>

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
