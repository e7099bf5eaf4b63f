#include "core/image/fast_bmp.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "model/project_test_helpers.h"

namespace glkov {
namespace {

// Inclusive rectangles counted from the top: the whole picture, a part, the last pixel.
TEST(TFastBMP, CropCopiesAnInclusiveRectangleFromTheTop) {
  const TFastBMP src = testing::GradientPicture(10, 8);
  TFastBMP out;
  src.CropInto(out, 0, 0, 9, 7);
  EXPECT_EQ(out.PackedPixels(), src.PackedPixels());
  src.CropInto(out, 2, 3, 5, 7);
  ASSERT_EQ(out.Width(), 4);
  ASSERT_EQ(out.Height(), 5);
  EXPECT_EQ(out.Pixel(0, 0)[0], 2);
  EXPECT_EQ(out.Pixel(0, 0)[1], 3);
  EXPECT_EQ(out.Pixel(3, 4)[0], 5);
  EXPECT_EQ(out.Pixel(3, 4)[1], 7);
  src.CropInto(out, 9, 7, 9, 7);
  ASSERT_EQ(out.Width(), 1);
  EXPECT_EQ(out.Pixel(0, 0)[0], 9);
}

TEST(TFastBMP, CropOutsideOrEmptyIsRefusedAndTargetKept) {
  const TFastBMP src = testing::GradientPicture(7, 5);
  TFastBMP target = testing::GradientPicture(3, 3);
  EXPECT_THROW(src.CropInto(target, -1, 0, 3, 3), Error);
  EXPECT_THROW(src.CropInto(target, 0, 0, 7, 4), Error);
  EXPECT_THROW(src.CropInto(target, 0, 0, 6, 5), Error);
  EXPECT_THROW(src.CropInto(target, 4, 0, 3, 4), Error);
  EXPECT_EQ(target.Width(), 3);
}

TEST(TFastBMP, StretchDoublesAndHalves) {
  const TFastBMP src = testing::GradientPicture(4, 2);
  TFastBMP big;
  src.StretchInto(big, 8, 4);
  EXPECT_EQ(big.Pixel(7, 3)[0], 3);
  EXPECT_EQ(big.Pixel(6, 2)[1], 1);
  TFastBMP small;
  big.StretchInto(small, 4, 2);
  EXPECT_EQ(small.PackedPixels(), src.PackedPixels());
}

TEST(TFastBMP, StretchRectReadsBlackOutsideThePicture) {
  const TFastBMP src = testing::GradientPicture(4, 4, 50);
  TFastBMP out(2, 2);
  src.StretchRectInto(out, 3, 3, 2, 2);
  EXPECT_EQ(out.Pixel(0, 0)[2], 50);
  EXPECT_EQ(out.Pixel(1, 1)[2], 0);
}

}  // namespace
}  // namespace glkov
