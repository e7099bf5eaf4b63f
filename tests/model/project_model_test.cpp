#include "core/model/project.h"

#include <gtest/gtest.h>

namespace glkov {
namespace {

TEST(ResetMeshDefaults, Picture640x480) {
  TProject p;
  p.PicWidth = 640;
  p.PicHeight = 480;
  ResetMeshDefaults(p);
  EXPECT_EQ(p.InnerLeft, 213);
  EXPECT_EQ(p.InnerRight, 426);
  EXPECT_EQ(p.InnerBottom, 160);
  EXPECT_EQ(p.InnerTop, 320);
  EXPECT_EQ(p.VanishX, 319.5);
  EXPECT_EQ(p.VanishY, 240);
  EXPECT_EQ(p.FocalLength, 554);
  EXPECT_EQ(p.ViewLeft, 1);
  EXPECT_EQ(p.ViewBottom, 1);
  EXPECT_EQ(p.ViewRight, 638);
  EXPECT_EQ(p.ViewTop, 478);
  EXPECT_EQ(p.EyeDistance, 1.0);
  EXPECT_EQ(p.Camera.CamDir, (Vec3{0, 0, -1}));
}

TEST(ResetMeshDefaults, Picture300x200) {
  TProject p;
  p.PicWidth = 300;
  p.PicHeight = 200;
  ResetMeshDefaults(p);
  EXPECT_EQ(p.InnerLeft, 100);
  EXPECT_EQ(p.InnerRight, 200);
  EXPECT_EQ(p.InnerBottom, 66);
  EXPECT_EQ(p.InnerTop, 132);
  EXPECT_EQ(p.VanishX, 150);
  EXPECT_EQ(p.VanishY, 99);
  EXPECT_EQ(p.FocalLength, 260);
}

TEST(TextureSize, PowersOfTwoFrom16To1024) {
  EXPECT_EQ(TextureSize({1}), 16);
  EXPECT_EQ(TextureSize({16}), 16);
  EXPECT_EQ(TextureSize({17}), 32);
  EXPECT_EQ(TextureSize({300}), 512);
  EXPECT_EQ(TextureSize({600}), 1024);
  EXPECT_EQ(TextureSize({5000}), 1024);
  EXPECT_EQ(TextureSize({3, 70}), 128);
  EXPECT_EQ(TextureSize({-5}), 16);
}

TEST(SetViewWindowSize, CentresWithoutClamping) {
  TProject p;
  p.PicWidth = 640;
  p.PicHeight = 480;
  SetViewWindowSize(p, 620, 460);
  EXPECT_EQ(p.ViewLeft, 10);
  EXPECT_EQ(p.ViewBottom, 10);
  EXPECT_EQ(p.ViewRight, 630);
  EXPECT_EQ(p.ViewTop, 470);
  SetViewWindowSize(p, 700, 480);
  EXPECT_EQ(p.ViewLeft, -30);
  EXPECT_EQ(p.ViewRight, 670);
}

TEST(StoreAndLoadRegion, RoundTripKeepsTheWorkingCopy) {
  TProject p;
  p.MeshRegions.resize(2);
  p.InnerLeft = 10.25;
  p.InnerRight = 90;
  p.InnerBottom = 5;
  p.InnerTop = 40;
  p.VanishX = 50;
  p.VanishY = 30;
  p.PerspectiveDone = true;
  p.CameraPathFile = "/tmp/a.cam";
  p.fgObjs.resize(2);
  p.fgObjs[0].X1 = 3;
  p.fgObjs[0].Name = "Object 1";
  p.fgObjs[0].Parent = 1;
  p.fgObjs[1].Y2 = 44;
  p.fgObjs[1].Parent = 5;
  StoreRegion(p, 1);

  TProject q = p;
  q.fgObjs.clear();
  q.InnerLeft = 0;
  q.PerspectiveDone = false;
  q.CameraPathFile.clear();
  LoadRegion(q, 1);
  EXPECT_EQ(q.InnerLeft, 10.25);
  EXPECT_TRUE(q.PerspectiveDone);
  EXPECT_EQ(q.CameraPathFile, "/tmp/a.cam");
  ASSERT_EQ(q.fgObjCount(), 2);
  EXPECT_EQ(q.fgObjs[0].Name, "Object 1");
  EXPECT_EQ(q.fgObjs[1].Y2, 44);
  EXPECT_EQ(q.fgObjs[1].Parent, 5);
}

TEST(StoreAndLoadRegion, IndexOutsideTheListIsIgnored) {
  TProject p;
  p.MeshRegions.resize(2);
  StoreRegion(p, -2);
  StoreRegion(p, 5);
  LoadRegion(p, 7);
  EXPECT_EQ(p.MeshRegions.size(), 2u);
}

}  // namespace
}  // namespace glkov
