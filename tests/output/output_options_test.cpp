#include "core/output/output_options.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "support/test_support.h"

namespace glkov {
namespace {

TEST(OutputOptions, EyeSeparationAndSmoothness) {
  TOutputOptions o;
  EXPECT_DOUBLE_EQ(EyeSeparationValue(o), 10.0);
  o.EyeSeparation = "2.5";
  EXPECT_DOUBLE_EQ(EyeSeparationValue(o), 2.5);
  o.EyeSeparation = "0";
  EXPECT_DOUBLE_EQ(EyeSeparationValue(o), 0.0);
  o.EyeSeparation = "ten";
  EXPECT_EQ(testing::ErrorOf([&] { EyeSeparationValue(o); }),
            "'ten' is not a valid floating point value");
  o.EyeSeparation = "";
  EXPECT_THROW(EyeSeparationValue(o), Error);
  o.Smoothness = 10;
  EXPECT_DOUBLE_EQ(SmoothnessOf(o), 1.0);
  o.Smoothness = 3;
  EXPECT_DOUBLE_EQ(SmoothnessOf(o), 0.3);
}

TEST(OutputOptions, StreamRate) {
  EXPECT_EQ(StreamRate(20, 1.0, 1), 20);
  EXPECT_EQ(StreamRate(20, 1.0, 4), 5);   // preview
  EXPECT_EQ(StreamRate(20, 1.5, 1), 30);  // master factor
  EXPECT_EQ(StreamRate(10, 1.0, 4), 2);   // 2.5 rounds to even
  EXPECT_EQ(StreamRate(14, 1.0, 4), 4);   // 3.5 rounds to even
}

TEST(ExportInfo, WorkedExample) {
  // Three keys, 60 frames a key at 20 frames/s: 6 s, 121 frames of 320 x 240 x 3 bytes.
  ExportInfoInput in;
  in.KeyFrameCount = 3;
  in.FramesPerKey = 60;
  in.FramesPerSecond = 20;
  in.Master = 1.0;
  in.ColorCount = 65536;
  in.Width = 320;
  in.Height = 240;
  const std::vector<std::string> expected = {"Data Size =27MB", "Movie Length =6.0000 Seconds",
                                             "Frame per Second =20", "No of Key Frames =3",
                                             "Color Depth = 16777216 colors (True Color)"};
  EXPECT_EQ(ExportInfoLines(in), expected);
  // Preview: 15 frames a key at 5 frames/s, 31 frames.
  in.Preview = true;
  const std::vector<std::string> preview = {"Data Size =7MB", "Movie Length =6.0000 Seconds",
                                            "Frame per Second =5", "No of Key Frames =3",
                                            "Color Depth = 16777216 colors (True Color)"};
  EXPECT_EQ(ExportInfoLines(in), preview);
  // 10 frames a key: 2 frames (2.5 to even) at 5 frames/s, 0.8 s rather than the full 1 s.
  in.FramesPerKey = 10;
  EXPECT_EQ(ExportInfoLines(in)[1], "Movie Length =0.8000 Seconds");
}

TEST(ExportInfo, DepthMasterAndShortPaths) {
  ExportInfoInput in;
  in.KeyFrameCount = 2;
  in.FramesPerKey = 30;
  in.FramesPerSecond = 25;
  in.Master = 1.5;  // 45 frames a key: 46 frames
  in.ColorCount = 256;
  in.Width = 1024;
  in.Height = 1024;
  auto lines = ExportInfoLines(in);
  EXPECT_EQ(lines[0], "Data Size =46MB");
  EXPECT_EQ(lines[1], "Movie Length =1.1842 Seconds");  // 45 frames at the movie's rate
  EXPECT_EQ(lines[2], "Frame per Second =38");          // 37.5 rounds to even
  EXPECT_EQ(lines[4], "Color Depth = 256 colors");
  in.ColorCount = 16;
  EXPECT_EQ(ExportInfoLines(in)[0], "Data Size =23MB");
  // No keys, or no rate: no length and no data instead of a negative or infinite one.
  in.KeyFrameCount = 0;
  lines = ExportInfoLines(in);
  EXPECT_EQ(lines[0], "Data Size =0MB");
  EXPECT_EQ(lines[1], "Movie Length =0.0000 Seconds");
  EXPECT_EQ(lines[3], "No of Key Frames =0");
  in.KeyFrameCount = 4;
  in.FramesPerSecond = 0;
  EXPECT_EQ(ExportInfoLines(in)[1], "Movie Length =0.0000 Seconds");
}

}  // namespace
}  // namespace glkov
