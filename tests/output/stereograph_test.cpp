#include "core/output/stereograph.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::FilledPicture;

// Red from the unshifted view's grey, blue from the shifted view's, green 0; the grey of the
// three channels' sum rounds down (2 / 3 is 0) and full white stays 255.
TEST(Stereograph, WorkedPixels) {
  struct Case {
    uint8_t a[3], b[3];  // blue, green, red
    int red, blue;
  };
  for (const Case& c :
       {Case{{30, 60, 90}, {10, 10, 10}, 60, 10}, Case{{1, 1, 0}, {255, 255, 255}, 0, 255}}) {
    TFastBMP a = FilledPicture(3, 2, c.a[0], c.a[1], c.a[2]);
    CombineStereograph(a, FilledPicture(3, 2, c.b[0], c.b[1], c.b[2]));
    EXPECT_EQ(a.PackedPixels(),
              FilledPicture(3, 2, static_cast<uint8_t>(c.blue), 0, static_cast<uint8_t>(c.red))
                  .PackedPixels());
  }
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
