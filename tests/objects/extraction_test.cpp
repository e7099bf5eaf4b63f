#include "core/objects/extraction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <queue>
#include <random>
#include <utility>

#include "core/error.h"
#include "core/model/project.h"

namespace glkov {
namespace {

// A black mask with the given pixels set to grey v (all three bytes).
TFastBMP Mask(int w, int h, const std::vector<std::pair<int, int>>& bright, uint8_t v = 255) {
  TFastBMP m(w, h);
  for (auto [x, row] : bright) {
    uint8_t* p = m.Pixel(x, row);
    p[0] = p[1] = p[2] = v;
  }
  return m;
}

// Pixels of the rectangle columns x0..x1, rows r0..r1.
std::vector<std::pair<int, int>> Rect(int x0, int r0, int x1, int r1) {
  std::vector<std::pair<int, int>> px;
  for (int r = r0; r <= r1; ++r)
    for (int x = x0; x <= x1; ++x) px.push_back({x, r});
  return px;
}

ExtractOptions NoMinimum() {
  ExtractOptions o;
  o.NoSmall = false;
  return o;
}

struct Box {
  int X1, Y1, X2, Y2;
  friend bool operator==(const Box&, const Box&) = default;
};

std::vector<Box> Boxes(const ExtractionResult& r) {
  std::vector<Box> b;
  for (const ExtractedRow& row : r.Rows) b.push_back({row.X1, row.Y1, row.X2, row.Y2});
  return b;
}

std::vector<std::pair<int, int>> Join(std::vector<std::vector<std::pair<int, int>>> parts) {
  std::vector<std::pair<int, int>> px;
  for (const auto& p : parts) px.insert(px.end(), p.begin(), p.end());
  return px;
}

struct BoxCase {
  const char* name;
  int w, h, picHeight;
  std::vector<std::pair<int, int>> bright;
  int minSize;  // 0: no minimum
  std::vector<Box> boxes;
};

// The boxes in picture y (rows counted from the bottom of a picture picHeight high). Scan order,
// connectivity and the minimum size on masks of every shape are the breadth-first reference's.
TEST(ExtractObjects, SmallMasksGiveTheirBoxes) {
  const BoxCase cases[] = {
      {"square", 10, 10, 10, Rect(5, 2, 7, 4), 0, {{5, 5, 7, 7}}},
      {"taller picture", 10, 10, 100, Rect(5, 2, 7, 4), 0, {{5, 95, 7, 97}}},
      // The minimum size applies to the extent (pixels - 1).
      {"extent 15", 30, 10, 10, Rect(3, 5, 18, 5), 16, {}},
      {"extent 16", 30, 10, 10, Rect(3, 5, 19, 5), 16, {{3, 4, 19, 4}}},
      // The picture's edge is cut by a black border of one pixel.
      {"edges", 10, 10, 10, Join({Rect(0, 0, 4, 3), Rect(9, 5, 9, 7)}), 0, {{1, 6, 4, 8}}},
  };
  for (const BoxCase& c : cases) {
    ExtractOptions o;
    o.NoSmall = c.minSize > 0;
    o.MinSize = c.minSize;
    const ExtractionResult r = ExtractObjects(Mask(c.w, c.h, c.bright), o, c.picHeight);
    EXPECT_EQ(Boxes(r), c.boxes) << c.name;
    for (size_t i = 0; i < r.Rows.size(); ++i) EXPECT_EQ(r.Rows[i].Number, int(i) + 1) << c.name;
  }
}

// A region is filled with the first marker colour (255, 128, 0), then its box outlined in green;
// a region dropped as too small keeps the marker of the next listed region and no outline.
TEST(ExtractObjects, MarkersAndOutlines) {
  ExtractOptions o;
  o.MinSize = 4;
  auto px = Rect(5, 2, 6, 3);  // small square first in scan order
  for (const auto& q : Rect(2, 6, 12, 6)) px.push_back(q);
  const ExtractionResult r = ExtractObjects(Mask(15, 10, px), o, 10);
  ASSERT_EQ(r.Rows.size(), 1u);
  EXPECT_EQ(r.Rows[0].Number, 1);
  EXPECT_TRUE(r.Rows[0].Checked);
  EXPECT_EQ(r.Rows[0].SpanCount, 1u);
  const auto colour = [&](int x, int row) {
    const uint8_t* p = r.Working.Pixel(x, row);
    return std::array<int, 3>{p[2], p[1], p[0]};
  };
  EXPECT_EQ(colour(6, 3), (std::array<int, 3>{0, 128, 255}));  // dropped: filled, not outlined
  EXPECT_EQ(colour(7, 6)[0], 0);  // the line: its outline turns red 0 and green 255
  EXPECT_EQ(colour(7, 6)[1], 255);
}

TEST(ExtractObjects, ThresholdIsStrictAndReadsRedOnly) {
  struct Case {
    uint8_t b, g, r;
    int threshold;
    size_t rows;
  };
  const Case cases[] = {
      {128, 128, 128, 128, 0}, {129, 129, 129, 128, 1}, {255, 255, 0, 128, 0}, {0, 0, 200, 128, 1},
      {0, 0, 200, 200, 0},     {0, 0, 1, 0, 1},         {0, 0, 255, 255, 0},   {0, 0, 0, -1, 1},
  };
  for (const Case& c : cases) {
    TFastBMP m(5, 5);
    uint8_t* p = m.Pixel(2, 2);
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
    ExtractOptions o = NoMinimum();
    o.Threshold = c.threshold;
    // Threshold -1 makes every inner pixel an object: one 3 x 3 region.
    EXPECT_EQ(ExtractObjects(m, o, 5).Rows.size(), c.rows)
        << int(c.r) << " at threshold " << c.threshold;
  }
}

// A project whose current sub-scene is 1 of a 20 x 12 picture.
TProject SmallProject() {
  TProject p;
  p.PicWidth = 20;
  p.PicHeight = 12;
  ResetMeshDefaults(p);
  p.MeshRegions.resize(2);
  p.MeshRegions[0].Name = "Window";
  p.MeshRegions[1].Name = "Region 1";
  p.CurrentRegion = 1;
  return p;
}

TEST(ExtractObjects, The256thRegionReusesMarkersAndLabelsGoOnInTheHigherBytes) {
  // 300 single pixels on a grid of every other pixel.
  std::vector<std::pair<int, int>> px;
  for (int i = 0; i < 300; ++i) px.push_back({1 + 2 * (i % 30), 1 + 2 * (i / 30)});
  const ExtractionResult r = ExtractObjects(Mask(62, 22, px), NoMinimum(), 22);
  ASSERT_EQ(r.Rows.size(), 300u);
  for (int i = 0; i < 300; ++i) {
    EXPECT_EQ(r.Rows[i].Number, i + 1);
    EXPECT_EQ(r.Rows[i].X1, px[i].first);
    EXPECT_EQ(r.Rows[i].Y2, 21 - px[i].second);
  }
  // Marker red of region index 255 is 255, of index 256 it is 0 again.
  EXPECT_EQ(r.Working.Pixel(px[255].first, px[255].second)[2], 255);
  EXPECT_EQ(r.Working.Pixel(px[256].first, px[256].second)[2], 0);
  // Accepted, labels beyond 255 go on in the label image's higher bytes.
  TProject p = SmallProject();
  AcceptExtraction(p, r, true);
  ASSERT_EQ(p.fgObjCount(), 300);
  EXPECT_EQ(LabelAt(p.LabelImage, px[0].first, px[0].second), 0);
  EXPECT_EQ(LabelAt(p.LabelImage, px[256].first, px[256].second), 256);
  EXPECT_EQ(LabelAt(p.LabelImage, px[299].first, px[299].second), 299);
  EXPECT_EQ(LabelAt(p.LabelImage, 0, 0), 300);
}

TEST(ExtractObjects, MarkerRed255WithOutlineIsNotFoundAgain) {
  // 256 tiny regions, then the 256th (marker red 255) is a large block whose outline would make
  // its border white; the regions after it must still be counted once.
  std::vector<std::pair<int, int>> px;
  for (int i = 0; i < 255; ++i) px.push_back({1 + 2 * (i % 50), 1 + 2 * (i / 50)});
  auto big = Rect(5, 13, 20, 20);
  px.insert(px.end(), big.begin(), big.end());
  px.push_back({30, 25});
  const ExtractionResult r = ExtractObjects(Mask(102, 30, px), NoMinimum(), 30);
  ASSERT_EQ(r.Rows.size(), 257u);
  EXPECT_EQ(Boxes(r)[255], (Box{5, 9, 20, 16}));
  EXPECT_EQ(Boxes(r)[256], (Box{30, 4, 30, 4}));
}

// The 4-connected regions of white pixels found by a breadth-first search, listed in scan
// order, as an independent reference for the scanline fill.
std::vector<std::pair<Box, int>> ReferenceRegions(const TFastBMP& q, int picHeight) {
  const int w = q.Width(), h = q.Height();
  std::vector<char> seen(static_cast<size_t>(w * h), 0);
  std::vector<std::pair<Box, int>> out;
  auto white = [&](int x, int y) { return q.Pixel(x, y)[2] == 255; };
  for (int y = 1; y < h - 1; ++y) {
    for (int x = 1; x < w - 1; ++x) {
      if (!white(x, y) || seen[y * w + x]) continue;
      int minX = x, maxX = x, minR = y, maxR = y, count = 0;
      std::queue<std::pair<int, int>> todo;
      todo.push({x, y});
      seen[y * w + x] = 1;
      while (!todo.empty()) {
        auto [cx, cy] = todo.front();
        todo.pop();
        ++count;
        minX = std::min(minX, cx), maxX = std::max(maxX, cx);
        minR = std::min(minR, cy), maxR = std::max(maxR, cy);
        const int d[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
        for (auto& dd : d) {
          const int nx = cx + dd[0], ny = cy + dd[1];
          if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
          if (!white(nx, ny) || seen[ny * w + nx]) continue;
          seen[ny * w + nx] = 1;
          todo.push({nx, ny});
        }
      }
      out.push_back({{minX, picHeight - 1 - maxR, maxX, picHeight - 1 - minR}, count});
    }
  }
  return out;
}

TEST(ExtractObjects, MatchesBreadthFirstReferenceOnRandomMasks) {
  std::mt19937 rng(12345);
  for (int trial = 0; trial < 40; ++trial) {
    const int w = 3 + static_cast<int>(rng() % 60);
    const int h = 3 + static_cast<int>(rng() % 60);
    const unsigned density = 30 + rng() % 50;
    TFastBMP m(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) m.Pixel(x, y)[2] = (rng() % 100 < density) ? 200 : 10;
    TFastBMP q;
    QuantizeMask(m, 128, q);
    const auto ref = ReferenceRegions(q, h);
    ExtractOptions o = NoMinimum();
    const ExtractionResult r = ExtractObjects(m, o, h);
    ASSERT_EQ(r.Rows.size(), ref.size()) << "trial " << trial;
    for (size_t i = 0; i < ref.size(); ++i) {
      EXPECT_EQ(Boxes(r)[i], ref[i].first) << "trial " << trial << " region " << i;
      int pixels = 0;
      for (size_t s = r.Rows[i].FirstSpan; s < r.Rows[i].FirstSpan + r.Rows[i].SpanCount; ++s) {
        pixels += r.Spans[s].X1 - r.Spans[s].X0 + 1;
      }
      EXPECT_EQ(pixels, ref[i].second) << "trial " << trial << " region " << i;
    }
    // The same with the minimum size on keeps exactly the big enough ones.
    o.NoSmall = true;
    o.MinSize = 4;
    std::vector<Box> big;
    for (const auto& [b, n] : ref) {
      if (b.X2 - b.X1 >= 4 || b.Y2 - b.Y1 >= 4) big.push_back(b);
    }
    EXPECT_EQ(Boxes(ExtractObjects(m, o, h)), big) << "trial " << trial;
  }
}

TEST(ExtractObjects, DegenerateMasksGiveNoRows) {
  for (auto [w, h] : {std::pair{0, 0}, {1, 1}, {2, 2}, {1, 50}, {50, 2}}) {
    TFastBMP m(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) m.Pixel(x, y)[2] = 255;
    const ExtractionResult r = ExtractObjects(m, NoMinimum(), h);
    EXPECT_TRUE(r.Rows.empty()) << w << " x " << h;
    EXPECT_EQ(r.Working.Width(), w);
  }
}

TEST(FloodFill, SpiralAndUShapesFillCompletely) {
  // A U whose arms are joined only at the bottom, and a spiral: both need seeds above and below.
  const char* rows[] = {
      "..........", ".#.#.####.", ".#.#....#.", ".#.#.##.#.",
      ".#.#.#..#.", ".###.####.", "..........",
  };
  TFastBMP img(10, 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 10; ++x)
      if (rows[y][x] == '#') img.Pixel(x, y)[0] = img.Pixel(x, y)[1] = img.Pixel(x, y)[2] = 255;
  std::vector<RegionSpan> spans;
  FillBox b = FloodFill(img, 3, 1, {1, 2, 3}, 9, 6, &spans);
  EXPECT_EQ(b.MinX, 1);
  EXPECT_EQ(b.MaxX, 3);
  EXPECT_EQ(b.MinRow, 1);
  EXPECT_EQ(b.MaxRow, 5);
  b = FloodFill(img, 5, 3, {1, 2, 3}, 9, 6, &spans);
  EXPECT_EQ(b.MinX, 5);
  EXPECT_EQ(b.MaxX, 8);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 10; ++x)
      EXPECT_EQ(img.Pixel(x, y)[0], rows[y][x] == '#' ? 1 : 0) << x << "," << y;

  // Filling with the seed's own colour does nothing and keeps the start values.
  b = FloodFill(img, 0, 0, {0, 0, 0}, 9, 6);
  EXPECT_EQ(b.MinX, INT_MAX);
  EXPECT_EQ(b.MaxX, 0);
  // Bounds limit the fill.
  TFastBMP all(6, 6);
  b = FloodFill(all, 0, 0, {9, 9, 9}, 2, 3);
  EXPECT_EQ(b.MaxX, 2);
  EXPECT_EQ(b.MaxRow, 3);
  EXPECT_EQ(all.Pixel(3, 0)[0], 0);
  EXPECT_EQ(all.Pixel(2, 3)[0], 9);
  // A seed outside the picture fills nothing.
  EXPECT_EQ(FloodFill(all, 10, 10, {1, 1, 1}, 100, 100).MinRow, INT_MAX);
}

TEST(ClickFill, PaintsTheRegionUnderTheClickBlack) {
  TFastBMP working;
  QuantizeMask(Mask(10, 10, Rect(2, 2, 4, 4)), 128, working);
  ClickFill(working, 3, 3);
  EXPECT_EQ(working.Pixel(2, 2)[2], 0);
  EXPECT_EQ(working.Pixel(4, 4)[1], 0);
  // Clicking on black changes nothing; clicking outside is harmless.
  ClickFill(working, 0, 0);
  ClickFill(working, -1, 20);
  // A marker-coloured region reaching the picture edge is painted to the edge.
  TFastBMP edge(5, 5);
  for (int x = 0; x < 5; ++x) edge.Pixel(x, 0)[1] = 128;
  ClickFill(edge, 4, 0);
  EXPECT_EQ(edge.Pixel(0, 0)[1], 0);
}

TEST(QuantizeMask, RequantizingOnlyTouchesThePreview) {
  TFastBMP m = Mask(6, 6, Rect(1, 1, 4, 4), 150);
  TFastBMP working;
  QuantizeMask(m, 100, working);
  EXPECT_EQ(working.Pixel(2, 2)[2], 255);
  EXPECT_EQ(working.Pixel(0, 2)[2], 0);
  QuantizeMask(m, 150, working);
  EXPECT_EQ(working.Pixel(2, 2)[2], 0);
  EXPECT_EQ(m.Pixel(0, 0)[2], 0);
  EXPECT_EQ(m.Pixel(1, 1)[2], 150);
}

// Three regions: columns 1-3, 6-8 and 11-13, rows 2-5 of a 20 x 12 mask.
TFastBMP ThreeRegions() {
  auto px = Rect(1, 2, 3, 5);
  for (auto r : {Rect(6, 2, 8, 5), Rect(11, 2, 13, 5)}) px.insert(px.end(), r.begin(), r.end());
  return Mask(20, 12, px);
}

TEST(AcceptExtraction, FirstExtractionNamesObjectsAndStoresTheSubScene) {
  TProject p = SmallProject();
  const ExtractionResult r = ExtractObjects(ThreeRegions(), NoMinimum(), 12);
  AcceptExtraction(p, r, true);
  EXPECT_TRUE(p.ObjectsExtracted);
  EXPECT_TRUE(p.Modified);
  ASSERT_EQ(p.fgObjCount(), 3);
  EXPECT_EQ(p.fgObjs[0].Name, "Object 1");
  EXPECT_EQ(p.fgObjs[2].Name, "Object 3");
  const TfgObj& o = p.fgObjs[1];
  EXPECT_EQ(o.Parent, kFloor);
  EXPECT_EQ((Box{o.X1, o.Y1, o.X2, o.Y2}), (Box{6, 6, 8, 9}));
  ASSERT_EQ(p.MeshRegions[1].ObjCount, 3);
  EXPECT_EQ(p.MeshRegions[1].Objects[2].Name, "Object 3");
  EXPECT_EQ(p.MeshRegions[1].Objects[2].X1, 11);
  // Label image: each object's own pixels carry its index, everything else the count.
  ASSERT_EQ(p.LabelImage.Width(), 20);
  EXPECT_EQ(LabelAt(p.LabelImage, 2, 3), 0);
  EXPECT_EQ(LabelAt(p.LabelImage, 7, 3), 1);
  EXPECT_EQ(LabelAt(p.LabelImage, 12, 5), 2);
  EXPECT_EQ(LabelAt(p.LabelImage, 0, 0), 3);
  EXPECT_EQ(LabelAt(p.LabelImage, 5, 3), 3);
  EXPECT_EQ(p.LabelImage.Pixel(7, 3)[2], 1);  // the red byte alone, fewer than 256 objects
  EXPECT_EQ(LabelAt(p.LabelImage, -1, 0), -1);
}

TEST(AcceptExtraction, UntickedRowsAreLeftOutAndLabelsFollowTheObjects) {
  TProject p = SmallProject();
  ExtractionResult r = ExtractObjects(ThreeRegions(), NoMinimum(), 12);
  r.Rows[0].Checked = false;
  AcceptExtraction(p, r, true);
  ASSERT_EQ(p.fgObjCount(), 2);
  EXPECT_EQ(p.fgObjs[0].X1, 6);
  EXPECT_EQ(p.fgObjs[0].Name, "Object 1");
  EXPECT_EQ(p.fgObjs[1].X1, 11);
  EXPECT_EQ(p.fgObjs[1].Name, "Object 2");
  EXPECT_EQ(LabelAt(p.LabelImage, 2, 3), 2);  // the unticked region is nobody's
  EXPECT_EQ(LabelAt(p.LabelImage, 7, 3), 0);
  EXPECT_EQ(LabelAt(p.LabelImage, 12, 3), 1);
  EXPECT_EQ(p.MeshRegions[1].ObjCount, 2);
}

// The regions move one column to the right and a fourth appears. With overwrite the objects take
// the new rectangles and keep their names and planes; without, they keep their old rectangles.
// A new object always takes its rectangle, a name and the floor.
TEST(AcceptExtraction, ReextractionKeepsNamesAndParentsAndOverwritesOnRequest) {
  auto px = Rect(2, 2, 4, 5);
  for (auto q : {Rect(7, 2, 9, 5), Rect(12, 2, 14, 5), Rect(16, 8, 17, 9)})
    px.insert(px.end(), q.begin(), q.end());
  for (const bool overwrite : {true, false}) {
    SCOPED_TRACE(overwrite);
    TProject p = SmallProject();
    AcceptExtraction(p, ExtractObjects(ThreeRegions(), NoMinimum(), 12), true);
    p.fgObjs[0].Name = "Chair";
    p.fgObjs[0].Parent = kLeftWall;
    p.fgObjs[0].TexUploaded = true;
    p.Modified = false;
    AcceptExtraction(p, ExtractObjects(Mask(20, 12, px), NoMinimum(), 12), overwrite);
    ASSERT_EQ(p.fgObjCount(), 4);
    EXPECT_EQ(p.fgObjs[0].Name, "Chair");
    EXPECT_EQ(p.fgObjs[0].Parent, kLeftWall);
    EXPECT_EQ(p.fgObjs[0].X1, overwrite ? 2 : 1);
    EXPECT_EQ(p.fgObjs[2].X2, overwrite ? 14 : 13);
    EXPECT_EQ(p.fgObjs[3].Name, "Object 4");
    EXPECT_EQ(p.fgObjs[3].Parent, kFloor);
    EXPECT_EQ(p.fgObjs[3].X1, 16);
    EXPECT_EQ(p.fgObjs[3].Y2, 3);
    EXPECT_TRUE(p.Modified);  // the rectangles changed, or one object more
    EXPECT_EQ(p.MeshRegions[1].Objects[0].Name, "Chair");
    if (overwrite) {
      EXPECT_FALSE(p.fgObjs[0].TexUploaded);
    }
  }
}

TEST(AcceptExtraction, SameResultAgainLeavesModifiedAsItWas) {
  TProject p = SmallProject();
  const ExtractionResult r = ExtractObjects(ThreeRegions(), NoMinimum(), 12);
  AcceptExtraction(p, r, true);
  p.Modified = false;
  AcceptExtraction(p, r, true);
  EXPECT_FALSE(p.Modified);
  p.Modified = true;  // an earlier edit is never forgotten
  AcceptExtraction(p, r, true);
  EXPECT_TRUE(p.Modified);
}

TEST(AcceptExtraction, EmptyMaskClearsTheObjects) {
  TProject p = SmallProject();
  AcceptExtraction(p, ExtractObjects(ThreeRegions(), NoMinimum(), 12), true);
  AcceptExtraction(p, ExtractObjects(TFastBMP(20, 12), NoMinimum(), 12), true);
  EXPECT_EQ(p.fgObjCount(), 0);
  EXPECT_EQ(p.MeshRegions[1].ObjCount, 0);
  EXPECT_TRUE(p.ObjectsExtracted);
  EXPECT_EQ(LabelAt(p.LabelImage, 5, 5), 0);  // no objects: every pixel is "none" = 0
}

TEST(AcceptExtraction, InconsistentListIsRefusedWithoutChanges) {
  TProject p = SmallProject();
  ExtractionResult r = ExtractObjects(ThreeRegions(), NoMinimum(), 12);
  r.Rows[1].SpanCount = 1000;
  EXPECT_THROW(AcceptExtraction(p, r, true), Error);
  EXPECT_FALSE(p.ObjectsExtracted);
  EXPECT_EQ(p.fgObjCount(), 0);
}

}  // namespace
}  // namespace glkov
