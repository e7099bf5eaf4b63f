#include <gtest/gtest.h>

#include <filesystem>

#include "core/animation/timeline.h"
#include "core/image/picture_file.h"
#include "core/model/picture_import.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::RunCli;
using testing::TempDir;

TFastBMP Filled(int w, int h, uint8_t b, uint8_t g, uint8_t r) {
  TFastBMP p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      p.Pixel(x, y)[0] = b;
      p.Pixel(x, y)[1] = g;
      p.Pixel(x, y)[2] = r;
    }
  return p;
}

// Writes the three pictures and a project over them; returns the project's path.
std::string MakeProject(const TempDir& dir, const TFastBMP& mask, int backgroundWidth = 6) {
  SaveBMP((dir / "o.bmp").string(), Filled(6, 4, 200, 100, 0));
  SaveBMP((dir / "m.bmp").string(), mask);
  SaveBMP((dir / "b.bmp").string(), Filled(backgroundWidth, 4, 0, 0, 255));
  const std::string kov = (dir / "p.kov").string();
  TProject project;
  TTimeline timeline(project);
  LoadOriginal(project, timeline, (dir / "o.bmp").string());
  LoadMask(project, (dir / "m.bmp").string());
  LoadBackground(project, (dir / "b.bmp").string());
  SaveProject(project, kov);
  return kov;
}

TEST(CliComposite, WorkedPixelAndTheOriginalStaysAsItWas) {
  TempDir dir;
  TFastBMP mask = Filled(6, 4, 0, 0, 128);
  mask.Pixel(0, 0)[2] = 0;
  mask.Pixel(0, 0)[0] = mask.Pixel(0, 0)[1] = 255;  // bright blue and green, red 0
  mask.Pixel(5, 3)[2] = 255;
  const std::string kov = MakeProject(dir, mask);
  const std::string before = testing::ReadFile(dir / "o.bmp");
  std::string out, err;
  ASSERT_EQ(RunCli({"composite", kov, "-o", (dir / "out.bmp").string()}, &out, &err), 0) << err;
  EXPECT_TRUE(out.empty());
  TFastBMP result;
  LoadPictureFile((dir / "out.bmp").string(), result);
  ASSERT_EQ(result.Width(), 6);
  ASSERT_EQ(result.Height(), 4);
  EXPECT_EQ(result.Pixel(2, 1)[0], 100);
  EXPECT_EQ(result.Pixel(2, 1)[1], 50);
  EXPECT_EQ(result.Pixel(2, 1)[2], 127);
  EXPECT_EQ(result.Pixel(0, 0)[2], 255);  // background
  EXPECT_EQ(result.Pixel(5, 3)[0], 200);  // original
  EXPECT_EQ(testing::ReadFile(dir / "o.bmp"), before);
}

TEST(CliComposite, PicturesOfDifferentSizesAreRefused) {
  TempDir dir;
  const std::string kov = MakeProject(dir, Filled(6, 4, 0, 0, 128), 5);
  std::string out, err;
  EXPECT_EQ(RunCli({"composite", kov, "-o", (dir / "out.bmp").string()}, &out, &err), 1);
  EXPECT_NE(err.find("must have the same size"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(dir / "out.bmp"));
}

TEST(CliComposite, MissingProjectOrUnwritableOutput) {
  TempDir dir;
  std::string out, err;
  EXPECT_EQ(RunCli({"composite", (dir / "none.kov").string(), "-o", (dir / "x.bmp").string()}, &out,
                   &err),
            1);
  EXPECT_EQ(err.rfind("glkov-cli: ", 0), 0u) << err;
  const std::string kov = MakeProject(dir, Filled(6, 4, 0, 0, 128));
  EXPECT_EQ(RunCli({"composite", kov, "-o", (dir / "no" / "x.bmp").string()}, &out, &err), 1);
  EXPECT_EQ(RunCli({"composite", kov}, &out, &err), 2);
}

}  // namespace
}  // namespace glkov
