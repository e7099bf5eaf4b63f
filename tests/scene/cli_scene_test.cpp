// glkov-cli scene: a project written to a folder, made from the command line.
#include <gtest/gtest.h>

#include "core/image/picture_file.h"
#include "model/project_test_helpers.h"
#include "scene/scene_fixtures.h"

namespace glkov {
namespace {

using testing::TempDir;

// The worked-example room as the project dir/name: a 300 x 200 picture with two bright objects in
// the mask (one of red 150, standing on the floor), the mesh with its rear wall's bottom at
// innerBottom and focal length 260.
std::string WriteRoomProject(const TempDir& dir, const std::string& name, int innerBottom = 66) {
  TFastBMP picture(300, 200), mask(300, 200);
  testing::FillPositionPattern(picture);
  const auto box = [&](int left, int top, int right, int bottom, uint8_t red) {
    for (int row = top; row <= bottom; ++row) {
      for (int x = left; x <= right; ++x) {
        uint8_t* p = mask.Pixel(x, row);
        p[0] = p[1] = 255;
        p[2] = red;
      }
    }
  };
  box(20, 120, 59, 189, 255);    // Y1 = 199 - 189 = 10, Y2 = 79
  box(230, 150, 269, 179, 150);  // Y1 = 20, Y2 = 49
  SaveBMP((dir / "room.bmp").string(), picture);
  SaveBMP((dir / "room_mask.bmp").string(), mask);
  const std::string mesh =
      "150.00 99.00 100.00 " + std::to_string(innerBottom) + ".00 200.00 132.00";
  testing::WriteFile(
      dir / name, testing::CrLf({"KOV with Perpective Grid", "1.3", "room.bmp", "room.bmp",
                                 "room_mask.bmp", "1", "0 0 299 199 Region 1", "0", mesh, "", "0",
                                 "260.00", "10 10 289 189", "3"}));
  return (dir / name).string();
}

// The scene's numbers are tested in scene_builder_test; here the command line reaches them: the
// arguments, the exit status, what standard error says and one field of the answer. The first
// object's DrawOrder tells the count: 1 when the far second object is drawn first, 0 alone.
TEST(CliScene, OptionsStatusAndAnswer) {
  TempDir dir;
  WriteRoomProject(dir, "degenerate.kov", 99);  // the rear wall's bottom at the horizon
  const std::string kov = WriteRoomProject(dir, "room.kov");
  const std::vector<testing::CliCase> cases = {
      {{"scene", kov, "--json"}, 0, "", "/SceneScale", 214.5},
      {{"scene", kov, "--json"}, 0, "", "/fgObjs/0/DrawOrder", 1},
      {{"scene", kov, "--threshold", "150", "--json"}, 0, "", "/fgObjs/0/DrawOrder", 0},
      {{"scene", kov, "--min-size", "45", "--json"}, 0, "", "/fgObjs/0/DrawOrder", 0},
      {{"scene", kov, "--no-min-size", "--negative", "--json"},
       0,
       "",
       "/fgObjs/1/Name",
       "Object 2"},
      {{"scene", kov}, 0, "Board 4 Rear Wall: texture 128 x 128"},
      {{"scene", "@/degenerate.kov"}, 1, "Cannot make the 3D scene: the rear wall"},
      {{"scene", kov, "--region", "2"}, 1},
      {{"scene", "@/none.kov"}, 1, "none.kov"},
      {{"scene", kov, "--min-size", "4", "--no-min-size"}, 2},
      {{"scene"}, 2},
  };
  testing::ExpectCliTable(cases, dir.path());
}

}  // namespace
}  // namespace glkov
