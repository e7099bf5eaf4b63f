#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/image/picture_file.h"
#include "support/test_support.h"
#include "tools/synthetic_room.h"

namespace glkov::testing {
namespace {

// The room of 320 x 240 with its vanishing point at (160, 100), saved as the three pictures.
class SuggestMeshCli : public ::testing::Test {
 protected:
  void SetUp() override {
    synthetic::SyntheticRoomOptions o;
    o.Width = 320;
    o.Height = 240;
    o.VanishX = 160;
    o.VanishY = 100;
    o.InnerLeft = 100;
    o.InnerRight = 220;
    o.InnerBottom = 65;
    o.InnerTop = 165;
    o.FocalLength = 277;
    o.Objects.clear();
    const synthetic::SyntheticRoom room = synthetic::MakeSyntheticRoom(o);
    SaveBMP(Path("o.bmp"), room.Background);
    SaveBMP(Path("m.bmp"), room.Mask);
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }

  TempDir dir;
};

TEST_F(SuggestMeshCli, SuggestsAndMakesProjects) {
  const nlohmann::json j = RunCliJson({"suggest-mesh", Path("o.bmp"), "--json"});
  EXPECT_NEAR(j["VanishX"].get<double>(), 160, 0.03 * 320);
  EXPECT_NEAR(j["VanishY"].get<double>(), 100, 0.03 * 320);
  EXPECT_LT(j["InnerLeft"].get<double>(), j["VanishX"].get<double>());
  EXPECT_GT(j["InnerTop"].get<double>(), j["VanishY"].get<double>());
  EXPECT_GT(j["Confidence"].get<double>(), 0.5);
  EXPECT_EQ(j["FieldOfView"].get<double>(), 60);  // a BMP has no EXIF data
  EXPECT_NEAR(j["FocalLength"].get<double>(), 160 * std::sqrt(3.0), 1e-9);
  ASSERT_FALSE(j["Lines"].empty());
  EXPECT_EQ(j["Lines"][0].size(), 4u);

  // "new --auto-mesh" stores the same suggestion in sub-scene 1.
  ASSERT_EQ(RunCli({"new", Path("o.bmp"), Path("m.bmp"), Path("o.bmp"), "-o", Path("p.kov"),
                    "--auto-mesh"}),
            0);
  const nlohmann::json info = RunCliJson({"info", Path("p.kov"), "--json"});
  const nlohmann::json& region = info["MeshRegions"][1];
  // The project file keeps two decimals.
  EXPECT_NEAR(region["VanishX"].get<double>(), j["VanishX"].get<double>(), 0.006);
  EXPECT_NEAR(region["InnerTop"].get<double>(), j["InnerTop"].get<double>(), 0.006);

  struct Bad {
    std::vector<std::string> Args;
    int Status;
    std::string Part;
  };
  for (const Bad& b : std::vector<Bad>{{{"suggest-mesh", Path("missing.jpg")}, 1, "missing.jpg"},
                                       {{"suggest-mesh"}, 2, ""},
                                       {{"new", Path("o.bmp"), Path("m.bmp"), Path("o.bmp"), "-o",
                                         Path("q.kov"), "--auto-mesh", "--mesh", "1,2,3,4,5,6"},
                                        2,
                                        ""}}) {
    ExpectCliFails(b.Args, b.Status, b.Part);
  }
  // A picture without lines: the default mesh, confidence 0, no error.
  SaveBMP(Path("flat.bmp"), FilledPicture(90, 60, 40, 80, 120));
  const nlohmann::json flat = RunCliJson({"suggest-mesh", Path("flat.bmp"), "--json"});
  EXPECT_EQ(flat["Confidence"].get<double>(), 0);
  EXPECT_EQ(flat["InnerLeft"].get<double>(), 30);
  EXPECT_TRUE(flat["Lines"].empty());
}

}  // namespace
}  // namespace glkov::testing
