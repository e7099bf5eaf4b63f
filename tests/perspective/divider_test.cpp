#include "core/perspective/divider.h"

#include <gtest/gtest.h>

#include "core/model/project.h"
#include "core/perspective/sub_scenes.h"

namespace glkov {
namespace {

TProject Imported(int w = 640, int h = 480) {
  TProject p;
  p.PicWidth = w;
  p.PicHeight = h;
  p.IOriginal.SetSize(w, h);
  InitRegions(p);
  return p;
}

TEST(DividerScale, FitsThePictureAndFormatsPercent) {
  EXPECT_DOUBLE_EQ(DividerScaleFor(320, 480, 640, 480), 0.5);
  EXPECT_DOUBLE_EQ(DividerScaleFor(1000, 240, 640, 480), 0.5);
  EXPECT_DOUBLE_EQ(DividerScaleFor(0, 240, 640, 480), 0);
  EXPECT_DOUBLE_EQ(DividerScaleFor(100, 240, 0, 480), 0);
  EXPECT_EQ(DividerScaleText(0.5), "50%");
  EXPECT_EQ(DividerScaleText(0.125), "12%");  // 12.5 rounds half to even
  EXPECT_EQ(DividerScaleText(1.0), "100%");
}

TEST(DividerScale, ConvertsBothWays) {
  EXPECT_EQ(DividerToDisplay(213, 0.5), 106);  // 106.5 half to even
  EXPECT_EQ(DividerToDisplay(215, 0.5), 108);
  EXPECT_EQ(DividerToPicture(106, 0.5), 212);
  EXPECT_EQ(DividerToPicture(10, 0.3), 33);
  EXPECT_EQ(DividerToPicture(10, 0), 0);
}

struct PickCase {
  const char* what;
  int x, y;
  DividerPick expect;
};

// The picture is 640 x 480 at scale 0.5: corner squares of 20 picture pixels, edge bands of 6 (3
// display pixels). The view window is (10, 10, 629, 469), "Region 1" the whole picture
// (0, 0, 639, 479), and the added sub-scene (213, 160, 480, 360) lies inside both.
class DividerPickTest : public ::testing::TestWithParam<PickCase> {};

TEST_P(DividerPickTest, SmallestUnderTheMouseCornersFirst) {
  TProject p = Imported();
  AddSubScene(p);
  ASSERT_EQ(p.MeshRegions.size(), 3u);
  const PickCase& c = GetParam();
  EXPECT_EQ(DividerPickAt(p.MeshRegions, c.x, c.y, 0.5), c.expect) << c.what;
}

using M = DividerDragMode;
INSTANTIATE_TEST_SUITE_P(
    Divider, DividerPickTest,
    ::testing::Values(
        PickCase{"inside the added sub-scene, inside the window too", 300, 200, {2, M::Move}},
        PickCase{"the added sub-scene's corner square", 470, 350, {2, M::Resize}},
        PickCase{"the added sub-scene's left edge, just outside it", 210, 200, {2, M::Move}},
        PickCase{"inside the window only (and Region 1)", 100, 100, {0, M::Move}},
        PickCase{
            "the window's corner square, in Region 1's too: the smaller", 620, 460, {0, M::Resize}},
        PickCase{"near the window's top edge", 300, 12, {0, M::Move}},
        PickCase{"Region 1's edge band", 2, 200, {1, M::Move}},
        PickCase{"Region 1's corner", 635, 475, {1, M::Resize}},
        PickCase{"outside every entry", 700, 5, {-2, M::None}}));

TEST(DividerPick, ScaleSetsTheSquareAndTheBand) {
  TProject p = Imported();
  // Scale 0.5: the corner square is Round(10 / 0.5) = 20 picture pixels.
  EXPECT_EQ(DividerPickAt(p.MeshRegions, 611, 451, 0.5).Mode, DividerDragMode::Resize);
  EXPECT_EQ(DividerPickAt(p.MeshRegions, 609, 451, 0.5).Mode, DividerDragMode::Move);
  // Scale 1: a square of 10, a band of 3.
  EXPECT_EQ(DividerPickAt(p.MeshRegions, 611, 451, 1.0).Mode, DividerDragMode::Move);
  EXPECT_EQ(DividerPickAt(p.MeshRegions, 300, 6, 0.5).Index, 0);  // the window's edge band
  EXPECT_EQ(DividerPickAt(p.MeshRegions, 300, 6, 1.0).Index, 1);
  EXPECT_EQ(DividerPickAt(p.MeshRegions, 300, 8, 1.0).Index, 0);
}

struct DragCase {
  const char* what;
  DividerDragMode mode;
  int dx, dy;
  DividerRect want;
};

TEST(DividerDrag, MovesAndResizesInsideThePicture) {
  const DividerRect start{213, 160, 480, 360};
  const DragCase cases[] = {
      {"move", DividerDragMode::Move, 10, -20, {223, 140, 490, 340}},
      {"move past the right and bottom", DividerDragMode::Move, 500, 500, {372, 279, 639, 479}},
      {"move past the left and top", DividerDragMode::Move, -500, -500, {0, 0, 267, 200}},
      {"resize", DividerDragMode::Resize, 5, 7, {213, 160, 485, 367}},
      {"resize beyond the picture", DividerDragMode::Resize, 900, 900, {213, 160, 639, 479}},
      {"resize to nothing keeps one pixel",
       DividerDragMode::Resize,
       -900,
       -900,
       {213, 160, 213, 160}},
      {"no mode", DividerDragMode::None, 50, 50, start},
  };
  for (const DragCase& c : cases) {
    EXPECT_EQ(DividerDrag(start, c.mode, c.dx, c.dy, 640, 480), c.want) << c.what;
  }
}

TEST(DividerDrag, RectangleLargerThanThePictureIsBroughtInside) {
  const DividerRect big{-10, -10, 700, 500};
  EXPECT_EQ(DividerDrag(big, DividerDragMode::Move, 1, 1, 640, 480), (DividerRect{0, 0, 639, 479}));
  EXPECT_EQ(DividerDrag(big, DividerDragMode::Resize, 0, 0, 640, 480),
            (DividerRect{0, 0, 639, 479}));
}

TEST(ApplyDividerRect, ResizeResetsTheMeshMoveKeepsIt) {
  TProject p = Imported();
  AddSubScene(p);
  TMeshRegion& r = p.MeshRegions[2];
  r.InnerLeft = 1;
  ApplyDividerRect(r, {223, 170, 490, 370});  // moved
  EXPECT_EQ(r.InnerLeft, 1);
  EXPECT_EQ(r.Left, 223);
  ApplyDividerRect(r, {223, 170, 523, 470});  // 300 x 300
  EXPECT_EQ(r.InnerLeft, 100);
  EXPECT_EQ(r.InnerRight, 200);
  EXPECT_EQ(r.InnerBottom, 100);
  EXPECT_EQ(r.VanishX, 150);
}

}  // namespace
}  // namespace glkov
