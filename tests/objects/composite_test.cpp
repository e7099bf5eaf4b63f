#include "core/objects/composite.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::FilledPicture;

TEST(ComposeMaskedImage, OnlyTheRedByteWeighsAndInputsStayUnchanged) {
  TFastBMP o = FilledPicture(3, 2, 10, 20, 30);
  TFastBMP m(3, 2);
  m.Pixel(0, 0)[0] = m.Pixel(0, 0)[1] = 255;  // red 0: background
  m.Pixel(1, 0)[2] = 255;                     // red 255: original
  m.Pixel(2, 1)[2] = 1;
  TFastBMP b = FilledPicture(3, 2, 250, 240, 230);
  const auto before = o.PackedPixels();
  const TFastBMP out = ComposeMaskedImage(o, m, b);
  EXPECT_EQ(out.Pixel(0, 0)[0], 250);
  EXPECT_EQ(out.Pixel(1, 0)[2], 30);
  EXPECT_EQ(out.Pixel(2, 1)[0], 249);  // 0.04 + 249.02
  EXPECT_EQ(o.PackedPixels(), before);
  EXPECT_EQ(out.Width(), 3);
}

// White over white stays white at every mask level: the two rounded halves never add past 255.
TEST(ComposeMaskedImage, NeverOverflowsAByte) {
  TFastBMP m(256, 1);
  for (int x = 0; x < 256; ++x) m.Pixel(x, 0)[2] = static_cast<uint8_t>(x);
  const TFastBMP white = FilledPicture(256, 1, 255, 255, 255);
  const TFastBMP out = ComposeMaskedImage(white, m, white);
  for (int x = 0; x < 256; ++x) ASSERT_EQ(out.Pixel(x, 0)[0], 255) << x;
}

TEST(ComposeMaskedImage, DifferentSizesAreRefused) {
  const TFastBMP a(4, 3), c(4, 2);
  EXPECT_EQ(testing::ErrorOf([&] { ComposeMaskedImage(a, c, a); }),
            "The original, mask and background pictures must have the same size "
            "(original 4 x 3, mask 4 x 2, background 4 x 3).");
  EXPECT_THROW(ComposeMaskedImage(a, a, TFastBMP(3, 3)), Error);
  EXPECT_THROW(ComposeMaskedImage(TFastBMP(), a, a), Error);
}

}  // namespace
}  // namespace glkov
