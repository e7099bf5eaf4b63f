#include <gtest/gtest.h>

#include <filesystem>

#include "core/image/picture_file.h"
#include "core/objects/composite.h"
#include "model/project_test_helpers.h"

namespace glkov {
namespace {

using testing::FilledPicture;
using testing::RunCli;
using testing::TempDir;

// Writes the three pictures and a project over them; returns the project's path.
std::string MakeProject(const TempDir& dir, const TFastBMP& mask) {
  SaveBMP((dir / "o.bmp").string(), FilledPicture(6, 4, 200, 100, 0));
  SaveBMP((dir / "m.bmp").string(), mask);
  SaveBMP((dir / "b.bmp").string(), FilledPicture(6, 4, 0, 0, 255));
  testing::WriteFile(dir / "p.kov",
                     testing::CrLf({"KOV with Perpective Grid", "1.3", "o.bmp", "b.bmp", "m.bmp",
                                    "1", "0 0 5 3 Region 1", "0", "3.00 2.00 2.00 1.00 4.00 3.00",
                                    "", "0", "5.00", "1 1 4 2", "3"}));
  return (dir / "p.kov").string();
}

// The blend itself is tested in composite_test; here: the command writes what the core composes
// as a BMP, leaves the original alone, and fails with status and message, leaving no file or the
// earlier one.
TEST(CliComposite, WritesTheCompositeAndFailsCleanly) {
  TempDir dir;
  TFastBMP mask = FilledPicture(6, 4, 0, 0, 128);
  mask.Pixel(5, 3)[2] = 255;
  const std::string kov = MakeProject(dir, mask);
  const std::string before = testing::ReadFile(dir / "o.bmp");
  std::string out, err;
  ASSERT_EQ(RunCli({"composite", kov, "-o", (dir / "out.bmp").string()}, &out, &err), 0) << err;
  EXPECT_TRUE(out.empty());
  TFastBMP result;
  LoadPictureFile((dir / "out.bmp").string(), result);
  const TFastBMP expected =
      ComposeMaskedImage(FilledPicture(6, 4, 200, 100, 0), mask, FilledPicture(6, 4, 0, 0, 255));
  EXPECT_EQ(result.PackedPixels(), expected.PackedPixels());
  EXPECT_EQ(testing::ReadFile(dir / "o.bmp"), before);

  testing::ExpectCliTable({{{"composite", "@/none.kov", "-o", "@/x.bmp"}, 1, "none.kov"},
                           {{"composite", kov, "-o", "@/no/x.bmp"}, 1, "x.bmp"},
                           {{"composite", kov}, 2}},
                          dir.path());
  // A background of another size: refused, and the earlier output stays.
  SaveBMP((dir / "b.bmp").string(), FilledPicture(5, 4, 0, 0, 255));
  testing::ExpectCliTable({{{"composite", kov, "-o", "@/out.bmp"}, 1, "must have the same size"}},
                          dir.path());
  LoadPictureFile((dir / "out.bmp").string(), result);
  EXPECT_EQ(result.PackedPixels(), expected.PackedPixels());
}

}  // namespace
}  // namespace glkov
