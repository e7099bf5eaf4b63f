// glkov-cli path --preset and export --preset, run as a separate program.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/small_room.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::RunCli;
using testing::TempDir;

// The small room as a project of one sub-scene with a recorded path.
std::string WriteRoom(const TempDir& dir) {
  static const synthetic::SyntheticRoom room =
      synthetic::MakeSyntheticRoom(testing::SmallRoomOptions());
  testing::WriteSubScenesProject(room, dir, {testing::StraightPath(room, 3, 10)});
  return (dir / "test.kov").string();
}

TEST(CliPreset, ArgumentsStatusAndMessages) {
  TempDir dir;
  const std::string kov = WriteRoom(dir);
  const std::vector<testing::CliCase> cases = {
      {{"path", kov, "--preset", "orbit", "--seconds", "2", "--ease", "linear", "--loop", "-o",
        "@/loop.cam", "--json"}},
      // A loop of 2 seconds: 40 frames back to the first key.
      {{"path", "@/loop.cam", "--json"}, 0, "", "/FPS", 20},
      {{"path", kov, "--preset", "pan-left", "--strength", "1", "--region", "1", "-o", "@/c.cam"}},
      {{"path", kov, "--preset", "Dolly In", "-o", "@/c.cam"}, 2, "--preset"},
      {{"path", kov, "--preset", "dolly-in", "--strength", "1.5", "-o", "@/c.cam"},
       2,
       "--strength"},
      {{"path", kov, "--preset", "dolly-in", "--ease", "slow", "-o", "@/c.cam"}, 2, "--ease"},
      {{"path", kov, "--loop", "-o", "@/c.cam"}, 2, "--preset"},
      {{"path", kov, "--preset", "dolly-in"}, 2, "-o"},
      {{"path", kov, "--preset", "dolly-in", "--region", "7", "-o", "@/c.cam"}, 1, "sub-scene 7"},
      {{"path", "@/none.kov", "--preset", "dolly-in", "-o", "@/c.cam"}, 1, "none.kov"},
  };
  testing::ExpectCliTable(cases, dir.path());
  const nlohmann::json keys =
      testing::RunCliJson({"path", (dir / "loop.cam").string(), "--json"})["KeyFrames"];
  EXPECT_EQ(keys.front(), keys.back());
}

// A preset movie in one command: the flight's frames as "path --preset --frames" lists them.
TEST(CliPreset, ExportFliesThePresetInEverySubScene) {
  TempDir dir;
  const std::string kov = WriteRoom(dir);
  const nlohmann::json path =
      testing::RunCliJson({"path", kov, "--preset", "walk-through", "--seconds", "1", "-o",
                           (dir / "w.cam").string(), "--frames", "--json"});
  ASSERT_TRUE(path.contains("Frames"));
  EXPECT_EQ(path["Preset"], "walk-through");
  const std::string movie = (dir / "walk.avi").string();
  std::string out, err;
  ASSERT_EQ(RunCli({"export", kov, "-o", movie, "--width", "48", "--height", "36", "--preset",
                    "walk-through", "--seconds", "1"},
                   &out, &err),
            0)
      << err;
  ASSERT_EQ(RunCli({"avi-info", movie}, &out, &err), 0) << err;
  const std::string length = "\ndwLength " + std::to_string(path["Frames"].size()) + "\n";
  EXPECT_NE(out.find(length), std::string::npos) << out;
}

}  // namespace
}  // namespace glkov
