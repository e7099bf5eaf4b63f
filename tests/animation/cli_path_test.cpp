// glkov-cli path, run as a separate program.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "model/project_test_helpers.h"

namespace glkov {
namespace {

using testing::CrLf;

const std::vector<std::string> kThreeKeys = {"KOV Camera Path File 1.1",
                                             "20",
                                             "4",
                                             "40",
                                             "3",
                                             "1 0 0.75 1 0 0 -1 0 1 0",
                                             "1 1 0.75 0 0 0 -1 0 1 0",
                                             "1 2 0.75 1 0 0 -1 0 1 0"};

TEST(CliPath, ArgumentsStatusAndMessages) {
  testing::TempDir dir;
  testing::WriteFile(dir / "p.cam", CrLf(kThreeKeys));
  // Extra words after a key and "1.000" are read; the copy is written in the usual form.
  testing::WriteFile(dir / "loose.cam",
                     "KOV Camera Path File 1.1\n20\n4\n40\n3\n1 0 0.75 1 0 0 -1 0 1 0 x\n"
                     "1 1 0.75 0 0 0 -1 0 1 0\n1 2 0.75 1.000 0 0 -1 0 1 0\n");
  auto lines = kThreeKeys;
  lines[0] = "KOV Camera Path File 1.0";
  testing::WriteFile(dir / "v.cam", CrLf(lines));
  lines = kThreeKeys;
  lines[6] = "1 1 0.75 O 0 0 -1 0 1 0";
  testing::WriteFile(dir / "n.cam", CrLf(lines));
  // One key: the question is answered Yes and one key is read, but it makes no flight.
  testing::WriteFile(dir / "one.cam", CrLf({"KOV Camera Path File 1.1", "20", "4", "40", "1",
                                            "1 0 0 0 0 0 -1 0 1 0"}));
  const std::vector<testing::CliCase> cases = {
      {{"path", "@/p.cam", "--json"}, 0, "", "/KeyFrames/1/CamPos/2", 0.0},
      {{"path", "@/p.cam", "--json", "--frames"}, 0, "", "/Frames/3/CamPos/0", 0.796875},
      {{"path", "@/p.cam", "--json", "--frames", "--smoothness", "10", "--master", "2"},
       0,
       "",
       "/Frames/8/CamPos/0",
       1.0},
      {{"path", "@/p.cam", "--frames", "--smoothness", "11"}, 2},
      {{"path", "@/p.cam", "--frames", "--master", "0"}, 1},
      {{"path", "@/loose.cam", "--save-as", "@/q.cam"}},
      {{"path", "@/none.cam"}, 1, "Path file \"" + (dir / "none.cam").string() + "\" not found.\n"},
      {{"path", "@/v.cam"}, 1, "Not a valid KOV Camera File or wrong version.\n"},
      {{"path", "@/n.cam"}, 1, "n.cam, line 7"},
      {{"path", "@/one.cam", "--json"}, 0, "", "/KeyFrames/0/Recorded", true},
      {{"path", "@/one.cam", "--frames"}, 1},
  };
  testing::ExpectCliTable(cases, dir.path());
  EXPECT_EQ(testing::ReadFile(dir / "q.cam"), CrLf(kThreeKeys));
}

}  // namespace
}  // namespace glkov
