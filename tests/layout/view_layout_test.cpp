#include "core/perspective/view_layout.h"

#include <gtest/gtest.h>

namespace glkov {
namespace {

TEST(LayoutViews, HeightBoundWorkedExample) {
  // 320 x 240 on 640 x 400: 320 * 400 < 240 * 640, so the height decides.
  const ViewLayout l = LayoutViews(640, 400, 320, 240);
  EXPECT_DOUBLE_EQ(l.FitScale, 400.0 / 240.0);
  EXPECT_EQ(l.DisplayWidth, 533);
  EXPECT_EQ(l.DisplayHeight, 400);
  EXPECT_EQ(l.Left, (640 - 533) / 2);
  EXPECT_EQ(l.Top, 0);
  EXPECT_EQ(ScaleText(l.FitScale), "167%");
}

TEST(LayoutViews, WidthBoundShrinksLargePictures) {
  const ViewLayout l = LayoutViews(800, 600, 4000, 1000);
  EXPECT_DOUBLE_EQ(l.FitScale, 0.2);
  EXPECT_EQ(l.DisplayWidth, 800);
  EXPECT_EQ(l.DisplayHeight, 200);
  EXPECT_EQ(l.Left, 0);
  EXPECT_EQ(l.Top, 200);
  EXPECT_EQ(ScaleText(l.FitScale), "20%");
}

TEST(LayoutViews, RoundsHalvesToEven) {
  // 5 x 1 at scale 2.5 gives 12.5 -> 12; 3 x 1 at 2.5 gives 7.5 -> 8.
  EXPECT_EQ(LayoutViews(25, 100, 10, 1).DisplayWidth, 25);
  EXPECT_EQ(LayoutViews(5, 100, 2, 1).DisplayHeight, 2);    // 1 * 2.5 = 2.5 -> 2
  EXPECT_EQ(LayoutViews(15, 100, 2, 3).DisplayHeight, 22);  // 3 * 7.5 = 22.5 -> 22
  EXPECT_EQ(ScaleText(1.125), "112%");                      // 112.5 -> 112
}

TEST(LayoutViews, NoSizeGivesScaleOne) {
  for (auto [aw, ah, w, h] : {std::array{0, 100, 10, 10}, std::array{100, 100, 0, 10},
                              std::array{100, -5, 10, 10}, std::array{100, 100, 10, -1}}) {
    const ViewLayout l = LayoutViews(aw, ah, w, h);
    EXPECT_EQ(l.FitScale, 1.0);
    EXPECT_EQ(l.DisplayWidth, 0);
  }
}

}  // namespace
}  // namespace glkov
