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

std::string Example(const std::string& file) { return (SourceDir() / "examples" / file).string(); }

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

// The extraction finds the boxes the generator drew.
TEST(SampleProjectsWithCli, ExtractionFindsTheRoomsObjectBoxes) {
  const nlohmann::json list =
      RunCliJson({"extract", Example("room/room_mask.png"), "--json"}).at("Objects");
  const SyntheticRoom room = MakeSyntheticRoom();
  const std::vector<TRegionObject>& objects = room.MeshRegions[1].Objects;
  ASSERT_EQ(list.size(), objects.size());
  for (size_t i = 0; i < objects.size(); ++i) {
    const nlohmann::json want = {
        {"X1", objects[i].X1}, {"Y1", objects[i].Y1}, {"X2", objects[i].X2}, {"Y2", objects[i].Y2}};
    for (const auto& [key, value] : want.items()) EXPECT_EQ(list[i].at(key), value) << i << key;
  }
}

}  // namespace
}  // namespace glkov::synthetic
