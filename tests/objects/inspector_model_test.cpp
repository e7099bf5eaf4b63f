#include "core/objects/inspector_model.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "core/model/project.h"
#include "scene/scene_fixtures.h"

namespace glkov {
namespace {

TProject TwoObjects() {
  TProject p;
  p.MeshRegions.resize(2);
  p.MeshRegions[0].Name = "Window";
  p.MeshRegions[1].Name = "Region 1";
  p.CurrentRegion = 1;
  p.fgObjs = {testing::MakeObject("Tree", 3, 4, 30, 40, 1),
              testing::MakeObject("Lamp", 0, 0, 0, 0, 5)};
  return p;
}

TEST(SceneTreeNodes, PlanesThenObjects) {
  TProject p = TwoObjects();
  const auto planes = SceneTreeNodes(p, false);
  ASSERT_EQ(planes.size(), 7u);
  EXPECT_EQ(planes[0].Text, "Scene 1");
  EXPECT_EQ(planes[1].Text, "Background");
  EXPECT_EQ(planes[6].Text, "Rear Wall");
  EXPECT_EQ(planes[6].Data, 5);
  EXPECT_EQ(planes[6].NodeKind, InspectorNode::Plane);
  const auto all = SceneTreeNodes(p, true);
  ASSERT_EQ(all.size(), 10u);
  EXPECT_EQ(all[7].Text, "Foreground");
  EXPECT_EQ(all[7].Depth, 1);
  EXPECT_EQ(all[9].Text, "Lamp");
  EXPECT_EQ(all[9].Data, 2);
  EXPECT_EQ(all[9].NodeKind, InspectorNode::Object);
}

TEST(ObjectGridValues, RowsInGridOrder) {
  TProject p = TwoObjects();
  EXPECT_EQ(ObjectGridValues(p.fgObjs[0]),
            (std::array<std::string, 5>{"4", "3", "40", "30", "Floor"}));
  EXPECT_EQ(ObjectGridValues(p.fgObjs[1])[4], "Rear Wall");
}

TEST(SetObjectGridValue, StoresIntoTheSubSceneOrRefuses) {
  TProject p = TwoObjects();
  SetObjectGridValue(p, 0, 1, "12");
  EXPECT_EQ(p.fgObjs[0].X1, 12);
  ASSERT_EQ(p.MeshRegions[1].Objects.size(), 2u);
  EXPECT_EQ(p.MeshRegions[1].Objects[0].X1, 12);
  for (const char* bad : {"", "1.5", "abc", "99999999999"}) {
    EXPECT_THROW(SetObjectGridValue(p, 0, 0, bad), Error) << bad;
    EXPECT_EQ(p.fgObjs[0].Y1, 4) << bad;
  }
  EXPECT_THROW(SetObjectGridValue(p, 2, 0, "1"), Error);
  EXPECT_THROW(SetObjectGridValue(p, 0, 4, "1"), Error);
}

TEST(SetObjectParent, ParentAndName) {
  TProject p = TwoObjects();
  SetObjectParent(p, 1, 2);
  EXPECT_EQ(p.fgObjs[1].Parent, 2);
  EXPECT_THROW(SetObjectParent(p, 1, 6), Error);
  SetObjectName(p, 0, "Oak");
  EXPECT_EQ(p.MeshRegions[1].Objects[0].Name, "Oak");
}

}  // namespace
}  // namespace glkov
