#include "core/objects/inspector_model.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "core/model/project.h"

namespace glkov {
namespace {

TProject TwoObjects() {
  TProject p;
  p.MeshRegions.resize(2);
  p.MeshRegions[0].Name = "Window";
  p.MeshRegions[1].Name = "Region 1";
  p.CurrentRegion = 1;
  p.fgObjs.resize(2);
  p.fgObjs[0].Name = "Tree";
  p.fgObjs[0].Parent = 1;
  p.fgObjs[0].X1 = 3;
  p.fgObjs[0].Y1 = 4;
  p.fgObjs[0].X2 = 30;
  p.fgObjs[0].Y2 = 40;
  p.fgObjs[1].Name = "Lamp";
  p.fgObjs[1].Parent = 5;
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
  const auto v = ObjectGridValues(p.fgObjs[0]);
  EXPECT_EQ(v[0], "4");
  EXPECT_EQ(v[1], "3");
  EXPECT_EQ(v[2], "40");
  EXPECT_EQ(v[3], "30");
  EXPECT_EQ(v[4], "Floor");
  EXPECT_EQ(ObjectGridValues(p.fgObjs[1])[4], "Rear Wall");
  EXPECT_EQ(std::string(ParentItems[4]), "Front Wall");
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
