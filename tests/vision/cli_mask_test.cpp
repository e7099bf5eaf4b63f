#include <gtest/gtest.h>

#include "core/image/fast_bmp.h"
#include "core/image/picture_file.h"
#include "support/test_support.h"

namespace glkov {
namespace {

TEST(CliMask, ArgumentsStatusAndMessages) {
  testing::TempDir dir;
  // A 100 x 80 light picture with a dark 40 x 30 box at columns 30..69, rows 20..49 (picture y
  // 30..59).
  TFastBMP p = testing::FilledPicture(100, 80, 200, 210, 220);
  for (int y = 20; y <= 49; ++y)
    for (int x = 30; x <= 69; ++x) p.Pixel(x, y)[0] = p.Pixel(x, y)[1] = p.Pixel(x, y)[2] = 40;
  SaveBMP((dir / "photo.bmp").string(), p);
  const std::vector<testing::CliCase> cases = {
      {{"mask", "@/photo.bmp", "-o", "@/two.png", "--json", "--polygon", "10,5,29,5,29,24,10,24",
        "--polygon", "75,60,94,60,94,77,75,77"},
       0,
       "",
       "/Pixels",
       760},
      // The box shrinks to the dark object in it.
      {{"mask", "@/photo.bmp", "-o", "@/box.png", "--json", "--box", "20,10,79,59"},
       0,
       "",
       "/Objects/0/X2",
       69},
      {{"mask", "@/photo.bmp", "-o", "@/m.png", "--polygon", "1,2,3,4,5"}, 2},
      {{"mask", "@/photo.bmp", "-o", "@/m.png", "--box", "1,2,3"}, 2},
      {{"mask", "@/none.png", "-o", "@/m.png"}, 1, "none.png"},
      {{"mask", "@/photo.bmp", "-o", "@/m.png", "--box", "1,1,2,2"}, 1},
      {{"mask", "@/photo.bmp", "-o", "@/no/m.png"}, 1, "m.png"},
  };
  testing::ExpectCliTable(cases, dir.path());
  EXPECT_FALSE(std::filesystem::exists(dir / "m.png"));
  TFastBMP mask;
  LoadPictureFile((dir / "two.png").string(), mask);
  EXPECT_EQ(mask.Pixel(10, 5)[2], 255);
  EXPECT_EQ(mask.Pixel(50, 50)[2], 0);
}

}  // namespace
}  // namespace glkov
