#include "core/perspective/view_layout.h"

#include <gtest/gtest.h>

#include <tuple>

namespace glkov {
namespace {

// 320 x 240 on 640 x 400: 320 * 400 < 240 * 640, so the height decides; a wide 4000 x 1000 on
// 800 x 600 is bound by the width and shrinks. The picture is centred in the other direction.
TEST(LayoutViews, FitsAndCentresWorkedExamples) {
  struct Case {
    int aw, ah, w, h;
    double scale;
    int dw, dh, left, top;
    const char* text;
  };
  for (const Case& c : {Case{640, 400, 320, 240, 400.0 / 240.0, 533, 400, 53, 0, "167%"},
                        Case{800, 600, 4000, 1000, 0.2, 800, 200, 0, 200, "20%"}}) {
    const ViewLayout l = LayoutViews(c.aw, c.ah, c.w, c.h);
    EXPECT_DOUBLE_EQ(l.FitScale, c.scale);
    EXPECT_EQ(std::tuple(l.DisplayWidth, l.DisplayHeight, l.Left, l.Top),
              std::tuple(c.dw, c.dh, c.left, c.top));
    EXPECT_EQ(ScaleText(l.FitScale), c.text);
  }
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
