#include "core/model/project.h"

#include <gtest/gtest.h>

#include <array>

namespace glkov {
namespace {

TEST(ResetMeshDefaults, WorkedPictureSizes) {
  struct Case {
    int w, h;
    double InnerLeft, InnerRight, InnerBottom, InnerTop, VanishX, VanishY, FocalLength;
    int ViewRight, ViewTop;
  };
  const Case cases[] = {{640, 480, 213, 426, 160, 320, 319.5, 240, 554, 638, 478},
                        {300, 200, 100, 200, 66, 132, 150, 99, 260, 298, 198}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.w);
    TProject p;
    p.PicWidth = c.w;
    p.PicHeight = c.h;
    ResetMeshDefaults(p);
    EXPECT_EQ((std::array{p.InnerLeft, p.InnerRight, p.InnerBottom, p.InnerTop, p.VanishX,
                          p.VanishY, p.FocalLength}),
              (std::array{c.InnerLeft, c.InnerRight, c.InnerBottom, c.InnerTop, c.VanishX,
                          c.VanishY, c.FocalLength}));
    EXPECT_EQ(p.ViewLeft, 1);
    EXPECT_EQ(p.ViewBottom, 1);
    EXPECT_EQ(p.ViewRight, c.ViewRight);
    EXPECT_EQ(p.ViewTop, c.ViewTop);
    EXPECT_EQ(p.EyeDistance, 1.0);
    EXPECT_EQ(p.Camera.CamDir, (Vec3{0, 0, -1}));
  }
}

TEST(TextureSize, PowersOfTwoFrom16To1024) {
  EXPECT_EQ(TextureSize({1}), 16);
  EXPECT_EQ(TextureSize({16}), 16);
  EXPECT_EQ(TextureSize({17}), 32);
  EXPECT_EQ(TextureSize({300}), 512);
  EXPECT_EQ(TextureSize({600}), 1024);
  EXPECT_EQ(TextureSize({5000}), 1024);
  EXPECT_EQ(TextureSize({3000}, 4096), 4096);  // high texture detail
  EXPECT_EQ(TextureSize({3000}, 2048), 2048);
  EXPECT_EQ(TextureSize({600}, 4096), 1024);
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
