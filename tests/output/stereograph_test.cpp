#include "core/output/stereograph.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::FilledPicture;

TEST(Stereograph, WorkedPixel) {
  TFastBMP a = FilledPicture(3, 2, 30, 60, 90);
  const TFastBMP b = FilledPicture(3, 2, 10, 10, 10);
  CombineStereograph(a, b);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      const uint8_t* p = a.Pixel(x, y);
      EXPECT_EQ(p[0], 10);  // blue: the shifted view
      EXPECT_EQ(p[1], 0);
      EXPECT_EQ(p[2], 60);  // red: the unshifted view
    }
  }
}

TEST(Stereograph, SumRoundsDownAndFullWhiteStaysInRange) {
  TFastBMP a = FilledPicture(1, 1, 1, 1, 0);  // sum 2: grey 0
  const TFastBMP b = FilledPicture(1, 1, 255, 255, 255);
  CombineStereograph(a, b);
  EXPECT_EQ(a.Pixel(0, 0)[0], 255);
  EXPECT_EQ(a.Pixel(0, 0)[2], 0);
}

TEST(Stereograph, SizesMustMatch) {
  TFastBMP a(2, 2);
  const TFastBMP b(2, 3);
  EXPECT_THROW(CombineStereograph(a, b), Error);
}

TEST(StereoEye, RightVectorAndShift) {
  // Looking down -z with y up: the right vector is +x.
  EXPECT_EQ(StereoRightVector(Vec3{0, 0, -1}, Vec3{0, 1, 0}), (Vec3{1, 0, 0}));
  // Not normalised: lengths multiply.
  EXPECT_EQ(StereoRightVector(Vec3{0, 0, -2}, Vec3{0, 3, 0}), (Vec3{6, 0, 0}));
  EXPECT_EQ(StereoRightVector(Vec3{1, 2, 3}, Vec3{4, 5, 6}), (Vec3{-3, 6, -3}));
  // E = 10 picture pixels at 200 pixels per scene unit: 0.05 units to the right.
  const Vec3 eye = StereoShiftedEye(Vec3{1, 0.5, 2}, Vec3{0, 0, -1}, Vec3{0, 1, 0}, 10, 200);
  EXPECT_DOUBLE_EQ(eye.x, 1.05);
  EXPECT_DOUBLE_EQ(eye.y, 0.5);
  EXPECT_DOUBLE_EQ(eye.z, 2);
  EXPECT_EQ(StereoShiftedEye(eye, Vec3{0, 0, -1}, Vec3{0, 1, 0}, 0.0, 200.0), eye);
}

}  // namespace
}  // namespace glkov
