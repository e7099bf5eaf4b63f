// The committed sample projects as the command-line tool reads them.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "support/test_support.h"
#include "tools/synthetic_room.h"

namespace glkov::synthetic {
namespace {

using glkov::testing::ReadFile;
using glkov::testing::RunCli;
using glkov::testing::RunCliJson;
using glkov::testing::SourceDir;
using glkov::testing::TempDir;
using nlohmann::json;

std::string Example(const std::string& file) { return (SourceDir() / "examples" / file).string(); }

// The object rectangles of a JSON list against the generator's.
void ExpectBoxes(const json& list, const std::vector<TRegionObject>& objects) {
  ASSERT_EQ(list.size(), objects.size());
  for (size_t i = 0; i < objects.size(); ++i) {
    const json want = {
        {"X1", objects[i].X1}, {"Y1", objects[i].Y1}, {"X2", objects[i].X2}, {"Y2", objects[i].Y2}};
    for (const auto& [key, value] : want.items()) EXPECT_EQ(list[i].at(key), value) << i << key;
  }
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(SampleProjectsWithCli, RoomInfoMatchesTheGenerator) {
  const json j = RunCliJson({"info", Example("room/room.kov"), "--json"});
  const SyntheticRoom room = MakeSyntheticRoom();
  EXPECT_TRUE(EndsWith(j.at("Original"), "room.png")) << j.at("Original");
  EXPECT_TRUE(EndsWith(j.at("Mask"), "room_mask.png")) << j.at("Mask");
  EXPECT_TRUE(EndsWith(j.at("Background"), "room_back.png")) << j.at("Background");
  EXPECT_EQ(j.at("PicWidth"), 640);
  EXPECT_EQ(j.at("ViewWidth"), 620);
  ASSERT_EQ(j.at("MeshRegions").size(), 2u);
  const json& r = j.at("MeshRegions")[1];
  const TMeshRegion& want = room.MeshRegions[1];
  EXPECT_EQ(r.at("VanishX"), want.VanishX);
  EXPECT_EQ(r.at("InnerTop"), want.InnerTop);
  EXPECT_EQ(r.at("ObjCount"), want.ObjCount);
  ExpectBoxes(r.at("Objects"), want.Objects);
  EXPECT_EQ(j.at("MeshRegions")[1].at("CameraPath"), "room.cam");
}

// The program's own writer gives back the generator's file byte for byte.
TEST(SampleProjectsWithCli, SavingTheSamplesAgainChangesNothing) {
  for (const char* name : {"room/room.kov", "corridor/corridor.kov"}) {
    SCOPED_TRACE(name);
    TempDir dir;
    const std::string copy = (dir / "again.kov").string();
    ASSERT_EQ(RunCli({"info", Example(name), "--save-as", copy}), 0);
    EXPECT_EQ(ReadFile(copy), ReadFile(Example(name)));
  }
}

TEST(SampleProjectsWithCli, ExtractionFindsTheRoomsObjectBoxes) {
  const json j = RunCliJson({"extract", Example("room/room_mask.png"), "--json"});
  const SyntheticRoom room = MakeSyntheticRoom();
  ExpectBoxes(j.at("Objects"), room.MeshRegions[1].Objects);
}

TEST(SampleProjectsWithCli, CameraPathsLoadWithTheirKeys) {
  for (const char* name : {"room/room.cam", "corridor/corridor.cam"}) {
    SCOPED_TRACE(name);
    const json j = RunCliJson({"path", Example(name), "--json"});
    EXPECT_EQ(j.at("FPS"), 20);
    EXPECT_EQ(j.at("FPK"), 60);
    EXPECT_EQ(j.at("Trans"), 40);
    ASSERT_EQ(j.at("KeyFrames").size(), 4u);
    for (const json& k : j.at("KeyFrames")) EXPECT_EQ(k.at("Recorded"), true);
  }
  const SyntheticRoom room = MakeSyntheticRoom();
  const json keys = RunCliJson({"path", Example("room/room.cam"), "--json"}).at("KeyFrames");
  const CameraPath path = RoomFlyIn(room);
  for (size_t i = 0; i < path.Keys.size(); ++i) {
    const Vec3& p = path.Keys[i].CamPos;
    EXPECT_NEAR(keys[i].at("CamPos")[0].get<double>(), p.x, 1e-14);
    EXPECT_NEAR(keys[i].at("CamPos")[1].get<double>(), p.y, 1e-14);
    EXPECT_NEAR(keys[i].at("CamPos")[2].get<double>(), p.z, 1e-14);
  }
}

}  // namespace
}  // namespace glkov::synthetic
