// glkov-cli new / info, run as a separate program.
#include <gtest/gtest.h>

#include "model/project_test_helpers.h"

namespace glkov {
namespace {

using testing::CrLf;
using testing::OneRegionProjectLines;

TEST(CliProject, ArgumentsStatusAndMessages) {
  testing::TempDir dir;
  testing::WriteRoomPictures(dir);
  testing::WriteFile(dir / "room.kov", CrLf(OneRegionProjectLines()));
  auto lines = OneRegionProjectLines();
  lines[10] = "lost.cam";
  testing::WriteFile(dir / "lost.kov", CrLf(lines));
  lines = OneRegionProjectLines();
  lines[0] = "KOV 2.0";
  testing::WriteFile(dir / "v2.kov", CrLf(lines));
  lines = OneRegionProjectLines();
  lines[7] = "lots";
  testing::WriteFile(dir / "lots.kov", CrLf(lines));
  const std::vector<std::string> pictures = {"@/room.bmp", "@/roommask.bmp", "@/roomback.bmp"};
  auto newProject = [&pictures](std::vector<std::string> extra) {
    std::vector<std::string> args = {"new"};
    args.insert(args.end(), pictures.begin(), pictures.end());
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  };
  const std::vector<testing::CliCase> cases = {
      {newProject({"-o", "@/new.kov"})},
      {{"info", "@/new.kov", "--json"}, 0, "", "/MeshRegions/1/VanishX", 319.5},
      {newProject(
          {"-o", "@/m.kov", "--mesh", "320,200.5,200,150,440,330", "--fov", "90", "--done"})},
      {{"info", "@/m.kov", "--json"}, 0, "", "/FocalLength", 320.0},
      {newProject({"-o", "@/x.kov", "--mesh", "1,2,3"}), 2},
      {newProject({"-o", "@/x.kov", "--mesh", "1,2,3,4,5,x"}), 2},
      {newProject({"-o", "@/x.kov", "--fov", "180"}), 2},
      {{"new", "@/room.bmp"}, 2},
      {{"new", "@/none.bmp", "@/roommask.bmp", "@/roomback.bmp", "-o", "@/x.kov"}, 1, "none.bmp"},
      {{"info", "@/room.kov", "--json"}, 0, "", "/MeshRegions/1/Objects/0/Y2", 200},
      {{"info", "@/lost.kov", "--json"}, 0, "", "/MeshRegions/1/CameraPath", "lost.cam"},
      {{"info", "@/v2.kov"}, 1, "File is not a KOV file or wrong version.\n"},
      {{"info", "@/lots.kov"}, 1, "lots.kov, line 8:"},
      {{"info", "@/missing.kov"}, 1, "missing.kov"},
  };
  testing::ExpectCliTable(cases, dir.path());
  EXPECT_FALSE(std::filesystem::exists(dir / "x.kov"));
}

// A file of an older version comes back in the current one.
TEST(CliProject, SaveAsWritesTheCurrentVersion) {
  testing::TempDir dir;
  testing::WriteRoomPictures(dir);
  auto lines = OneRegionProjectLines();
  lines.erase(lines.begin() + 12);
  lines.erase(lines.begin() + 1);
  lines[0] = "KOV 1.1 Multi-Mesh";
  testing::WriteFile(dir / "old.kov", CrLf(lines));
  ASSERT_EQ(testing::RunCli(
                {"info", (dir / "old.kov").string(), "--save-as", (dir / "new.kov").string()}),
            0);
  EXPECT_EQ(testing::ReadFile(dir / "new.kov"), CrLf(OneRegionProjectLines()));
}

}  // namespace
}  // namespace glkov
