#include <gtest/gtest.h>

#include "core/image/picture_file.h"
#include "support/small_room.h"

namespace glkov {
namespace {

TEST(FillCli, ArgumentsStatusAndMessages) {
  testing::TempDir dir;
  synthetic::SyntheticRoomOptions o = testing::SmallRoomOptions();
  o.Objects = {{synthetic::ObjectShape::kRoundedBox, 40, 10, 24, 20},
               {synthetic::ObjectShape::kLamp, 120, 14, 18, 28}};
  const synthetic::SyntheticRoom room = synthetic::MakeSyntheticRoom(o);
  const std::string project = synthetic::WriteRoomProject(room, dir.path()).string();
  int masked = 0;
  for (int y = 0; y < room.Mask.Height(); ++y)
    for (int x = 0; x < room.Mask.Width(); ++x) masked += room.Mask.Pixel(x, y)[2] > 128;
  const std::vector<testing::CliCase> cases = {
      {{"fill", project, "-o", "@/full.png", "--json"}, 0, "", "/Width", 160},
      // Without growing the hole is the mask.
      {{"fill", project, "-o", "@/fast.bmp", "--fast", "--grow", "0", "--json"},
       0,
       "",
       "/HolePixels",
       masked},
      {{"image-info", "@/fast.bmp", "--json"}, 0, "", "/Height", 120},
      // A new project without a background gets a filled one beside it.
      {{"new", "@/room.png", "@/room_mask.png", "-o", "@/made.kov", "--mesh",
        "80,50,50,30,110,80"}},
      {{"image-info", "@/made_background.png", "--json"}, 0, "", "/Width", 160},
      {{"fill", "@/missing.kov", "-o", "@/x.png"}, 1, "missing.kov"},
      {{"fill", project, "-o", "@/x.png", "--grow", "-1"}, 2},
      {{"fill", project}, 2},
  };
  testing::ExpectCliTable(cases, dir.path());
  const auto info = testing::RunCliJson({"info", (dir / "made.kov").string(), "--json"});
  EXPECT_EQ(std::filesystem::path(info["Background"].get<std::string>()).filename(),
            "made_background.png");
  EXPECT_FALSE(std::filesystem::exists(dir / "x.png"));
}

}  // namespace
}  // namespace glkov
