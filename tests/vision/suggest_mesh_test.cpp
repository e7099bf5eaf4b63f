#include "core/vision/suggest_mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "core/image/picture_file.h"
#include "core/model/project.h"
#include "support/test_support.h"
#include "tools/synthetic_room.h"

namespace glkov::testing {
namespace {

using vision::MeshSuggestion;
using vision::SuggestMesh;

// The picture reduced to at most maxWidth columns (tests stay quick under the sanitizers).
TFastBMP Reduced(const TFastBMP& picture, int maxWidth) {
  if (picture.Width() <= maxWidth) return picture;
  TFastBMP out;
  const int h =
      static_cast<int>(std::lround(double(picture.Height()) * maxWidth / picture.Width()));
  picture.StretchInto(out, maxWidth, h);
  return out;
}

void ExpectInnerRectangleAroundPoint(const MeshSuggestion& s, int w, int h) {
  EXPECT_LT(s.InnerLeft, s.VanishX);
  EXPECT_GT(s.InnerRight, s.VanishX);
  EXPECT_LT(s.InnerBottom, s.VanishY);
  EXPECT_GT(s.InnerTop, s.VanishY);
  EXPECT_GE(s.InnerLeft, 0);
  EXPECT_LE(s.InnerRight, w - 1);
  EXPECT_GE(s.InnerBottom, 0);
  EXPECT_LE(s.InnerTop, h - 1);
}

// Rooms of different shapes: the ray-cast vanishing point is exact.
struct RoomCase {
  int Width, Height;
  double VanishX, VanishY, InnerLeft, InnerRight, InnerBottom, InnerTop;
};

class SuggestMeshRoom : public ::testing::TestWithParam<RoomCase> {};

TEST_P(SuggestMeshRoom, FindsTheVanishingPointAndTheRearWall) {
  const RoomCase& c = GetParam();
  synthetic::SyntheticRoomOptions o;
  o.Width = c.Width;
  o.Height = c.Height;
  o.VanishX = c.VanishX;
  o.VanishY = c.VanishY;
  o.InnerLeft = c.InnerLeft;
  o.InnerRight = c.InnerRight;
  o.InnerBottom = c.InnerBottom;
  o.InnerTop = c.InnerTop;
  o.FocalLength = FocalLengthForFieldOfView(60, c.Width);
  o.Objects.clear();
  const synthetic::SyntheticRoom room = synthetic::MakeSyntheticRoom(o);
  const MeshSuggestion s = SuggestMesh(room.Background);
  const double tolerance = 0.03 * c.Width;
  EXPECT_NEAR(s.VanishX, c.VanishX, tolerance);
  EXPECT_NEAR(s.VanishY, c.VanishY, tolerance);
  EXPECT_GT(s.Confidence, 0.5);
  EXPECT_FALSE(s.Lines.empty());
  // The rear wall's edges, not the tile rows, bricks or wall panels just beyond them.
  const double wall = 0.015 * c.Width;
  EXPECT_NEAR(s.InnerLeft, c.InnerLeft, wall);
  EXPECT_NEAR(s.InnerRight, c.InnerRight, wall);
  EXPECT_NEAR(s.InnerBottom, c.InnerBottom, wall);
  EXPECT_NEAR(s.InnerTop, c.InnerTop, wall);
  EXPECT_NEAR(s.FieldOfView, 60, 1e-9);
  EXPECT_NEAR(s.FocalLength, o.FocalLength, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Rooms, SuggestMeshRoom,
                         ::testing::Values(RoomCase{320, 240, 160, 100, 100, 220, 65, 165},
                                           RoomCase{320, 240, 120, 140, 70, 190, 90, 190},
                                           RoomCase{240, 320, 130, 120, 80, 170, 70, 200},
                                           RoomCase{640, 480, 320, 200, 200, 440, 130, 330}));

// The photographs' vanishing points, marked by hand on 4x enlargements with a 10-pixel grid and
// the lines drawn over them (full-size pixels, rows from the top while marking):
// walkway.jpg (300 x 300): three ground lines, each through two points read on its edge: the
// walkway's left border (29,299)-(79,250), its right border (140,260)-(233,299) and the near
// coping of the water channel on the right (201,261)-(290,273.6). They meet pairwise at
// (90.1,239.1), (84.6,244.5) and (112.5,248.5); the mark is the middle of that triangle,
// (95.7,244.0). The eye level agrees: the heads of the standing people, who are about as tall
// as the photographer, lie at rows 242..246.
// corn_maze.jpg (1024 x 680): the two edges of the bare soil of the path, (420,679)-(490,470)
// and (590,679)-(530,470), meet at (512,405); marked (510,410), where the rows of stalks close.
// In picture coordinates (y up) of the full-size photograph.
struct PhotoCase {
  const char* File;
  double VanishX, VanishY;
};

class SuggestMeshPhoto : public ::testing::TestWithParam<PhotoCase> {};

TEST_P(SuggestMeshPhoto, VanishingPointWithinThreePercentOfTheWidth) {
  const PhotoCase& c = GetParam();
  const std::filesystem::path file = SourceDir() / "examples/photos" / c.File;
  if (!std::filesystem::exists(file)) GTEST_SKIP() << file << " is not here";
  TFastBMP full;
  LoadPictureFile(file.string(), full);
  const TFastBMP small = Reduced(full, 320);
  const double f = double(small.Width()) / full.Width();
  const MeshSuggestion s = SuggestMesh(small);
  EXPECT_GT(s.Confidence, 0);
  // Back to the full photograph's pixels (the same mapping as the reduction: pixel centres).
  const double vx = (s.VanishX + 0.5) / f - 0.5;
  const double vy = (s.VanishY + 0.5) / f - 0.5;
  EXPECT_NEAR(vx, c.VanishX, 0.03 * full.Width());
  EXPECT_NEAR(vy, c.VanishY, 0.03 * full.Width());
  ExpectInnerRectangleAroundPoint(s, small.Width(), small.Height());
}

// The corn maze has almost no straight receding edges (its soil and rows of stalks are soft and
// ragged, its long leaves point elsewhere): its point is found from the arches around it.
INSTANTIATE_TEST_SUITE_P(Photos, SuggestMeshPhoto,
                         ::testing::Values(PhotoCase{"walkway.jpg", 95.7, 55.0},
                                           PhotoCase{"corn_maze.jpg", 510, 269}));

// Dark strokes 3 pixels wide on grey, ends in pixels with rows from the top.
struct Stroke {
  double X0, Y0, X1, Y1;
};
TFastBMP Strokes(int w, int h, const std::vector<Stroke>& strokes) {
  TFastBMP picture = FilledPicture(w, h, 190, 190, 190);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (const Stroke& s : strokes) {
        const double dx = s.X1 - s.X0, dy = s.Y1 - s.Y0;
        const double t =
            std::clamp(((x - s.X0) * dx + (y - s.Y0) * dy) / (dx * dx + dy * dy), 0., 1.);
        if (std::hypot(x - s.X0 - t * dx, y - s.Y0 - t * dy) <= 1.5)
          std::fill_n(picture.Pixel(x, y), 3, 20);
      }
  return picture;
}

// One long edge passing by, two short lines pointing at a spot on it (a junction) and six
// shorter lines converging elsewhere: neither the long edge's extension nor the junction may
// win over the converging lines.
TEST(SuggestMesh, ALongEdgeDoesNotOutweighConvergingLines) {
  const double px = 320, py = 60, qx = 10 + 190. / 3, qy = 290 - 78. / 3;
  std::vector<Stroke> strokes{{10, 290, 200, 212}};
  auto ray = [&](double x, double y, double degrees, double from, double to) {
    const double c = std::cos(degrees * std::numbers::pi / 180);
    const double s = std::sin(degrees * std::numbers::pi / 180);
    strokes.push_back({x + to * c, y + to * s, x + from * c, y + from * s});
  };
  for (const double degrees : {100., 115., 130., 145., 160., 200.}) ray(px, py, degrees, 50, 130);
  ray(qx, qy, -100, 15, 65);
  ray(qx, qy, -70, 15, 65);
  const MeshSuggestion found = SuggestMesh(Strokes(400, 300, strokes));
  EXPECT_GT(found.Confidence, 0);
  EXPECT_NEAR(found.VanishX, px, 0.03 * 400);
  EXPECT_NEAR(found.VanishY, 299 - py, 0.03 * 400);
}

bool Loaded(const std::string& library) {
  std::ifstream maps("/proc/self/maps");
  return std::string(std::istreambuf_iterator<char>(maps), {}).find(library) != std::string::npos;
}

// The fast line detector's library brings OpenCV's picture codecs (some 30 MB) and is opened for
// the first suggestion only, never by a process that just exports. (Each test runs alone.)
TEST(SuggestMesh, OpensTheLineDetectorsLibraryOnlyWhenSuggesting) {
  EXPECT_FALSE(Loaded("libopencv_ximgproc"));
  EXPECT_FALSE(Loaded("libopencv_imgcodecs"));
  SuggestMesh(Strokes(200, 150, {{10, 140, 100, 75}, {190, 140, 100, 75}}));
  EXPECT_TRUE(Loaded("libopencv_ximgproc"));
}

// Receding lines that meet on the picture's border or corner: the rear wall still lies around
// the point and inside the picture.
TEST(SuggestMesh, APointOnTheBorderKeepsTheRearWallInside) {
  struct Case {
    double X, Y;      // rows from the top
    double From, To;  // the rays' directions, degrees
  };
  for (const Case& c : {Case{200, 0, 30, 150}, Case{0, 150, -60, 60}, Case{399, 299, 190, 260}}) {
    SCOPED_TRACE(::testing::Message() << c.X << "," << c.Y);
    std::vector<Stroke> strokes;
    for (int i = 0; i < 6; ++i) {
      const double a = (c.From + (c.To - c.From) * i / 5) * std::numbers::pi / 180;
      strokes.push_back({c.X + 40 * std::cos(a), c.Y + 40 * std::sin(a), c.X + 200 * std::cos(a),
                         c.Y + 200 * std::sin(a)});
    }
    const MeshSuggestion s = SuggestMesh(Strokes(400, 300, strokes));
    EXPECT_GT(s.Confidence, 0);
    EXPECT_NEAR(s.VanishX, c.X, 0.03 * 400);
    EXPECT_NEAR(s.VanishY, 299 - c.Y, 0.03 * 400);
    ExpectInnerRectangleAroundPoint(s, 400, 300);
  }
}

// A tunnel without a straight edge: ragged rings, nearer together towards the far end, around
// a point off the centre. Found from the rings.
TEST(SuggestMesh, RaggedRingsOfATunnelGiveItsPoint) {
  const int w = 320, h = 240;
  for (const auto& [cx, cy] : {std::pair{200., 100.}, std::pair{120., 150.}}) {
    SCOPED_TRACE(::testing::Message() << cx << "," << cy);
    TFastBMP picture(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        // Cross-sections at depths 1, 2, 3, ... lie at radii 400 / depth; the angle makes them
        // wavy, the hash rough.
        const double a = std::atan2(y - cy, x - cx), r = std::hypot(x - cx, 1.3 * (y - cy));
        const double depth = 400 / std::max(r * (1 + 0.08 * std::sin(7 * a)), 1.0);
        const unsigned hash = (unsigned(x) * 73856093u) ^ (unsigned(y) * 19349663u);
        const double v = 128 + 90 * std::cos(2 * std::numbers::pi * depth) + int(hash % 41) - 20;
        std::fill_n(picture.Pixel(x, y), 3, uint8_t(std::clamp(v, 0., 255.)));
      }
    const MeshSuggestion s = SuggestMesh(picture);
    EXPECT_GT(s.Confidence, 0);
    EXPECT_NEAR(s.VanishX, cx, 0.03 * w);
    EXPECT_NEAR(s.VanishY, h - 1 - cy, 0.03 * w);
    ExpectInnerRectangleAroundPoint(s, w, h);
  }
}

// Pictures without receding lines: the default mesh, confidence 0, no error.
TEST(SuggestMesh, NoLinesGivesTheDefaultMesh) {
  for (const TFastBMP& picture :
       {FilledPicture(300, 200, 90, 120, 150), TFastBMP(300, 3), TFastBMP()}) {
    const MeshSuggestion s = SuggestMesh(picture);
    TProject defaults;
    defaults.PicWidth = picture.Width();
    defaults.PicHeight = picture.Height();
    ResetMeshDefaults(defaults);
    EXPECT_EQ(s.Confidence, 0);
    EXPECT_TRUE(s.Lines.empty());
    EXPECT_EQ(s.VanishX, defaults.VanishX);
    EXPECT_EQ(s.VanishY, defaults.VanishY);
    EXPECT_EQ(s.InnerLeft, defaults.InnerLeft);
    EXPECT_EQ(s.InnerTop, defaults.InnerTop);
  }
  // Only frontal lines (a grid of stripes) have no vanishing point either.
  TFastBMP grid = FilledPicture(200, 150, 255, 255, 255);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x)
      if (x % 25 < 3 || y % 25 < 3) std::fill_n(grid.Pixel(x, y), 3, 0);
  EXPECT_EQ(SuggestMesh(grid).Confidence, 0);
}

}  // namespace
}  // namespace glkov::testing
