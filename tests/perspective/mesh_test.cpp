#include "core/perspective/mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

#include "core/error.h"
#include "core/model/project.h"
#include "support/test_support.h"

namespace glkov {
namespace {

TProject Room(int w = 300, int h = 200) {
  TProject p;
  p.PicWidth = w;
  p.PicHeight = h;
  ResetMeshDefaults(p);
  return p;
}

std::vector<MeshSegment> OfKind(const MeshDrawing& d, MeshLineKind kind) {
  std::vector<MeshSegment> out;
  for (const MeshSegment& s : d.Segments)
    if (s.Kind == kind) out.push_back(s);
  return out;
}

TEST(IntersectLines, WorkedExamples) {
  // A horizontal line through (0, 3) cut with the radial from (10, 10) through (4, 4).
  auto p = IntersectLines({{0, 3}, {1, 3}}, {{10, 10}, {4, 4}});
  ASSERT_TRUE(p);
  EXPECT_DOUBLE_EQ(p->x, 3);
  EXPECT_DOUBLE_EQ(p->y, 3);
  // The point may lie beyond both segments.
  p = IntersectLines({{0, 0}, {1, 0}}, {{5, 5}, {6, 4}});
  ASSERT_TRUE(p);
  EXPECT_DOUBLE_EQ(p->x, 10);
}

TEST(IntersectLines, ParallelOrDegenerateLinesHaveNoPoint) {
  EXPECT_FALSE(IntersectLines({{0, 0}, {1, 1}}, {{0, 1}, {2, 3}}));
  EXPECT_FALSE(IntersectLines({{0, 0}, {1, 0}}, {{0, 0}, {5, 0}}));  // the same line
  EXPECT_FALSE(IntersectLines({{1, 1}, {1, 1}}, {{0, 1}, {2, 3}}));  // a point, not a line
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(IntersectLines({{0, 0}, {inf, 1}}, {{0, 1}, {2, 3}}));
}

TEST(DisplayMapping, RoundsHalvesToEvenAndFlipsY) {
  EXPECT_EQ(PictureToDisplay({112.5, 199}, 1.0, 200), (DisplayPoint{112, 0}));
  EXPECT_EQ(PictureToDisplay({187.5, 0}, 1.0, 200), (DisplayPoint{188, 199}));
  EXPECT_EQ(PictureToDisplay({3, 99}, 0.5, 200), (DisplayPoint{2, 50}));
  EXPECT_EQ(PictureToDisplay({5, 99}, 0.5, 200), (DisplayPoint{2, 50}));
  EXPECT_EQ(DisplayExtent(300, 0.5), 150);
  EXPECT_EQ(DisplayExtent(301, 0.5), 150);
  EXPECT_EQ(DisplayExtent(303, 0.5), 152);
  const PointD q = DisplayToPicture(50, 20, 0.5, 100);
  EXPECT_DOUBLE_EQ(q.x, 100);
  EXPECT_DOUBLE_EQ(q.y, 158);
  // Far points stay in range instead of overflowing.
  const DisplayPoint far = PictureToDisplay({1e300, -1e300}, 1.0, 200);
  EXPECT_GT(far.X, 1000000);
  EXPECT_GT(far.Y, 1000000);
}

TEST(DrawMesh, RearWallGrid300x200) {
  const MeshDrawing d = DrawMesh(Room(), {});
  EXPECT_TRUE(d.HasBackdrop);
  EXPECT_EQ(d.DisplayWidth, 300);
  EXPECT_EQ(d.DisplayHeight, 200);
  const auto verticals = OfKind(d, MeshLineKind::RearVertical);
  ASSERT_EQ(verticals.size(), 7u);
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_DOUBLE_EQ(verticals[i].From.x, 112.5 + 12.5 * i);
    EXPECT_DOUBLE_EQ(verticals[i].From.y, 66);
    EXPECT_DOUBLE_EQ(verticals[i].To.y, 132);
    EXPECT_EQ(verticals[i].Pen, kGridPen);
  }
  EXPECT_EQ(verticals[0].A, (DisplayPoint{112, 133}));
  EXPECT_EQ(verticals[0].B, (DisplayPoint{112, 67}));
  EXPECT_EQ(verticals[6].A.X, 188);
  const auto horizontals = OfKind(d, MeshLineKind::RearHorizontal);
  ASSERT_EQ(horizontals.size(), 5u);
  const double ys[] = {78.5, 91, 103.5, 116, 128.5};
  for (size_t j = 0; j < 5; ++j) {
    EXPECT_DOUBLE_EQ(horizontals[j].From.y, ys[j]);
    EXPECT_DOUBLE_EQ(horizontals[j].From.x, 100);
    EXPECT_DOUBLE_EQ(horizontals[j].To.x, 200);
  }
  // Each column continues over floor and ceiling, each row over both walls, to ext(p).
  const auto columns = OfKind(d, MeshLineKind::GridRadial);
  ASSERT_EQ(columns.size(), 14u);
  EXPECT_DOUBLE_EQ(columns[0].From.x, 150 + 10 * (112.5 - 150));
  EXPECT_DOUBLE_EQ(columns[0].From.y, 99 + 10 * (66 - 99));
  EXPECT_EQ(OfKind(d, MeshLineKind::WallRadial).size(), 10u);
  // Without a picture behind it nothing is drawn.
  const MeshDrawing none = DrawMesh(Room(), {1.0, true, false});
  EXPECT_FALSE(none.HasBackdrop);
  EXPECT_TRUE(none.Segments.empty());
}

TEST(DrawMesh, DepthLines300x200) {
  const MeshDrawing d = DrawMesh(Room(), {});
  // With D1 = (-110, 99) the floor's i-th depth point lies at u = 260 / (360 - x_i) along the
  // diagonal; it wraps above the picture first at x_21 = 362.5. The walls wrap at j = 14
  // (u = 260 / (392 - y_j) > 3 moves x past the picture's side).
  EXPECT_EQ(OfKind(d, MeshLineKind::FloorDepth).size(), 21u);
  EXPECT_EQ(OfKind(d, MeshLineKind::CeilingDepth).size(), 21u);
  EXPECT_EQ(OfKind(d, MeshLineKind::RightWallDepth).size(), 14u);
  EXPECT_EQ(OfKind(d, MeshLineKind::LeftWallDepth).size(), 14u);

  const MeshSegment first = OfKind(d, MeshLineKind::FloorDepth)[0];
  const double u = 260 / (360 - 112.5);
  EXPECT_NEAR(first.From.y, 99 - 33 * u, 1e-9);
  EXPECT_NEAR(first.To.y, 99 - 33 * u, 1e-9);
  EXPECT_NEAR(first.From.x, 150 - 50 * u, 1e-9);
  EXPECT_NEAR(first.To.x, 150 + 50 * u, 1e-9);

  const MeshSegment wall = OfKind(d, MeshLineKind::RightWallDepth)[0];
  const double w = 260 / (392 - 144.5);
  EXPECT_NEAR(wall.From.x, 150 + 50 * w, 1e-9);
  EXPECT_NEAR(wall.From.y, 99 - 33 * w, 1e-9);  // on the radial through BR
  EXPECT_NEAR(wall.To.y, 99 + 33 * w, 1e-9);    // on the radial through TR
}

TEST(DrawMesh, NeverMoreThan30DepthLinesPerPlane) {
  TProject p = Room();
  for (double f : {0.0, 5.0, 260.0, 2000.0, 1e7, -300.0}) {
    for (double divisions : {1.0, 8.0, 100.0}) {
      p.FocalLength = f;
      p.GridDivisions = divisions;
      const MeshDrawing d = DrawMesh(p, {});
      for (MeshLineKind k : {MeshLineKind::FloorDepth, MeshLineKind::CeilingDepth,
                             MeshLineKind::RightWallDepth, MeshLineKind::LeftWallDepth}) {
        EXPECT_LE(OfKind(d, k).size(), 30u) << f << " " << divisions;
      }
    }
  }
  p = Room();
  p.FocalLength = 1e7;  // the distance points far away: every depth line stays in the picture
  EXPECT_EQ(OfKind(DrawMesh(p, {}), MeshLineKind::FloorDepth).size(), 30u);
}

TEST(DrawMesh, PensAndGuidesFollowTheView) {
  TProject p = Room();
  p.fgObjs.resize(2);
  p.fgObjs[1].X1 = 10;
  p.fgObjs[1].Y1 = 20;
  p.fgObjs[1].X2 = 40;
  p.fgObjs[1].Y2 = 80;
  const MeshDrawing edit = DrawMesh(p, {1.0, true, true});
  const auto guides = OfKind(edit, MeshLineKind::Guide);
  ASSERT_EQ(guides.size(), 4u);
  EXPECT_EQ(guides[0].Pen, (MeshPen{128, 128, 128, 1, true}));
  EXPECT_EQ(guides[0].From, (PointD{150, 99}));
  const auto radials = OfKind(edit, MeshLineKind::Radial);
  ASSERT_EQ(radials.size(), 4u);
  EXPECT_EQ(radials[0].Pen, (MeshPen{255, 0, 0, 2, false}));
  EXPECT_EQ(radials[0].To, (PointD{150 + 10 * (100 - 150), 99 + 10 * (66 - 99)}));
  EXPECT_EQ(OfKind(edit, MeshLineKind::InnerRect).size(), 4u);
  EXPECT_TRUE(edit.Boxes.empty());
  // Drawing order: grid first, then guides, then the red frame.
  EXPECT_EQ(edit.Segments.back().Kind, MeshLineKind::InnerRect);

  const MeshDrawing objects = DrawMesh(p, {1.0, false, true});
  EXPECT_TRUE(OfKind(objects, MeshLineKind::Guide).empty());
  EXPECT_TRUE(objects.Boxes.empty());  // not extracted yet
  p.ObjectsExtracted = true;
  const MeshDrawing boxes = DrawMesh(p, {1.0, false, true});
  ASSERT_EQ(boxes.Boxes.size(), 2u);
  EXPECT_EQ(boxes.Boxes[1].Index, 1);
  EXPECT_EQ(boxes.Boxes[1].A, (DisplayPoint{10, 179}));
  EXPECT_EQ(boxes.Boxes[1].B, (DisplayPoint{40, 119}));
  EXPECT_EQ(boxes.Boxes[1].Pen, (MeshPen{0, 255, 0, 1, false}));
  EXPECT_TRUE(DrawMesh(p, {1.0, true, true}).Boxes.empty());
  // Half scale halves the display.
  const MeshDrawing half = DrawMesh(p, {0.5, false, true});
  EXPECT_EQ(half.DisplayWidth, 150);
  EXPECT_EQ(half.Boxes[1].A, (DisplayPoint{5, 90}));
}

TEST(DrawMesh, OneGridDivisionHasNoRearWallLines) {
  TProject p = Room();
  ApplyMeshDrag(p, MeshDragMode::GridDivisions, -1000, 0);
  EXPECT_EQ(p.GridDivisions, 1.0);
  const MeshDrawing d = DrawMesh(p, {});
  EXPECT_TRUE(OfKind(d, MeshLineKind::RearVertical).empty());
  EXPECT_TRUE(OfKind(d, MeshLineKind::RearHorizontal).empty());
  // The first floor depth line lies one rear-wall width in front: on the radial through BR.
  const MeshSegment first = OfKind(d, MeshLineKind::FloorDepth)[0];
  const double u = 260.0 / (360 - 200);
  EXPECT_NEAR(first.From.y, 99 - 33 * u, 1e-9);
}

TEST(DrawMesh, GridOffsetShiftsTheLines) {
  TProject p = Room();
  p.GridOffsetX = 2;
  p.GridOffsetY = -1;
  const MeshDrawing d = DrawMesh(p, {});
  EXPECT_DOUBLE_EQ(OfKind(d, MeshLineKind::RearVertical)[0].From.x, 114.5);
  EXPECT_DOUBLE_EQ(OfKind(d, MeshLineKind::RearHorizontal)[0].From.y, 77.5);
  EXPECT_EQ(OfKind(d, MeshLineKind::RearHorizontal).size(), 5u);
}

// Every segment of a drawing has finite picture points and display points in range.
void ExpectSane(const MeshDrawing& d) {
  for (const MeshSegment& s : d.Segments) {
    EXPECT_TRUE(std::isfinite(s.From.x) && std::isfinite(s.From.y));
    EXPECT_TRUE(std::isfinite(s.To.x) && std::isfinite(s.To.y));
    EXPECT_LE(std::abs(s.A.X), 1 << 24);
    EXPECT_LE(std::abs(s.B.Y), 1 << 24);
  }
}

TEST(DrawMesh, DegenerateMeshesSkipLinesWithoutFailing) {
  struct Case {
    const char* what;
    void (*change)(TProject&);
  };
  const Case cases[] = {
      // The floor diagonal is parallel to the radial through x_20 = 350.
      {"parallel diagonal", [](TProject& p) { p.FocalLength = 250; }},
      {"vanishing point on a corner",
       [](TProject& p) {
         p.VanishX = p.InnerLeft;
         p.VanishY = p.InnerBottom;
       }},
      {"vanishing point level with the floor edge", [](TProject& p) { p.VanishY = p.InnerBottom; }},
      {"zero-width rear wall, grid shifted left",
       [](TProject& p) {
         p.InnerRight = p.InnerLeft;
         p.GridOffsetX = -5;
       }},
      {"grid shifted far", [](TProject& p) { p.GridOffsetX = p.GridOffsetY = -1e9; }},
      {"crossed corners",
       [](TProject& p) {
         std::swap(p.InnerLeft, p.InnerRight);
         std::swap(p.InnerTop, p.InnerBottom);
       }},
      {"far vanishing point", [](TProject& p) { p.VanishX = 1e300; }},
      {"zero focal length", [](TProject& p) { p.FocalLength = 0; }},
      {"not a number", [](TProject& p) { p.VanishY = std::nan(""); }},
      {"empty picture",
       [](TProject& p) {
         p.PicWidth = p.PicHeight = 0;
         ResetMeshDefaults(p);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TProject p = Room();
    c.change(p);
    const MeshDrawing d = DrawMesh(p, {});
    ExpectSane(d);
    EXPECT_LE(OfKind(d, MeshLineKind::RearVertical).size(), size_t(kMaxGridLines));
  }
  TProject p = Room();
  p.FocalLength = 250;
  // Line 20 of the floor has no depth point; the rest are still drawn.
  const auto floor = OfKind(DrawMesh(p, {}), MeshLineKind::FloorDepth);
  EXPECT_GE(floor.size(), 19u);
  EXPECT_LE(floor.size(), 29u);
}

TEST(MoveHandle, CornerHandlesMoveTheirSharedEdges) {
  TProject p = Room();
  ASSERT_TRUE(MoveHandle(p, 3, 50, 120, 1.0));  // Shape3: bottom-left
  EXPECT_DOUBLE_EQ(p.InnerLeft, 50);
  EXPECT_DOUBLE_EQ(p.InnerBottom, 79);  // (200 - 1 - 120) / 1
  // Shape4 (top-left) moved horizontally, Shape5 (bottom-right) vertically.
  EXPECT_EQ(*HandlePoint(p, 4), (PointD{50, 132}));
  EXPECT_EQ(*HandlePoint(p, 5), (PointD{200, 79}));
  EXPECT_EQ(*HandlePoint(p, 6), (PointD{200, 132}));

  ASSERT_TRUE(MoveHandle(p, 2, 101, 49, 0.5));  // display height 100
  EXPECT_DOUBLE_EQ(p.VanishX, 202);
  EXPECT_DOUBLE_EQ(p.VanishY, 100);
  ASSERT_TRUE(MoveHandle(p, 6, 10, 10, 1.0));
  EXPECT_DOUBLE_EQ(p.InnerRight, 10);
  EXPECT_DOUBLE_EQ(p.InnerTop, 189);
  EXPECT_DOUBLE_EQ(p.InnerBottom, 79);

  const TProject before = p;
  EXPECT_FALSE(MoveHandle(p, 1, 0, 0, 1.0));
  EXPECT_FALSE(MoveHandle(p, 7, 0, 0, 1.0));
  EXPECT_FALSE(MoveHandle(p, 2, 0, 0, 0.0));
  EXPECT_EQ(p.VanishX, before.VanishX);
  EXPECT_FALSE(HandlePoint(p, 0));
}

TEST(ApplyMeshDrag, Table) {
  struct Case {
    MeshDragMode mode;
    int dX, dY;
    double offX, offY, focal, divisions;
  };
  const Case cases[] = {
      {MeshDragMode::GridOffset, 25, -10, 0.5, -0.2, 260, 8},
      {MeshDragMode::FocalLength, 100, -25, 0, 0, 257.5, 8},
      {MeshDragMode::GridDivisions, 50, 999, 0, 0, 260, 9},
      {MeshDragMode::GridDivisions, -340, 0, 0, 0, 260, 1.2},
      {MeshDragMode::GridDivisions, -351, 0, 0, 0, 260, 1},
  };
  for (const Case& c : cases) {
    TProject p = Room();
    ApplyMeshDrag(p, c.mode, c.dX, c.dY);
    EXPECT_DOUBLE_EQ(p.GridOffsetX, c.offX);
    EXPECT_DOUBLE_EQ(p.GridOffsetY, c.offY);
    EXPECT_DOUBLE_EQ(p.FocalLength, c.focal);
    EXPECT_NEAR(p.GridDivisions, c.divisions, 1e-12);
  }
}

TEST(FieldOfView, ConversionsBothWays) {
  EXPECT_NEAR(FieldOfView(260, 300), 59.96, 0.005);
  EXPECT_NEAR(FieldOfView(150, 300), 90, 1e-12);
  EXPECT_NEAR(FocalLengthForFieldOfView(90, 300), 150, 1e-9);
  EXPECT_NEAR(FocalLengthForFieldOfView(60, 300), 150 * std::sqrt(3.0), 1e-9);
  EXPECT_NEAR(FocalLengthForFieldOfView(FieldOfView(260, 300), 300), 260, 1e-9);
  for (double bad : {0.0, -10.0, 180.0, 400.0, std::nan("")}) {
    EXPECT_THROW(FocalLengthForFieldOfView(bad, 300), Error) << bad;
  }
}

TEST(FieldOfView, AnswerOfTheInputBox) {
  TProject p = Room();
  SetFieldOfView(p, " 90 ");
  EXPECT_NEAR(p.FocalLength, 150, 1e-9);
  EXPECT_EQ(testing::ErrorOf([&] { SetFieldOfView(p, "wide"); }),
            "'wide' is not a valid floating point value");
  EXPECT_THROW(SetFieldOfView(p, "0"), Error);
  EXPECT_THROW(SetFieldOfView(p, ""), Error);
  EXPECT_NEAR(p.FocalLength, 150, 1e-9);
}

}  // namespace
}  // namespace glkov
