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
  const std::string cam = (dir / "out.cam").string();
  const std::string loop = (dir / "loop.cam").string();
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;  // part of standard error
  };
  const std::vector<Case> cases = {
      {{"path", kov, "--preset", "orbit", "--seconds", "2", "--ease", "linear", "--loop", "-o",
        loop, "--json"},
       0,
       ""},
      {{"path", kov, "--preset", "pan-left", "--strength", "1", "--region", "1", "-o", cam}, 0, ""},
      {{"path", kov, "--preset", "Dolly In", "-o", cam}, 2, "--preset"},
      {{"path", kov, "--preset", "dolly-in", "--strength", "1.5", "-o", cam}, 2, "--strength"},
      {{"path", kov, "--preset", "dolly-in", "--ease", "slow", "-o", cam}, 2, "--ease"},
      {{"path", kov, "--loop", "-o", cam}, 2, "--preset"},
      {{"path", kov, "--preset", "dolly-in"}, 2, "-o"},
      {{"path", kov, "--preset", "dolly-in", "--region", "7", "-o", cam}, 1, "sub-scene 7"},
      {{"path", (dir / "none.kov").string(), "--preset", "dolly-in", "-o", cam}, 1, "none.kov"},
  };
  for (const Case& c : cases) {
    std::string all;
    for (const std::string& a : c.args) all += a + " ";
    SCOPED_TRACE(all);
    std::string out, err;
    EXPECT_EQ(RunCli(c.args, &out, &err), c.status) << err;
    if (c.status != 0) {
      EXPECT_EQ(out, "");
      EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
  }
  // The first case's flight, as written: a loop of 2 seconds back to its first key.
  std::string out;
  ASSERT_EQ(RunCli({"path", loop, "--json"}, &out), 0);
  const nlohmann::json written = nlohmann::json::parse(out);
  EXPECT_EQ(written["FPS"], 20);
  const nlohmann::json& keys = written["KeyFrames"];
  EXPECT_EQ(keys.front(), keys.back());
  EXPECT_EQ((keys.size() - 1) * written["FPK"].get<size_t>(), 40u);
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

  // A preview movie: about a quarter of the frames, still a flight.
  ASSERT_EQ(RunCli({"export", kov, "-o", movie, "--width", "48", "--height", "36", "--preset",
                    "walk-through", "--seconds", "1", "--preview"},
                   &out, &err),
            0)
      << err;
  ASSERT_EQ(RunCli({"avi-info", movie}, &out, &err), 0) << err;
  const size_t at = out.find("\ndwLength ");
  ASSERT_NE(at, std::string::npos);
  const int frames = std::stoi(out.substr(at + 10));
  EXPECT_GE(frames, 3);
  EXPECT_LE(frames, 7);
}

}  // namespace
}  // namespace glkov
