// glkov-cli scene: a project written to a folder, made from the command line.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/animation/timeline.h"
#include "core/image/picture_file.h"
#include "core/model/picture_import.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "scene/scene_fixtures.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::TempDir;

struct Mesh {
  double InnerLeft = 100, InnerRight = 200, InnerBottom = 66, InnerTop = 132;
  double VanishX = 150, VanishY = 99;
};

// The worked-example room as a project file: a 300 x 200 picture with two bright objects in the
// mask (one of red 150, standing on the floor), the mesh and focal length 260.
std::string WriteRoomProject(const TempDir& dir, const Mesh& m = {}) {
  TFastBMP original(300, 200), mask(300, 200), background(300, 200);
  testing::FillPositionPattern(original);
  testing::FillPositionPattern(background);
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
  SaveBMP((dir / "room.bmp").string(), original);
  SaveBMP((dir / "room_mask.bmp").string(), mask);
  SaveBMP((dir / "room_bg.bmp").string(), background);

  TProject p;
  TTimeline timeline(p);
  LoadOriginal(p, timeline, (dir / "room.bmp").string());
  LoadMask(p, (dir / "room_mask.bmp").string());
  LoadBackground(p, (dir / "room_bg.bmp").string());
  p.InnerLeft = m.InnerLeft;
  p.InnerRight = m.InnerRight;
  p.InnerBottom = m.InnerBottom;
  p.InnerTop = m.InnerTop;
  p.VanishX = m.VanishX;
  p.VanishY = m.VanishY;
  p.FocalLength = 260;
  const std::string file = (dir / "room.kov").string();
  SaveProject(p, file);
  return file;
}

// The scene's numbers are tested in scene_builder_test; here the command line reaches them: the
// arguments, the exit status, what standard error says and one field of the answer. The first
// object's DrawOrder tells the count: 1 when the far second object is drawn first, 0 alone.
TEST(CliScene, OptionsStatusAndAnswer) {
  TempDir dir;
  Mesh m;
  m.InnerBottom = 99;  // the rear wall's bottom at the horizon
  const std::string degenerate = WriteRoomProject(dir, m);
  std::filesystem::rename(degenerate, dir / "degenerate.kov");
  const std::string kov = WriteRoomProject(dir);
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
