#include <gtest/gtest.h>

#include "core/output/avi_writer.h"
#include "support/test_support.h"

namespace glkov {
namespace {

TEST(CliOutput, ArgumentsStatusAndMessages) {
  testing::TempDir dir;
  AviWriterOptions o;
  o.Width = 48;
  o.Height = 32;
  o.Rate = 20;
  AviWriter w(dir / "movie.avi", o);
  for (int i = 0; i < 3; ++i) w.AddFrame(TFastBMP(48, 32));
  w.Finish();
  testing::WriteFile(dir / "bad.avi", "RIFF\x04\0\0\0WAVE");
  const std::vector<std::string> all = {
      "export",    "@/p.kov", "-o",           "@/m.avi", "--colors", "256", "--stereo",
      "--eye-sep", "5",       "--smoothness", "3",       "--master", "1.5", "--preview",
      "--scene",   "2",       "--width",      "64",      "--height", "48",  "--codec",
      "mjpeg"};
  const std::vector<testing::CliCase> cases = {
      {{"avi-info", "@/movie.avi"}, 0, "\ndwLength 3\n"},
      {{"avi-info", "@/missing.avi"}, 1, "missing.avi"},
      {{"avi-info", "@/bad.avi"}, 1, "bad.avi"},
      {{"avi-info"}, 2},
      {{"export", "--list-codecs"}, 0, "\nffv1 "},
      {{"export"}, 2},
      {{"export", "p.kov"}, 2},
      {{"export", "p.kov", "-o", "m.avi", "--colors", "15"}, 2},
      {{"export", "p.kov", "-o", "m.avi", "--smoothness", "11"}, 2},
      // The automatic extraction's settings, as for "scene".
      {{"export", "p.kov", "-o", "m.avi", "--threshold", "256"}, 2},
      {{"export", "p.kov", "-o", "m.avi", "--min-size", "4", "--no-min-size"}, 2},
      {{"export", "@/p.kov", "-o", "@/m.avi", "--threshold", "90", "--min-size", "4"}, 1, "p.kov"},
      // Every option accepted; the project that is not there is the error.
      {all, 1, "p.kov"},
  };
  testing::ExpectCliTable(cases, dir.path());
  EXPECT_FALSE(std::filesystem::exists(dir / "m.avi"));
}

}  // namespace
}  // namespace glkov
