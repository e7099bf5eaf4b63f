// glkov-cli scene: a project written to a folder, made from the command line.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "core/animation/timeline.h"
#include "core/image/picture_file.h"
#include "core/model/picture_import.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "scene/scene_fixtures.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::ExpectCliFails;
using testing::RunCli;
using testing::RunCliJson;
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

TEST(CliScene, WorkedExampleRoomAsJson) {
  TempDir dir;
  const std::string kov = WriteRoomProject(dir);
  const nlohmann::json j = RunCliJson({"scene", kov, "--json"});
  EXPECT_DOUBLE_EQ(j["SceneScale"].get<double>(), 214.5);
  EXPECT_NEAR(j["EyeDistance"].get<double>(), 1.21212, 1e-5);
  EXPECT_NEAR(j["EyeHeight"].get<double>(), 0.461538, 1e-6);
  EXPECT_NEAR(j["RearCorners"]["XL"].get<double>(), -0.699301, 1e-6);
  EXPECT_NEAR(j["RearCorners"]["Zr"].get<double>(), -2.424242, 1e-6);
  ASSERT_EQ(j["Boards"].size(), 5u);
  EXPECT_EQ(j["Boards"][0]["PX"], nlohmann::json({100, 200, 300, 0}));
  EXPECT_EQ(j["Boards"][1]["PY"], nlohmann::json({66, 132, 197, 1}));
  EXPECT_EQ(j["Boards"][0]["TexWidth"], 512);
  // The automatic extraction found both objects; the nearer one (Y1 = 10) is drawn last.
  ASSERT_EQ(j["fgObjs"].size(), 2u);
  const nlohmann::json& o = j["fgObjs"][0];
  EXPECT_EQ(o["Name"], "Object 1");
  EXPECT_EQ(o["X1"], 20);
  EXPECT_EQ(o["Y1"], 10);
  EXPECT_EQ(o["Y2"], 79);
  EXPECT_EQ(o["TexWidth"], 128);
  EXPECT_EQ(j["fgObjs"][1]["Y1"], 20);
  EXPECT_EQ(j["fgObjs"][0]["DrawOrder"], 1);
  EXPECT_EQ(j["fgObjs"][1]["DrawOrder"], 0);
  EXPECT_EQ(o["Y"][0], 0.0);
  EXPECT_DOUBLE_EQ(j["CamPos"][1].get<double>(), 99 / 214.5);
  EXPECT_DOUBLE_EQ(j["CamPos"][2].get<double>(), 260 / 214.5);
  EXPECT_EQ(j["CamDir"], nlohmann::json({0.0, 0.0, -1.0}));
}

TEST(CliScene, ExtractionOptions) {
  TempDir dir;
  const std::string kov = WriteRoomProject(dir);
  // Threshold 150 leaves out the object of red 150.
  EXPECT_EQ(RunCliJson({"scene", kov, "--json", "--threshold", "150"})["fgObjs"].size(), 1u);
  // A minimum size of 45: the 40 x 30 object is dropped, the 40 x 70 one kept.
  EXPECT_EQ(RunCliJson({"scene", kov, "--json", "--min-size", "45"})["fgObjs"].size(), 1u);
  EXPECT_EQ(RunCliJson({"scene", kov, "--json", "--no-min-size", "--negative"})["fgObjs"].size(),
            2u);
  ExpectCliFails({"scene", kov, "--min-size", "4", "--no-min-size"}, 2);
}

TEST(CliScene, TextOutput) {
  TempDir dir;
  const std::string kov = WriteRoomProject(dir);
  std::string out, err;
  ASSERT_EQ(RunCli({"scene", kov}, &out, &err), 0) << err;
  EXPECT_NE(out.find("SceneScale 214.5\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Board 4 Rear Wall: texture 128 x 128"), std::string::npos) << out;
  EXPECT_NE(out.find("Object 'Object 1'"), std::string::npos) << out;
}

TEST(CliScene, ErrorsAndUsage) {
  TempDir dir;
  Mesh m;
  m.InnerBottom = 99;  // the rear wall's bottom at the horizon
  const std::string degenerate = WriteRoomProject(dir, m);
  std::string out, err;
  EXPECT_EQ(RunCli({"scene", degenerate, "--json"}, &out, &err), 1);
  EXPECT_TRUE(out.empty()) << out;
  EXPECT_EQ(err.rfind("glkov-cli: Cannot make the 3D scene: the rear wall", 0), 0u) << err;
  EXPECT_EQ(err.find("nan"), std::string::npos);

  const std::string kov = WriteRoomProject(dir);
  ExpectCliFails({"scene", kov, "--region", "2"}, 1);
  ExpectCliFails({"scene", (dir / "none.kov").string()}, 1, "none.kov");
  ExpectCliFails({"scene"}, 2);
}

}  // namespace
}  // namespace glkov
