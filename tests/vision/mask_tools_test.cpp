#include "core/vision/mask_tools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "core/error.h"
#include "core/objects/extraction.h"
#include "support/small_room.h"
#include "tools/synthetic_room.h"

namespace glkov::vision {
namespace {

bool On(const TFastBMP& m, int x, int y) { return m.Pixel(x, y)[2] >= 128; }

// Records the progress and asks to stop once it has reached StopAt percent.
struct StoppingCallbacks : glkov::testing::ScriptedCallbacks {
  int StopAt = 1000;
  bool AbortRequested() override { return !Percents.empty() && Percents.back() >= StopAt; }
};

bool Rising(const std::vector<int>& percents) {
  return std::is_sorted(percents.begin(), percents.end()) && !percents.empty() &&
         percents.front() >= 0 && percents.back() <= 100;
}

// A grey picture with a red and a green board side by side inside (30..69, 20..59).
TFastBMP TwoBoards() {
  TFastBMP picture(100, 80);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 100; ++x) {
      uint8_t* p = picture.Pixel(x, y);
      const bool left = x >= 30 && x <= 49 && y >= 20 && y <= 59;
      const bool right = x >= 50 && x <= 69 && y >= 20 && y <= 59;
      p[0] = left ? 200 : right ? 30 : 120;
      p[1] = left ? 40 : right ? 200 : 120;
      p[2] = left ? 40 : right ? 40 : 120;
    }
  return picture;
}

// A disc of radius 35 around (80, cy) on a mask of the given height.
TFastBMP Disc(int height, double cy) {
  TFastBMP mask = NewMask(160, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < 160; ++x)
      if (std::hypot(x - 80.0, y - cy) <= 35)
        mask.Pixel(x, y)[0] = mask.Pixel(x, y)[1] = mask.Pixel(x, y)[2] = 255;
  return mask;
}

// Distance from (px, py) to the segment a-b.
double SegmentDistance(double px, double py, MaskPoint a, MaskPoint b) {
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((px - a.X) * dx + (py - a.Y) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(px - (a.X + t * dx), py - (a.Y + t * dy));
}

// Crossing-number test of a pixel centre against the polygon.
bool InsideReference(const std::vector<MaskPoint>& poly, double x, double y) {
  bool inside = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const MaskPoint a = poly[i], b = poly[j];
    if ((a.Y > y) != (b.Y > y) && x < (b.X - a.X) * (y - a.Y) / double(b.Y - a.Y) + a.X) {
      inside = !inside;
    }
  }
  return inside;
}

double OutlineDistance(const std::vector<MaskPoint>& poly, double x, double y) {
  double d = 1e9;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    d = std::min(d, SegmentDistance(x, y, poly[j], poly[i]));
  }
  return d;
}

struct PolygonCase {
  const char* name;
  std::vector<MaskPoint> points;
};

class FillPolygonTest : public ::testing::TestWithParam<PolygonCase> {};

// Away from the outline every pixel equals the reference rasterisation (pixel centre inside);
// pixels within one pixel of the outline may go either way, as rounding on the edge allows.
TEST_P(FillPolygonTest, EqualsReferenceAwayFromTheOutline) {
  const std::vector<MaskPoint>& poly = GetParam().points;
  TFastBMP mask = NewMask(120, 90);
  const MaskRect changed = FillPolygon(mask, poly, 255);
  int mismatches = 0, boundary = 0;
  for (int y = 0; y < mask.Height(); ++y) {
    for (int x = 0; x < mask.Width(); ++x) {
      const bool ref = InsideReference(poly, x, y);
      if (OutlineDistance(poly, x, y) <= 1.0) {
        ++boundary;
        EXPECT_TRUE(On(mask, x, y) || !ref || OutlineDistance(poly, x, y) < 1.0);
        continue;
      }
      if (On(mask, x, y) != ref) ++mismatches;
      if (On(mask, x, y)) {
        EXPECT_TRUE(x >= changed.Left && x <= changed.Right && y >= changed.Top &&
                    y <= changed.Bottom);
      }
    }
  }
  EXPECT_EQ(mismatches, 0) << GetParam().name;
  EXPECT_GT(boundary, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, FillPolygonTest,
    ::testing::Values(PolygonCase{"rectangle", {{10, 10}, {60, 10}, {60, 40}, {10, 40}}},
                      PolygonCase{"triangle", {{5, 80}, {100, 70}, {40, 3}}},
                      PolygonCase{"concave", {{10, 10}, {110, 10}, {110, 80}, {60, 30}, {10, 80}}},
                      PolygonCase{"clipped", {{-20, -10}, {70, 20}, {30, 120}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FillPolygonTest, RectangleEdgesAreInside) {
  TFastBMP mask = NewMask(40, 30);
  FillPolygon(mask, {{5, 6}, {20, 6}, {20, 15}, {5, 15}}, 255);
  EXPECT_EQ(CountMaskPixels(mask), 16 * 10);
  FillPolygon(mask, {{5, 6}, {20, 6}, {20, 15}, {5, 15}}, 0);
  EXPECT_EQ(CountMaskPixels(mask), 0);
}

// A brush segment paints the pixels within its radius and nothing beyond it, inside the rectangle
// it reports; the eraser takes them back.
TEST(PaintStroke, CapsuleWithinReportedRectangle) {
  struct Case {
    MaskPoint a, b;
    int diameter;
  };
  for (const Case& c : {Case{{20, 30}, {70, 45}, 15}, Case{{50, 50}, {50, 50}, 20},
                        Case{{-5, 10}, {30, -4}, 9}, Case{{10, 10}, {40, 12}, 1}}) {
    TFastBMP mask = NewMask(100, 80);
    const MaskRect r = PaintStroke(mask, c.a, c.b, c.diameter, 255);
    const double radius = c.diameter / 2.0;
    for (int y = 0; y < mask.Height(); ++y) {
      for (int x = 0; x < mask.Width(); ++x) {
        const double d = SegmentDistance(x, y, c.a, c.b);
        if (d <= radius - 1) {
          EXPECT_TRUE(On(mask, x, y)) << x << "," << y;
        }
        if (d > radius + 1) {
          EXPECT_FALSE(On(mask, x, y)) << x << "," << y;
        }
        if (On(mask, x, y)) {
          EXPECT_TRUE(x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom);
        }
      }
    }
    PaintStroke(mask, c.a, c.b, c.diameter, 0);
    EXPECT_EQ(CountMaskPixels(mask), 0);
  }
  TFastBMP mask = NewMask(10, 10);
  EXPECT_TRUE(PaintStroke(mask, {50, 50}, {60, 60}, 5, 255).Empty());
}

// Feathering a disc gives grey only on a band of about the width across its edge, black and
// white everywhere else, and a ramp that rises outward-in.
TEST(FeatherMask, GreyOnlyOnTheBand) {
  for (int width : {4, 10, 21}) {
    // The disc crosses the boundary between the bands the work is done in.
    TFastBMP mask = Disc(120, 60);
    const double cx = 80, cy = 60, radius = 35;
    FeatherMask(mask, width);
    int greyOnRow = 0;
    for (int y = 0; y < 120; ++y) {
      for (int x = 0; x < 160; ++x) {
        const int v = mask.Pixel(x, y)[2];
        const double fromEdge = std::hypot(x - cx, y - cy) - radius;  // > 0 outside
        if (std::abs(fromEdge) > width / 2.0 + 1.5) {
          EXPECT_TRUE(v == 0 || v == 255) << width << ": " << x << "," << y;
          EXPECT_EQ(v == 255, fromEdge < 0);
        }
        if (y == 60 && x > cx && v > 0 && v < 255) ++greyOnRow;
      }
    }
    EXPECT_NEAR(greyOnRow, width, 1.5) << width;
    // Along the row the values fall from white to black without a step back.
    for (int x = 81; x < 160; ++x) EXPECT_LE(mask.Pixel(x, 60)[2], mask.Pixel(x - 1, 60)[2]);
  }
  TFastBMP mask = NewMask(8, 8);
  EXPECT_THROW(FeatherMask(mask, -1), Error);
}

// Feathering reports rising progress to 100 %; a stop part-way leaves the mask as it was.
TEST(FeatherMask, ProgressAndStop) {
  const TFastBMP disc = Disc(300, 150);
  TFastBMP mask = disc;
  StoppingCallbacks done;
  EXPECT_TRUE(FeatherMask(mask, 6, done));
  EXPECT_TRUE(Rising(done.Percents));
  EXPECT_EQ(done.Percents.back(), 100);
  EXPECT_GT(done.Percents.size(), 2u);
  EXPECT_NE(mask.PackedPixels(), disc.PackedPixels());

  mask = disc;
  StoppingCallbacks stopped;
  stopped.StopAt = 1;
  EXPECT_FALSE(FeatherMask(mask, 6, stopped));
  EXPECT_EQ(mask.PackedPixels(), disc.PackedPixels());
  EXPECT_LT(stopped.Percents.back(), 100);  // it stopped before the last band
}

TEST(MaskTools, ClearInvertUnite) {
  TFastBMP a = NewMask(20, 10), b = NewMask(20, 10);
  PaintStroke(a, {2, 2}, {2, 2}, 3, 255);
  PaintStroke(b, {15, 5}, {15, 5}, 3, 255);
  const int64_t na = CountMaskPixels(a), nb = CountMaskPixels(b);
  UniteMasks(a, b);
  EXPECT_EQ(CountMaskPixels(a), na + nb);
  InvertMask(a);
  EXPECT_EQ(CountMaskPixels(a), 200 - na - nb);
  ClearMask(a);
  EXPECT_EQ(CountMaskPixels(a), 0);
  EXPECT_THROW(UniteMasks(a, NewMask(10, 10)), Error);
  EXPECT_THROW(NewMask(0, 5), Error);
}

// A dark box on a light picture: clicks a few pixels off its corners snap onto its outline, so
// the filled outline covers the box far better than the straight polygon through the clicks.
TEST(EdgeSnapper, LassoFollowsTheEdges) {
  TFastBMP picture(120, 100);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 120; ++x) {
      const bool box = x >= 30 && x <= 89 && y >= 25 && y <= 74;
      uint8_t* p = picture.Pixel(x, y);
      p[0] = p[1] = p[2] = box ? 40 : 210;
    }
  const std::vector<MaskPoint> clicks{{27, 33}, {60, 21}, {93, 40}, {86, 78}, {40, 77}};
  EdgeSnapper snapper(picture);
  const std::vector<MaskPoint> outline = snapper.Outline(clicks);
  for (size_t i = 1; i < outline.size(); ++i) {
    EXPECT_LE(std::abs(outline[i].X - outline[i - 1].X), 1);
    EXPECT_LE(std::abs(outline[i].Y - outline[i - 1].Y), 1);
  }
  auto errors = [&](const std::vector<MaskPoint>& poly) {
    TFastBMP mask = NewMask(120, 100);
    FillPolygon(mask, poly, 255);
    int wrong = 0;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 120; ++x)
        wrong += On(mask, x, y) != (x >= 30 && x <= 89 && y >= 25 && y <= 74);
    return wrong;
  };
  const int snapped = errors(outline), straight = errors(clicks);
  EXPECT_LT(snapped, 2 * (60 + 50));  // at most about one pixel along the outline
  EXPECT_LT(snapped * 2, straight);
}

// The synthetic room at half its size, with its objects and their exact mask.
synthetic::SyntheticRoom HalfRoom() {
  synthetic::SyntheticRoomOptions o = testing::MediumRoomOptions();
  o.Objects = synthetic::DefaultRoomObjects();
  for (synthetic::RoomObject& obj : o.Objects) {
    obj.CenterX /= 2, obj.FloorRow /= 2, obj.Width /= 2, obj.Height /= 2;
  }
  return synthetic::MakeSyntheticRoom(o);
}

double IoU(const TFastBMP& got, const TFastBMP& exact) {
  int both = 0, either = 0;
  for (int y = 0; y < got.Height(); ++y)
    for (int x = 0; x < got.Width(); ++x) {
      both += On(got, x, y) && On(exact, x, y);
      either += On(got, x, y) || On(exact, x, y);
    }
  return either ? double(both) / either : 0;
}

// Select Object from a box 10 pixels larger than each object of the room matches the room's
// exact mask at least as well as plain GrabCut (5 rounds) from the same box.
TEST(ObjectSelection, AtLeastPlainGrabCutOnTheRoom) {
  const synthetic::SyntheticRoom room = HalfRoom();
  const ExtractionResult objects = ExtractObjects(room.Mask, {}, room.Mask.Height());
  ASSERT_EQ(objects.Rows.size(), 3u);
  for (const ExtractedRow& row : objects.Rows) {
    TFastBMP exact = NewMask(room.Mask.Width(), room.Mask.Height());
    MaskRect bounds;
    for (size_t i = row.FirstSpan; i < row.FirstSpan + row.SpanCount; ++i) {
      const RegionSpan& s = objects.Spans[i];
      PaintStroke(exact, {s.X0, s.Row}, {s.X1, s.Row}, 1, 255);
      bounds = Unite(bounds, MaskRect{s.X0, s.Row, s.X1, s.Row});
    }
    const MaskRect box{bounds.Left - 10, bounds.Top - 10, bounds.Right + 10, bounds.Bottom + 10};
    const double tuned = IoU(ObjectSelection(room.Original, box).Result(), exact);
    const double plain =
        IoU(ObjectSelection(room.Original, box, {.Iterations = 5, .Plain = true}).Result(), exact);
    std::printf("object %d: IoU %.3f (plain GrabCut %.3f)\n", row.Number, tuned, plain);
    EXPECT_GE(tuned, plain) << "object " << row.Number;
    EXPECT_GT(tuned, 0.8) << "object " << row.Number;
  }
}

// Strokes refine a selection: a background stroke over a selected part takes it out, an object
// stroke puts it back.
TEST(ObjectSelection, StrokesRefine) {
  const TFastBMP picture = TwoBoards();
  ObjectSelection sel(picture, {25, 15, 74, 64});
  EXPECT_TRUE(On(sel.Result(), 40, 40));
  EXPECT_TRUE(On(sel.Result(), 60, 40));
  sel.Mark({60, 25}, {60, 55}, 9, false);
  sel.Update();
  EXPECT_TRUE(On(sel.Result(), 40, 40));
  EXPECT_FALSE(On(sel.Result(), 60, 40));
  EXPECT_THROW(ObjectSelection(picture, {10, 10, 11, 30}), Error);
}

// The selection reports rising progress round by round; stopped after its first round it selects
// nothing and does not run the other rounds. A stopped refinement keeps the selection as it was,
// without its marks.
TEST(ObjectSelection, ProgressAndStop) {
  const TFastBMP picture = TwoBoards();
  const MaskRect box{25, 15, 74, 64};
  StoppingCallbacks done;
  ObjectSelection sel(picture, box, {.Iterations = 6}, done);
  EXPECT_FALSE(sel.Cancelled());
  EXPECT_TRUE(Rising(done.Percents));
  EXPECT_EQ(done.Percents.back(), 100);
  EXPECT_GE(done.Percents.size(), 6u);
  EXPECT_TRUE(On(sel.Result(), 60, 40));

  StoppingCallbacks stopped;
  stopped.StopAt = 1;
  ObjectSelection cut(picture, box, {.Iterations = 6}, stopped);
  EXPECT_TRUE(cut.Cancelled());
  EXPECT_EQ(stopped.Percents.size(), 2u);  // the start and the first round
  EXPECT_EQ(CountMaskPixels(cut.Result()), 0);
  TFastBMP mask = NewMask(100, 80);
  PaintStroke(mask, {5, 5}, {5, 5}, 3, 255);
  const TFastBMP before = mask;
  cut.AddTo(mask);
  EXPECT_EQ(mask.PackedPixels(), before.PackedPixels());

  const TFastBMP selected = sel.Result();
  sel.Mark({60, 25}, {60, 55}, 9, false);
  StoppingCallbacks refineStopped;
  refineStopped.StopAt = 1;
  EXPECT_FALSE(sel.Update(refineStopped));
  EXPECT_EQ(sel.Result().PackedPixels(), selected.PackedPixels());
  // The stopped marks are gone: a refinement without them still selects both boards.
  EXPECT_TRUE(sel.Update());
  EXPECT_TRUE(On(sel.Result(), 60, 40));
}

}  // namespace
}  // namespace glkov::vision
