// glkov-cli new / info, run as a separate program.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "model/project_test_helpers.h"

namespace glkov {
namespace {

using testing::CrLf;
using testing::ExpectCliFails;
using testing::OneRegionProjectLines;
using testing::ReadFile;
using testing::RunCli;
using testing::TempDir;
using testing::WriteFile;
using testing::WriteRoomPictures;

TEST(CliNew, MakesTheDefaultProject) {
  TempDir dir;
  WriteRoomPictures(dir);
  const std::string kov = (dir / "new.kov").string();
  std::string out, err;
  ASSERT_EQ(RunCli({"new", (dir / "room.bmp").string(), (dir / "roommask.bmp").string(),
                    (dir / "roomback.bmp").string(), "-o", kov},
                   &out, &err),
            0)
      << err;
  EXPECT_EQ(out, "");
  EXPECT_EQ(ReadFile(kov),
            CrLf({"KOV with Perpective Grid", "1.3", "room.bmp", "roomback.bmp", "roommask.bmp",
                  "1", "0 0 639 479 Region 1", "0", "319.50 238.50 213.00 159.00 426.00 318.00", "",
                  "0", "554.00", "10 10 629 469", "0"}));
}

TEST(CliNew, MeshFieldOfViewAndDone) {
  TempDir dir;
  WriteRoomPictures(dir);
  const std::string kov = (dir / "new.kov").string();
  std::string err;
  ASSERT_EQ(RunCli({"new", (dir / "room.bmp").string(), (dir / "roommask.bmp").string(),
                    (dir / "roomback.bmp").string(), "-o", kov, "--mesh",
                    "320,200.5,200,150,440,330", "--fov", "90", "--done"},
                   nullptr, &err),
            0)
      << err;
  const std::string text = ReadFile(kov);
  EXPECT_NE(text.find("\r\n320.00 200.50 200.00 150.00 440.00 330.00\r\n\r\n1\r\n320.00\r\n"),
            std::string::npos)
      << text;
}

TEST(CliNew, BadArgumentsAndMissingPictures) {
  TempDir dir;
  WriteRoomPictures(dir);
  const std::vector<std::string> base = {"new",
                                         (dir / "room.bmp").string(),
                                         (dir / "roommask.bmp").string(),
                                         (dir / "roomback.bmp").string(),
                                         "-o",
                                         (dir / "x.kov").string()};
  auto with = [&base](std::vector<std::string> extra) {
    auto args = base;
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  };
  for (const auto& bad : {with({"--mesh", "1,2,3"}), with({"--mesh", "1,2,3,4,5,6,7"}),
                          with({"--mesh", "1,2,3,4,5,x"}), with({"--fov", "180"}),
                          std::vector<std::string>{"new", (dir / "room.bmp").string()}}) {
    ExpectCliFails(bad, 2);
  }
  ExpectCliFails({"new", (dir / "none.bmp").string(), (dir / "roommask.bmp").string(),
                  (dir / "roomback.bmp").string(), "-o", (dir / "x.kov").string()},
                 1, "none.bmp");
  EXPECT_FALSE(std::filesystem::exists(dir / "x.kov"));
}

TEST(CliInfo, JsonOfTheWorkedExample) {
  TempDir dir;
  WriteRoomPictures(dir);
  WriteFile(dir / "room.kov", CrLf(OneRegionProjectLines()));
  const auto j = testing::RunCliJson({"info", (dir / "room.kov").string(), "--json"});
  EXPECT_EQ(j["Header"], "KOV with Perpective Grid");
  EXPECT_EQ(j["Original"], (dir / "room.bmp").string());
  EXPECT_EQ(j["FocalLength"], 554.0);
  EXPECT_EQ(j["Page"], 3);
  EXPECT_EQ(j["PicWidth"], 640);
  EXPECT_EQ(j["ViewWidth"], 620);
  EXPECT_EQ(j["ViewLeft"], 10.0);
  EXPECT_EQ(j["ViewTop"], 470.0);
  ASSERT_EQ(j["MeshRegions"].size(), 2u);
  EXPECT_EQ(j["MeshRegions"][0]["Name"], "Window");
  EXPECT_EQ(j["MeshRegions"][0]["Right"], 629);
  const auto& r = j["MeshRegions"][1];
  EXPECT_EQ(r["Name"], "Region 1");
  EXPECT_EQ(r["ObjCount"], 1);
  EXPECT_EQ(r["VanishX"], 319.5);
  EXPECT_EQ(r["PerspectiveDone"], true);
  EXPECT_EQ(r["CameraPath"], "");
  ASSERT_EQ(r["Objects"].size(), 1u);
  EXPECT_EQ(r["Objects"][0]["X1"], 100);
  EXPECT_EQ(r["Objects"][0]["Y2"], 200);
  EXPECT_EQ(r["Objects"][0]["Name"], "Object 1");
}

TEST(CliInfo, SaveAsWritesTheCurrentVersion) {
  TempDir dir;
  WriteRoomPictures(dir);
  auto lines = OneRegionProjectLines();
  lines.erase(lines.begin() + 12);
  lines.erase(lines.begin() + 1);
  lines[0] = "KOV 1.1 Multi-Mesh";
  WriteFile(dir / "old.kov", CrLf(lines));
  std::string out, err;
  ASSERT_EQ(RunCli({"info", (dir / "old.kov").string(), "--save-as", (dir / "new.kov").string()},
                   &out, &err),
            0)
      << err;
  EXPECT_EQ(ReadFile(dir / "new.kov"), CrLf(OneRegionProjectLines()));
}

TEST(CliInfo, WarningForAMissingPathFileAndErrorsForBrokenFiles) {
  TempDir dir;
  WriteRoomPictures(dir);
  auto lines = OneRegionProjectLines();
  lines[10] = "lost.cam";
  WriteFile(dir / "room.kov", CrLf(lines));
  std::string out, err;
  ASSERT_EQ(RunCli({"info", (dir / "room.kov").string(), "--json"}, &out, &err), 0) << err;
  EXPECT_EQ(err,
            "glkov-cli: warning: Path file \"" + (dir / "lost.cam").string() + "\" not found.\n");
  EXPECT_EQ(nlohmann::json::parse(out)["MeshRegions"][1]["CameraPath"], "lost.cam");

  lines = OneRegionProjectLines();
  lines[0] = "KOV 2.0";
  WriteFile(dir / "bad.kov", CrLf(lines));
  EXPECT_EQ(RunCli({"info", (dir / "bad.kov").string(), "--json"}, &out, &err), 1);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "glkov-cli: File is not a KOV file or wrong version.\n");

  lines = OneRegionProjectLines();
  lines[7] = "lots";
  WriteFile(dir / "bad.kov", CrLf(lines));
  ExpectCliFails({"info", (dir / "bad.kov").string()}, 1, "bad.kov, line 8:");

  ExpectCliFails({"info", (dir / "missing.kov").string()}, 1, "missing.kov");
}

}  // namespace
}  // namespace glkov
