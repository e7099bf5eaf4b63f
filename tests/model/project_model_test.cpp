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
