// glkov-cli new / info, run as a separate program.
#include <gtest/gtest.h>

#include "model/project_test_helpers.h"

namespace glkov {
namespace {

using testing::CrLf;
using testing::OneRegionProjectLines;

// The reader's rules are project_file_test's; here the commands reach them.
TEST(CliProject, ArgumentsStatusAndMessages) {
  testing::TempDir dir;
  testing::WriteRoomPictures(dir);
  testing::WriteFile(dir / "room.kov", CrLf(OneRegionProjectLines()));
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
      {{"info", "@/missing.kov"}, 1, "missing.kov"},
  };
  testing::ExpectCliTable(cases, dir.path());
  EXPECT_FALSE(std::filesystem::exists(dir / "x.kov"));
}

}  // namespace
}  // namespace glkov
