#include <gtest/gtest.h>

#include <algorithm>

#include "core/output/avi_writer.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::RunCli;
using testing::TempDir;

TEST(CliAviInfo, PrintsTheInformationLines) {
  TempDir dir;
  const auto file = dir / "movie.avi";
  AviWriterOptions o;
  o.Width = 48;
  o.Height = 32;
  o.Rate = 20;
  AviWriter w(file, o);
  for (int i = 0; i < 3; ++i) w.AddFrame(TFastBMP(48, 32));
  w.Finish();
  std::string out, err;
  ASSERT_EQ(RunCli({"avi-info", file.string()}, &out, &err), 0) << err;
  EXPECT_EQ(err, "");
  EXPECT_EQ(out.rfind("File information\n================\ndwMaxBytesPerSec ", 0), 0u) << out;
  EXPECT_NE(out.find("\nfccType 1935960438\n"), std::string::npos);
  EXPECT_NE(out.find("\ndwRate 20\n"), std::string::npos);
  EXPECT_NE(out.find("\ndwLength 3\n"), std::string::npos);
  EXPECT_NE(out.find("\nFrame : (0, 0)-(48, 32)\n"), std::string::npos);
  EXPECT_NE(out.find("\ndwSuggestedBufferSize 4608\n"), std::string::npos);  // one frame
  EXPECT_EQ(out.find("Audio Stream"), std::string::npos);
  // The file block and one video block, each line ending in a line feed.
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 14 + 3 + 18);
}

TEST(CliAviInfo, ErrorsAndUsage) {
  TempDir dir;
  testing::ExpectCliFails({"avi-info", (dir / "missing.avi").string()}, 1, "missing.avi");
  testing::WriteFile(dir / "bad.avi", "RIFF\x04\0\0\0WAVE");
  testing::ExpectCliFails({"avi-info", (dir / "bad.avi").string()}, 1, "bad.avi");
  testing::ExpectCliFails({"avi-info"}, 2);
}

TEST(CliExport, ListsCodecs) {
  std::string out, err;
  ASSERT_EQ(RunCli({"export", "--list-codecs"}, &out, &err), 0) << err;
  EXPECT_NE(out.find("mjpeg "), std::string::npos);
  EXPECT_NE(out.find("ffv1 "), std::string::npos);
  size_t lines = 0;
  for (const auto& c : ListAviCodecs()) {
    EXPECT_NE(out.find(c.Name + " "), std::string::npos) << c.Name;
    ++lines;
  }
  EXPECT_EQ(static_cast<size_t>(std::count(out.begin(), out.end(), '\n')), lines);
}

TEST(CliExport, OptionsAreCheckedBeforeTheExport) {
  std::string out, err;
  EXPECT_EQ(RunCli({"export"}, &out, &err), 2);
  EXPECT_EQ(RunCli({"export", "p.kov"}, &out, &err), 2);
  EXPECT_EQ(RunCli({"export", "p.kov", "-o", "m.avi", "--colors", "15"}, &out, &err), 2);
  EXPECT_EQ(RunCli({"export", "p.kov", "-o", "m.avi", "--smoothness", "11"}, &out, &err), 2);
  // The automatic extraction's settings, as for "scene".
  EXPECT_EQ(RunCli({"export", "p.kov", "-o", "m.avi", "--threshold", "256"}, &out, &err), 2);
  EXPECT_EQ(
      RunCli({"export", "p.kov", "-o", "m.avi", "--min-size", "4", "--no-min-size"}, &out, &err),
      2);
  EXPECT_EQ(RunCli({"export", "p.kov", "-o", "m.avi", "--threshold", "90", "--min-size", "4"}, &out,
                   &err),
            1);
  // Every option accepted; the project that is not there is an error, and no movie is left.
  TempDir dir;
  const std::string movie = (dir / "m.avi").string();
  EXPECT_EQ(RunCli({"export",   (dir / "p.kov").string(),
                    "-o",       movie,
                    "--colors", "256",
                    "--stereo", "--eye-sep",
                    "5",        "--smoothness",
                    "3",        "--master",
                    "1.5",      "--preview",
                    "--scene",  "2",
                    "--width",  "64",
                    "--height", "48",
                    "--codec",  "mjpeg"},
                   &out, &err),
            1);
  EXPECT_EQ(err.rfind("glkov-cli: ", 0), 0u) << err;
  EXPECT_FALSE(std::filesystem::exists(movie));
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace glkov
