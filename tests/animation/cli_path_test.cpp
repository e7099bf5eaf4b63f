// glkov-cli path, run as a separate program.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "model/project_test_helpers.h"

namespace glkov {
namespace {

using testing::CrLf;
using testing::ReadFile;
using testing::RunCli;
using testing::RunCliJson;
using testing::TempDir;
using testing::WriteFile;

const std::vector<std::string> kThreeKeys = {"KOV Camera Path File 1.1",
                                             "20",
                                             "4",
                                             "40",
                                             "3",
                                             "1 0 0.75 1 0 0 -1 0 1 0",
                                             "1 1 0.75 0 0 0 -1 0 1 0",
                                             "1 2 0.75 1 0 0 -1 0 1 0"};

std::vector<double> Triple(const nlohmann::json& j) {
  return {j[0].get<double>(), j[1].get<double>(), j[2].get<double>()};
}

TEST(CliPath, KeysAndRatesAsJson) {
  TempDir dir;
  WriteFile(dir / "p.cam", CrLf(kThreeKeys));
  const auto j = RunCliJson({"path", (dir / "p.cam").string(), "--json"});
  EXPECT_EQ(j["FPS"], 20);
  EXPECT_EQ(j["FPK"], 4);
  EXPECT_EQ(j["Trans"], 40);
  ASSERT_EQ(j["KeyFrames"].size(), 3u);
  EXPECT_EQ(j["KeyFrames"][1]["Recorded"], true);
  EXPECT_EQ(Triple(j["KeyFrames"][1]["CamPos"]), (std::vector<double>{1, 0.75, 0}));
  EXPECT_EQ(Triple(j["KeyFrames"][1]["CamDir"]), (std::vector<double>{0, 0, -1}));
  EXPECT_EQ(Triple(j["KeyFrames"][1]["CamUp"]), (std::vector<double>{0, 1, 0}));
  EXPECT_FALSE(j.contains("Frames"));
}

TEST(CliPath, FramesAsTheExportComputesThem) {
  TempDir dir;
  WriteFile(dir / "p.cam", CrLf(kThreeKeys));
  auto j = RunCliJson({"path", (dir / "p.cam").string(), "--json", "--frames"});
  ASSERT_EQ(j["Frames"].size(), 9u);
  EXPECT_EQ(Triple(j["Frames"][3]["CamPos"]), (std::vector<double>{0.796875, 0.75, 0.21875}));
  EXPECT_EQ(Triple(j["Frames"][8]["CamPos"]), (std::vector<double>{2, 0.75, 1}));

  j = RunCliJson({"path", (dir / "p.cam").string(), "--json", "--frames", "--smoothness", "10",
                  "--master", "2"});
  ASSERT_EQ(j["Frames"].size(), 17u);
  EXPECT_EQ(Triple(j["Frames"][8]["CamPos"]), (std::vector<double>{1, 0.75, 0}));

  // Preview: Round(4 / 4) = 1 frame per segment.
  EXPECT_EQ(
      RunCliJson({"path", (dir / "p.cam").string(), "--json", "--frames", "--preview"})["Frames"]
          .size(),
      3u);
  testing::ExpectCliFails({"path", (dir / "p.cam").string(), "--frames", "--smoothness", "11"}, 2);
  testing::ExpectCliFails({"path", (dir / "p.cam").string(), "--frames", "--master", "0"}, 1);
}

TEST(CliPath, SaveAsWritesTheSamePath) {
  TempDir dir;
  WriteFile(dir / "p.cam",
            "KOV Camera Path File 1.1\n20\n4\n40\n3\n1 0 0.75 1 0 0 -1 0 1 0 x\n"
            "1 1 0.75 0 0 0 -1 0 1 0\n1 2 0.75 1.000 0 0 -1 0 1 0\n");
  std::string out, err;
  ASSERT_EQ(
      RunCli({"path", (dir / "p.cam").string(), "--save-as", (dir / "q.cam").string()}, &out, &err),
      0)
      << err;
  EXPECT_EQ(ReadFile(dir / "q.cam"), CrLf(kThreeKeys));
}

TEST(CliPath, BrokenFilesGiveTheMessages) {
  TempDir dir;
  std::string out, err;
  const std::string missing = (dir / "none.cam").string();
  EXPECT_EQ(RunCli({"path", missing}, &out, &err), 1);
  EXPECT_EQ(err, "glkov-cli: Path file \"" + missing + "\" not found.\n");
  EXPECT_EQ(out, "");

  auto lines = kThreeKeys;
  lines[0] = "KOV Camera Path File 1.0";
  WriteFile(dir / "v.cam", CrLf(lines));
  EXPECT_EQ(RunCli({"path", (dir / "v.cam").string()}, &out, &err), 1);
  EXPECT_EQ(err, "glkov-cli: Not a valid KOV Camera File or wrong version.\n");

  lines = kThreeKeys;
  lines[6] = "1 1 0.75 O 0 0 -1 0 1 0";
  WriteFile(dir / "n.cam", CrLf(lines));
  EXPECT_EQ(RunCli({"path", (dir / "n.cam").string()}, &out, &err), 1);
  EXPECT_EQ(err.rfind("glkov-cli: I/O error 106", 0), 0u) << err;
  EXPECT_NE(err.find("n.cam, line 7"), std::string::npos) << err;

  // One key: the question is answered Yes and one key is read.
  WriteFile(dir / "one.cam",
            CrLf({"KOV Camera Path File 1.1", "20", "4", "40", "1", "1 0 0 0 0 0 -1 0 1 0"}));
  EXPECT_EQ(RunCliJson({"path", (dir / "one.cam").string(), "--json"})["KeyFrames"].size(), 1u);
  EXPECT_EQ(RunCli({"path", (dir / "one.cam").string(), "--frames"}, &out, &err), 1);
}

}  // namespace
}  // namespace glkov
