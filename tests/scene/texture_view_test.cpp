#include "core/scene/texture_view.h"

#include <gtest/gtest.h>

#include <vector>

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

// Texel row 0 is the image's bottom row; each colour is weighted by its alpha ((200 * 128) >> 8 is
// 100); pixels are blue, green, red.
TEST(TextureView, ObjectIsWeightedByAlphaAndFlipped) {
  TFastBMP img;
  ObjectTextureView(TwoByTwo(), img);
  ASSERT_EQ(img.Width(), 2);
  ASSERT_EQ(img.Height(), 2);
  EXPECT_EQ(img.PackedPixels(),
            (std::vector<uint8_t>{25, 50, 100, 30, 20, 10, 0, 0, 0, 50, 100, 200}));
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

// A 6 x 5 picture with two objects: object 1's box is columns 1 ... 3, picture rows 1 ... 3 (image
// rows 3 ... 1); one of its pixels belongs to object 0.
TProject TwoObjects() {
  TProject p;
  p.PicWidth = 6;
  p.PicHeight = 5;
  p.IOriginal_r.SetSize(6, 5);
  p.IMask_r.SetSize(6, 5);
  p.LabelImage.SetSize(6, 5);
  p.ObjectsExtracted = true;
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      uint8_t* c = p.IOriginal_r.Pixel(x, y);
      c[0] = 100, c[1] = 50, c[2] = 200;
    }
  uint8_t* c = p.IOriginal_r.Pixel(2, 2);
  c[0] = 40, c[1] = 80, c[2] = 240;
  const auto mark = [&](int x, int y, uint8_t alpha, uint8_t object) {
    p.IMask_r.Pixel(x, y)[2] = alpha;
    p.LabelImage.Pixel(x, y)[2] = object;
  };
  mark(2, 2, 255, 1);
  mark(1, 1, 128, 1);
  mark(3, 3, 255, 0);  // object 0's pixel inside object 1's box
  p.fgObjs.resize(2);
  p.fgObjs[1].X1 = 1, p.fgObjs[1].X2 = 3, p.fgObjs[1].Y1 = 1, p.fgObjs[1].Y2 = 3;
  p.fgObjs[0].X1 = 3, p.fgObjs[0].X2 = 7, p.fgObjs[0].Y1 = -1, p.fgObjs[0].Y2 = 1;
  return p;
}

TEST(TextureView, CutOutKeepsTheObjectsPixelsWeightedByTheMask) {
  const TProject p = TwoObjects();
  TFastBMP img;
  ObjectCutOutView(p, 1, false, img);
  ASSERT_EQ(img.Width(), 3);
  ASSERT_EQ(img.Height(), 3);
  // Image pixel (x, y) is the original's (1 + x, 1 + y); blue, green, red.
  const std::vector<uint8_t> full{40, 80, 240}, half{50, 25, 100}, black{0, 0, 0};
  const auto at = [&](int x, int y) {
    return std::vector<uint8_t>(img.Pixel(x, y), img.Pixel(x, y) + 3);
  };
  EXPECT_EQ(at(1, 1), full);
  EXPECT_EQ(at(0, 0), half);
  EXPECT_EQ(at(2, 2), black);  // object 0's
  EXPECT_EQ(at(2, 0), black);  // outside the mask
  ObjectCutOutView(p, 1, true, img);
  EXPECT_EQ(at(1, 1), (std::vector<uint8_t>{215, 175, 15}));
  EXPECT_EQ(at(0, 0), (std::vector<uint8_t>{77, 102, 27}));
  EXPECT_EQ(at(2, 0), black);
}

TEST(TextureView, CutOutOutsideThePictureIsBlackAndBadIndexEmpty) {
  const TProject p = TwoObjects();
  TFastBMP img;
  ObjectCutOutView(p, 0, false, img);  // columns 3 ... 7, image rows 3 ... 5
  ASSERT_EQ(img.Width(), 5);
  ASSERT_EQ(img.Height(), 3);
  EXPECT_EQ(img.Pixel(0, 0)[2], 200);  // the original's (3, 3)
  EXPECT_EQ(img.Pixel(4, 0)[2], 0);    // column 7
  EXPECT_EQ(img.Pixel(0, 2)[2], 0);    // row 5
  ObjectCutOutView(p, 2, false, img);
  EXPECT_TRUE(img.Empty());
  ObjectCutOutView(p, -1, false, img);
  EXPECT_TRUE(img.Empty());
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
