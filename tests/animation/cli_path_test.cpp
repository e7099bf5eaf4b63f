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

// The reader's and the interpolation's rules are their own tests'; here the command reaches them.
TEST(CliPath, ArgumentsStatusAndMessages) {
  testing::TempDir dir;
  testing::WriteFile(dir / "p.cam", CrLf(kThreeKeys));
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
      {{"path", "@/p.cam", "--save-as", "@/q.cam"}},
      {{"path", "@/none.cam"}, 1, "Path file \"" + (dir / "none.cam").string() + "\" not found.\n"},
      {{"path", "@/one.cam", "--json"}, 0, "", "/KeyFrames/0/Recorded", true},
      {{"path", "@/one.cam", "--frames"}, 1},
  };
  testing::ExpectCliTable(cases, dir.path());
  EXPECT_EQ(testing::ReadFile(dir / "q.cam"), CrLf(kThreeKeys));
}

}  // namespace
}  // namespace glkov
