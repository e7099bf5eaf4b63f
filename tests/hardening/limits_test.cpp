// Files at the edge of what the program takes: long camera paths, projects with many sub-scenes
// and objects. Each is either handled or refused with a message naming the file.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/animation/camera_path_file.h"
#include "core/animation/interpolation.h"
#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "model/project_test_helpers.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::TempDir;

// Key k of the long path stands at (k, 1, 0) looking along -z.
std::string LongPath(int keys) {
  std::string s = "KOV Camera Path File 1.1\r\n15\r\n30\r\n30\r\n" + std::to_string(keys) + "\r\n";
  for (int k = 0; k < keys; ++k) s += "1 " + std::to_string(k) + " 1 0 0 0 -1 0 1 0\r\n";
  return s;
}

TEST(LongCameraPath, TenThousandKeysLoadAndInterpolate) {
  TempDir dir;
  constexpr int kKeys = 10000;
  testing::WriteFile(dir / "long.cam", LongPath(kKeys));
  TProject p;
  TTimeline t(p);
  LoadCameraPathFile(t, (dir / "long.cam").string());
  ASSERT_EQ(t.KeyCount(), kKeys);
  EXPECT_EQ(t.KeyFrames()[9999].CamPos.x, 9999);

  // Every frame of the flight is made: frames on the keys stand exactly on them.
  const auto cameras =
      PathFrameCameras(t.KeyFrames(), SegmentFrameCounts(kKeys, t.FPK, 1.0, false), 5);
  ASSERT_EQ(cameras.size(), size_t{30} * (kKeys - 1) + 1);
  EXPECT_NEAR(cameras[30 * 5000].CamPos.x, 5000, 1e-9);
  EXPECT_NEAR(cameras.back().CamPos.x, kKeys - 1, 1e-9);

  // And the path is written back as it was read.
  SaveCameraPathFile(t, (dir / "again.cam").string());
  EXPECT_EQ(testing::ReadFile(dir / "again.cam"), LongPath(kKeys));
}

// A project of many sub-scenes, each with many objects, all of them really in the file.
TEST(LargeProject, ManySubScenesAndObjectsLoad) {
  TempDir dir;
  testing::WriteRoomPictures(dir, 64, 48);
  constexpr int kScenes = 200;
  constexpr int kObjects = 500;
  std::vector<std::string> lines = {
      "KOV with Perpective Grid", "1.3", "room.bmp", "roomback.bmp", "roommask.bmp",
      std::to_string(kScenes)};
  for (int s = 0; s < kScenes; ++s) {
    lines.push_back("0 0 63 47 Region " + std::to_string(s + 1));
    lines.push_back(std::to_string(kObjects));
    for (int o = 0; o < kObjects; ++o) lines.push_back("1 1 10 10 1 Object " + std::to_string(o));
    lines.push_back("31.50 23.50 20.00 15.00 43.00 32.00");
    lines.push_back("");
    lines.push_back("1");
    lines.push_back("55.00");
  }
  lines.push_back("0 0 63 47");
  lines.push_back("3");
  testing::WriteFile(dir / "big.kov", testing::CrLf(lines));
  TProject p;
  TTimeline t(p);
  LoadProject(p, t, (dir / "big.kov").string());
  ASSERT_EQ(p.MeshRegions.size(), size_t{kScenes + 1});
  EXPECT_EQ(p.MeshRegions[kScenes].Objects.size(), size_t{kObjects});
  EXPECT_EQ(p.fgObjs.size(), size_t{kObjects});
}

// Counts the file cannot hold, and a file over the size limit, are refused before anything of
// that size is made, with a message that says why.
TEST(LargeProject, ClaimsBeyondTheFileAndFilesOverTheLimitAreRefused) {
  TempDir dir;
  testing::WriteRoomPictures(dir, 64, 48);
  const auto refused = [](const std::filesystem::path& file, const std::string& says) {
    TProject p;
    TTimeline t(p);
    const std::string error = testing::ErrorOf([&] { LoadProject(p, t, file.string()); });
    EXPECT_NE(error.find(says), std::string::npos) << error;
  };
  for (const auto& [line, value] : std::vector<std::pair<size_t, std::string>>{
           {5, "2147483647"}, {5, "4294967296"}, {7, "2147483647"}, {7, "1000000"}}) {
    auto lines = testing::OneRegionProjectLines();
    lines[line] = value;
    testing::WriteFile(dir / "claims.kov", testing::CrLf(lines));
    refused(dir / "claims.kov", "claims.kov");
  }
  testing::WriteFile(dir / "huge.kov", "KOV with Perpective Grid\r\n");
  std::filesystem::resize_file(dir / "huge.kov", 64ull << 20);  // sparse: no disk space taken
  refused(dir / "huge.kov", "too large");
}

}  // namespace
}  // namespace glkov
