#include <gtest/gtest.h>

#include "core/image/picture_file.h"
#include "support/small_room.h"

namespace glkov::testing {
namespace {

TEST(SuggestMeshCli, ArgumentsStatusAndMessages) {
  TempDir dir;
  const synthetic::SyntheticRoom room = synthetic::MakeSyntheticRoom(MediumRoomOptions());
  SaveBMP((dir / "o.bmp").string(), room.Background);
  SaveBMP((dir / "m.bmp").string(), room.Mask);
  SaveBMP((dir / "flat.bmp").string(), FilledPicture(90, 60, 40, 80, 120));
  const std::vector<CliCase> cases = {
      {{"suggest-mesh", "@/o.bmp", "--json"}, 0, "", "/FieldOfView", 60},  // no EXIF in a BMP
      // A picture without lines: the default mesh, confidence 0, no error.
      {{"suggest-mesh", "@/flat.bmp", "--json"}, 0, "", "/InnerLeft", 30},
      {{"new", "@/o.bmp", "@/m.bmp", "@/o.bmp", "-o", "@/p.kov", "--auto-mesh"}},
      {{"suggest-mesh", "@/missing.jpg"}, 1, "missing.jpg"},
      {{"suggest-mesh"}, 2},
      {{"new", "@/o.bmp", "@/m.bmp", "@/o.bmp", "-o", "@/q.kov", "--auto-mesh", "--mesh",
        "1,2,3,4,5,6"},
       2},
  };
  ExpectCliTable(cases, dir.path());
  // "new --auto-mesh" stores the suggestion (to two decimals) in sub-scene 1.
  const nlohmann::json j = RunCliJson({"suggest-mesh", (dir / "o.bmp").string(), "--json"});
  const nlohmann::json info = RunCliJson({"info", (dir / "p.kov").string(), "--json"});
  EXPECT_NEAR(info["MeshRegions"][1]["VanishX"].get<double>(), j["VanishX"].get<double>(), 0.006);
}

}  // namespace
}  // namespace glkov::testing
