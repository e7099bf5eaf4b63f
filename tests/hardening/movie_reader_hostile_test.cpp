// The player's reader given hostile movies and names: what the fuzz target found stays fixed
// here, one case each.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "core/error.h"
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

// A playlist inside a file may not send the reader to other protocols.
TEST(MovieReaderHostile, PlaylistPointingElsewhereIsRefused) {
  TempDir dir;
  testing::WriteFile(dir / "list.avi",
                     "ffconcat version 1.0\nfile 'http://127.0.0.1:9/x.avi'\nfile 'data:,x'\n");
  testing::WriteFile(dir / "hls.avi",
                     "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nhttp://127.0.0.1:9/a.ts\n"
                     "#EXT-X-ENDLIST\n");
  for (const char* name : {"list.avi", "hls.avi"}) {
    try {
      TMovieReader reader(dir / name);
      TFastBMP frame;
      EXPECT_FALSE(reader.ReadFrame(0, frame)) << name;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace glkov
