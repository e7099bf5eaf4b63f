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

using testing::ExpectCliFails;
using testing::FilledPicture;
using testing::RunCli;
using testing::TempDir;

// Writes the three pictures and a project over them; returns the project's path.
std::string MakeProject(const TempDir& dir, const TFastBMP& mask) {
  SaveBMP((dir / "o.bmp").string(), FilledPicture(6, 4, 200, 100, 0));
  SaveBMP((dir / "m.bmp").string(), mask);
  SaveBMP((dir / "b.bmp").string(), FilledPicture(6, 4, 0, 0, 255));
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
  TFastBMP mask = FilledPicture(6, 4, 0, 0, 128);
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

TEST(CliComposite, ErrorsAndUsage) {
  TempDir dir;
  ExpectCliFails({"composite", (dir / "none.kov").string(), "-o", (dir / "x.bmp").string()}, 1,
                 "none.kov");
  const std::string kov = MakeProject(dir, FilledPicture(6, 4, 0, 0, 128));
  ExpectCliFails({"composite", kov, "-o", (dir / "no" / "x.bmp").string()}, 1, "x.bmp");
  ExpectCliFails({"composite", kov}, 2);
  // A background of another size.
  SaveBMP((dir / "b.bmp").string(), FilledPicture(5, 4, 0, 0, 255));
  ExpectCliFails({"composite", kov, "-o", (dir / "out.bmp").string()}, 1,
                 "must have the same size");
  EXPECT_FALSE(std::filesystem::exists(dir / "out.bmp"));
}

}  // namespace
}  // namespace glkov
