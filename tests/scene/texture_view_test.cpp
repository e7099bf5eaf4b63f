#include "core/scene/texture_view.h"

#include <gtest/gtest.h>

namespace glkov {
namespace {

TfgObj TwoByTwo() {
  TfgObj o;
  o.TexWidth = 2;
  o.TexHeight = 2;
  o.TexUploaded = true;
  // Row 0: (200, 100, 50, A 0), (200, 100, 50, A 255); row 1: (200, 100, 50, A 128), (10, 20, 30,
  // 255).
  o.Texels = {200, 100, 50, 0, 200, 100, 50, 255, 200, 100, 50, 128, 10, 20, 30, 255};
  return o;
}

TEST(TextureView, ObjectIsWeightedByAlphaAndFlipped) {
  TFastBMP img;
  ObjectTextureView(TwoByTwo(), img);
  ASSERT_EQ(img.Width(), 2);
  ASSERT_EQ(img.Height(), 2);
  // Texel row 0 is the image's bottom row; pixels are blue, green, red.
  const uint8_t* a0 = img.Pixel(0, 1);
  EXPECT_EQ(a0[0] + a0[1] + a0[2], 0);
  const uint8_t* a255 = img.Pixel(1, 1);
  EXPECT_EQ(a255[2], 200);
  EXPECT_EQ(a255[1], 100);
  EXPECT_EQ(a255[0], 50);
  const uint8_t* half = img.Pixel(0, 0);
  EXPECT_EQ(half[2], 100);  // (200 * 128) >> 8
  EXPECT_EQ(half[1], 50);
  EXPECT_EQ(half[0], 25);
}

TEST(TextureView, ObjectNotUploadedOrShortStaysBlack) {
  TfgObj o = TwoByTwo();
  o.TexUploaded = false;
  TFastBMP img;
  ObjectTextureView(o, img);
  EXPECT_EQ(img.Width(), 2);
  EXPECT_EQ(img.Pixel(1, 1)[2], 0);
  o = TwoByTwo();
  o.Texels.resize(5);
  ObjectTextureView(o, img);
  EXPECT_EQ(img.Pixel(1, 1)[2], 0);
}

TEST(TextureView, PlaneCopiedRowForRowOrLeftAlone) {
  TBoard b;
  b.TexWidth = 1;
  b.TexHeight = 2;
  b.Texels = {1, 2, 3, 4, 5, 6};
  TFastBMP img(7, 7);
  EXPECT_FALSE(PlaneTextureView(b, img));
  EXPECT_EQ(img.Width(), 7);
  b.TexUploaded = true;
  ASSERT_TRUE(PlaneTextureView(b, img));
  EXPECT_EQ(img.Width(), 1);
  EXPECT_EQ(img.Pixel(0, 0)[2], 1);
  EXPECT_EQ(img.Pixel(0, 1)[0], 6);
  b.Texels.resize(3);
  EXPECT_FALSE(PlaneTextureView(b, img));
}

}  // namespace
}  // namespace glkov
