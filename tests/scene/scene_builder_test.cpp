#include "core/scene/scene_builder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "core/error.h"
#include "scene/scene_fixtures.h"

namespace glkov {
namespace {

using testing::AllFinite;
using testing::DecodeTexel;
using testing::MakeObject;
using testing::MakeRoomProject;
using testing::MeshSpec;
using testing::ScriptedCallbacks;

// The projection of a scene point onto the picture, written out independently of the builder.
struct PicturePoint {
  double x;
  double y;
};
PicturePoint Project(const TProject& p, double X, double Y, double Z) {
  const double q = p.EyeDistance / (p.EyeDistance - Z);
  return {q * X * p.SceneScale + p.VanishX, (Y - p.EyeHeight) * q * p.SceneScale + p.VanishY};
}

// An object board stands upright at one depth and projects exactly onto its picture box.
void ExpectOnItsBox(const TProject& p, const TfgObj& o) {
  const std::array<int, 4> px = {o.X1, o.X2, o.X2, o.X1};
  const std::array<int, 4> py = {o.Y1, o.Y1, o.Y2, o.Y2};
  for (size_t c = 0; c < 4; ++c) {
    EXPECT_EQ(o.Z[c], o.Z[0]) << o.Name;
    const PicturePoint pt = Project(p, o.X[c], o.Y[c], o.Z[c]);
    EXPECT_NEAR(pt.x, px[c], 1e-6) << o.Name;
    EXPECT_NEAR(pt.y, py[c], 1e-6) << o.Name;
  }
}

// The scale, the eye and the rear corners of the worked example; where each board's corners
// land is the projection test's below.
TEST(BuildScene, WorkedExampleRoom300x200) {
  TProject p = MakeRoomProject();
  const RearCorners r = BuildScene(p, false);
  EXPECT_NEAR(p.SceneScale, 214.5, 1e-12);
  EXPECT_NEAR(p.EyeDistance, 1.21212, 1e-5);
  EXPECT_NEAR(p.EyeHeight, 0.461538, 1e-6);
  EXPECT_NEAR(r.Dr, 3, 1e-12);
  EXPECT_NEAR(r.XL, -0.699301, 1e-6);
  EXPECT_NEAR(r.XR, 0.699301, 1e-6);
  EXPECT_NEAR(r.Zr, -2.424242, 1e-6);
  EXPECT_NEAR(r.Yc, 0.923077, 1e-6);
  EXPECT_EQ(p.Boards[3].PX, (std::array<int, 4>{200, 100, -2, 302}));  // the ceiling's overhang
  const std::array<int, 5> textures = {512, 256, 256, 512, 128};
  for (size_t b = 0; b < 5; ++b) {
    EXPECT_EQ(p.Boards[b].TexWidth, textures[b]);
    EXPECT_EQ(p.Boards[b].TexHeight, textures[b]);
    EXPECT_EQ(p.Boards[b].Texels.size(), static_cast<size_t>(textures[b] * textures[b] * 3));
    EXPECT_FALSE(p.Boards[b].TexUploaded);
  }
}

// Meshes of different shapes: symmetric, off-centre, fractional, tall and wide pictures.
const MeshSpec kMeshes[] = {
    {},
    {640, 480, 213, 426, 160, 320, 319.5, 240, 554},
    {400, 300, 120.25, 310.5, 90.75, 240.5, 180.3, 150.6, 300},
    {200, 500, 40, 120, 150, 330, 70.5, 260, 180},
    {1000, 250, 600, 900, 60, 200, 777, 120, 1200},
};

// Every built corner projects back onto its picture point. Rear corners land on the inner
// rectangle (within half a pixel of the rounded corner). An outer corner takes its depth from its
// rounded column, so it lands on that column exactly and on the radial through its rear corner;
// along the edge it may miss the rounded picture point by the rounding of the radial, which grows
// with the distance from the vanishing point (hence the tolerance from the radial's slope).
TEST(BuildScene, CornersProjectBackOntoTheirPicturePoints) {
  for (const MeshSpec& m : kMeshes) {
    SCOPED_TRACE(::testing::Message()
                 << m.width << "x" << m.height << " V " << m.VanishX << "," << m.VanishY);
    TProject p = MakeRoomProject(m);
    BuildScene(p, false);
    const std::array<double, 4> innerX = {m.InnerLeft, m.InnerRight, m.InnerRight, m.InnerLeft};
    const std::array<double, 4> innerY = {m.InnerBottom, m.InnerBottom, m.InnerTop, m.InnerTop};
    const TBoard& rear = p.Boards[4];
    for (size_t c = 0; c < 4; ++c) {
      const PicturePoint pt = Project(p, rear.X[c], rear.Y[c], rear.Z[c]);
      EXPECT_NEAR(pt.x, innerX[c], 1e-9);
      EXPECT_NEAR(pt.y, innerY[c], 1e-9);
      EXPECT_LE(std::fabs(pt.x - rear.PX[c]), 0.5);
      EXPECT_LE(std::fabs(pt.y - rear.PY[c]), 0.5);
    }
    for (size_t b = 0; b < 4; ++b) {
      const TBoard& board = p.Boards[b];
      for (size_t c = 0; c < 2; ++c) {
        const PicturePoint pt = Project(p, board.X[c], board.Y[c], board.Z[c]);
        EXPECT_LE(std::fabs(pt.x - board.PX[c]), 0.5) << "board " << b << " corner " << c;
        EXPECT_LE(std::fabs(pt.y - board.PY[c]), 0.5) << "board " << b << " corner " << c;
      }
      for (size_t c = 2; c < 4; ++c) {
        SCOPED_TRACE(::testing::Message() << "board " << b << " corner " << c);
        const size_t through = c == 2 ? 1 : 0;  // the rear corner on the same radial
        const PicturePoint pt = Project(p, board.X[c], board.Y[c], board.Z[c]);
        const PicturePoint rc = Project(p, board.X[through], board.Y[through], board.Z[through]);
        // Exactly on the picture's edge (a floor or ceiling a fraction short of its row left the
        // frame's edge row black); along the edge within the rounding of the rear corners.
        const bool row = b == 0 || b == 3;
        EXPECT_NEAR(row ? pt.y : pt.x, row ? board.PY[c] : board.PX[c], 1e-6);
        const double cross =
            (rc.x - m.VanishX) * (pt.y - m.VanishY) - (rc.y - m.VanishY) * (pt.x - m.VanishX);
        EXPECT_NEAR(cross / std::hypot(pt.x - m.VanishX, pt.y - m.VanishY), 0, 1e-6);
        const double dx = std::fabs(board.PX[through] - m.VanishX);
        const double dy = std::fabs(board.PY[through] - m.VanishY);
        const double reach = std::max(std::fabs(board.PX[c] - m.VanishX) / dx,
                                      std::fabs(board.PY[c] - m.VanishY) / dy);
        const double slope = std::max(dx / dy, dy / dx);
        EXPECT_NEAR(row ? pt.x : pt.y, row ? board.PX[c] : board.PY[c], 1 + reach * (1 + slope));
      }
    }
    // Outer corners leave the picture at the edge of their plane.
    EXPECT_EQ(p.Boards[0].PY[2], 0);
    EXPECT_EQ(p.Boards[1].PX[2], m.width - 1);
    EXPECT_EQ(p.Boards[2].PX[3], 0);
    EXPECT_EQ(p.Boards[3].PY[3], m.height - 1);
    EXPECT_TRUE(AllFinite(p));
  }
}

TEST(BuildScene, PlaneTexelsShowTheBackgroundWhereTheyProject) {
  for (const MeshSpec& m : kMeshes) {
    TProject p = MakeRoomProject(m);
    BuildScene(p, false);
    int sampled = 0;
    for (const TBoard& board : p.Boards) {
      const int t = board.TexWidth;
      for (int j = 0; j < t; j += 7) {
        for (int i = 0; i < t; i += 5) {
          const double a = double(i) / (t - 1), b = double(j) / (t - 1);
          const double X =
              board.X[2] + a * (board.X[1] - board.X[2]) + b * (board.X[3] - board.X[2]);
          const double Y =
              board.Y[2] + a * (board.Y[1] - board.Y[2]) + b * (board.Y[3] - board.Y[2]);
          const double Z =
              board.Z[2] + a * (board.Z[1] - board.Z[2]) + b * (board.Z[3] - board.Z[2]);
          const PicturePoint pt = Project(p, X, Y, Z);
          const double row = m.height - 1 - pt.y;
          const uint8_t* texel = &board.Texels[static_cast<size_t>(j * t + i) * 3];
          int x = 0, r = 0;
          if (DecodeTexel(texel, &x, &r)) {
            ++sampled;
            EXPECT_NEAR(x, pt.x, 0.5 + 1e-6);
            EXPECT_NEAR(r, row, 0.5 + 1e-6);
          } else {
            // Black only where the point falls outside the picture.
            EXPECT_TRUE(pt.x < 0.5 || pt.x > m.width - 1.5 || row < 0.5 || row > m.height - 1.5)
                << pt.x << "," << row;
          }
        }
      }
    }
    EXPECT_GT(sampled, 1000);
  }
}

TEST(BuildScene, NegativeTexelsAreInvertedAndOutsideStaysBlack) {
  TProject plain = MakeRoomProject();
  TProject negative = MakeRoomProject();
  BuildScene(plain, false);
  BuildScene(negative, true);
  for (size_t b = 0; b < 5; ++b) {
    const std::vector<uint8_t>& a = plain.Boards[b].Texels;
    const std::vector<uint8_t>& n = negative.Boards[b].Texels;
    ASSERT_EQ(a.size(), n.size());
    for (size_t i = 0; i < a.size(); i += 3) {
      const bool outside = a[i] == 0 && a[i + 1] == 0 && a[i + 2] == 0;
      for (size_t c = 0; c < 3; ++c) {
        EXPECT_EQ(n[i + c], outside ? 0 : 255 - a[i + c]) << "board " << b << " byte " << i;
      }
    }
  }
}

TEST(ComputeSceneScale, MeanOverAllEntriesIncludingTheWindow) {
  TProject p = MakeRoomProject();
  EXPECT_DOUBLE_EQ(ComputeSceneScale(p), 214.5);
  TMeshRegion second = p.MeshRegions[1];
  second.Left = 50;
  second.Right = 149;  // |Left - Right| - VanishX < VanishX: the maximum is VanishX
  second.VanishX = 30;
  second.VanishY = 400;
  p.MeshRegions.push_back(second);
  EXPECT_DOUBLE_EQ(ComputeSceneScale(p), (279 + 150 + 400) / 3.0);
}

struct DegenerateCase {
  const char* what;
  MeshSpec mesh;
  const char* message;  // a part of the message
};

const DegenerateCase kDegenerate[] = {
    {"vanishing point at the rear wall's bottom",
     {300, 200, 100, 200, 99, 132, 150, 99, 260},
     "rear wall"},
    {"vanishing point below the rear wall",
     {300, 200, 100, 200, 66, 132, 150, 50, 260},
     "rear wall"},
    {"rear wall on the bottom row", {300, 200, 100, 200, 0, 132, 150, 99, 260}, "rear wall"},
    {"rear wall below the picture", {300, 200, 100, 200, -20, 132, 150, 99, 260}, "rear wall"},
    {"vanishing point on the bottom row", {300, 200, 100, 200, 0, 132, 150, 0, 260}, "rear wall"},
    {"bottom corners rounded onto the horizon",
     {300, 200, 100, 200, 98.6, 132, 150, 99, 260},
     "bottom-right corner of the inner rectangle lies at the height of the vanishing point"},
    {"top edge at the horizon",
     {300, 200, 100, 200, 66, 99, 150, 99, 260},
     "top-left corner of the inner rectangle lies at the height of the vanishing point, so the "
     "Ceiling"},
    {"right edge in the vanishing point's column",
     {300, 200, 100, 150, 66, 132, 150, 99, 260},
     "column of the vanishing point"},
    {"left edge in the vanishing point's column",
     {300, 200, 150, 200, 66, 132, 150, 99, 260},
     "column of the vanishing point"},
    {"vanishing point on the left column",
     {300, 200, -10, 200, 66, 132, 0, 99, 260},
     "column of the vanishing point, so the Left Wall"},
    {"radial nearly parallel to the bottom row",
     {300, 200, 100, 200, 98.6, 132, 150, 99 + 1e-12, 260},
     "nearly parallel"},
    {"no focal length", {300, 200, 100, 200, 66, 132, 150, 99, 0}, "focal length"},
    {"negative focal length", {300, 200, 100, 200, 66, 132, 150, 99, -5}, "focal length"},
};

TEST(BuildScene, DegenerateMeshesAreRefusedWithAMessageAndChangeNothing) {
  for (const DegenerateCase& c : kDegenerate) {
    SCOPED_TRACE(c.what);
    TProject p = MakeRoomProject(c.mesh);
    p.fgObjs.push_back(MakeObject("Object 1", 120, 10, 140, 40, kFloor));
    const TProject before = p;
    EXPECT_THAT(testing::ErrorOf([&] { MakeScene(p); }),
                ::testing::AllOf(::testing::StartsWith("Cannot make the 3D scene: "),
                                 ::testing::HasSubstr(c.message)));
    EXPECT_EQ(p.SceneScale, before.SceneScale);
    EXPECT_EQ(p.EyeDistance, before.EyeDistance);
    EXPECT_EQ(p.Boards[0].TexWidth, 0);
    EXPECT_TRUE(p.Boards[0].Texels.empty());
    EXPECT_FALSE(p.SceneMade);
    EXPECT_TRUE(AllFinite(p));
  }
}

// Meshes and objects drawn at random (often on the same integers, so that edges meet the
// vanishing point): the scene is either refused with a message or built without a NaN.
TEST(MakeScene, RandomMeshesGiveAMessageOrFiniteNumbers) {
  std::mt19937 rng(12345);
  const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  int built = 0, refused = 0;
  for (int n = 0; n < 400; ++n) {
    MeshSpec m;
    m.width = pick(2, 60);
    m.height = pick(2, 60);
    const auto coord = [&](int size) {
      return pick(0, 3) == 0 ? pick(-size, 2 * size) : pick(-size, 2 * size) + pick(0, 4) / 4.0;
    };
    m.InnerLeft = coord(m.width);
    m.InnerRight = coord(m.width);
    m.InnerBottom = coord(m.height);
    m.InnerTop = coord(m.height);
    m.VanishX = pick(0, 2) == 0 ? m.InnerLeft : coord(m.width);
    m.VanishY = pick(0, 2) == 0 ? m.InnerTop : coord(m.height);
    m.FocalLength = pick(-1, 100);
    TProject p = MakeRoomProject(m);
    for (int k = 0; k < 4; ++k) {
      p.fgObjs.push_back(MakeObject("Object", pick(-5, m.width + 5), pick(-5, m.height + 5),
                                    pick(-5, m.width + 5), pick(-5, m.height + 5), pick(0, 6)));
    }
    ScriptedCallbacks ui;
    try {
      MakeScene(p, {}, ui);
      ++built;
      ASSERT_TRUE(AllFinite(p)) << n;
      for (const TBoard& b : p.Boards) {
        ASSERT_EQ(b.Texels.size(), static_cast<size_t>(b.TexWidth) * b.TexWidth * 3);
      }
      for (const TfgObj& o : p.fgObjs) {
        ASSERT_EQ(o.Texels.size(), static_cast<size_t>(o.TexWidth) * o.TexWidth * 4);
      }
    } catch (const Error& e) {
      ++refused;
      ASSERT_EQ(std::string(e.what()).rfind("Cannot make the 3D scene: ", 0), 0u) << e.what();
      ASSERT_FALSE(p.SceneMade);
    }
  }
  EXPECT_GT(built, 20);
  EXPECT_GT(refused, 20);
}

TEST(BuildScene, RefusesProjectsWithoutSubScenesOrPicture) {
  TProject noRegions = MakeRoomProject();
  noRegions.MeshRegions.clear();
  EXPECT_THROW(BuildScene(noRegions, false), Error);
  TProject noPicture = MakeRoomProject();
  noPicture.PicWidth = noPicture.PicHeight = 0;
  EXPECT_THROW(BuildScene(noPicture, false), Error);
  TProject zeroScale = MakeRoomProject();
  for (TMeshRegion& r : zeroScale.MeshRegions) r = TMeshRegion{};
  EXPECT_THROW(BuildScene(zeroScale, false), Error);
}

// Every object board stands upright at one depth and projects exactly onto its picture box.
TEST(BuildObjectBoards, ObjectCornersProjectOntoTheirBoxes) {
  for (const MeshSpec& m : kMeshes) {
    TProject p = MakeRoomProject(m);
    const int w = m.width, h = m.height;
    p.fgObjs = {
        MakeObject("floor", w / 10, h / 20, w / 5, h / 4, kFloor),
        MakeObject("ceiling", w / 3, h / 2 + h / 5, w / 2, h - h / 20, kCeiling),
        MakeObject("left", w / 50, h / 3, w / 12, h / 2, kLeftWall),
        MakeObject("right", w - w / 8, h / 3, w - w / 50, h / 2, kRightWall),
        MakeObject("rear", static_cast<int>(m.InnerLeft) + 2, static_cast<int>(m.InnerBottom) + 2,
                   static_cast<int>(m.InnerLeft) + 12, static_cast<int>(m.InnerBottom) + 20,
                   kRearWall),
    };
    const RearCorners r = BuildScene(p, false);
    ScriptedCallbacks ui;
    BuildObjectBoards(p, r, ui);
    EXPECT_TRUE(ui.Warnings.empty());
    for (const TfgObj& o : p.fgObjs) ExpectOnItsBox(p, o);
    EXPECT_EQ(p.fgObjs[0].Y[0], 0);     // on the floor
    EXPECT_EQ(p.fgObjs[1].Y[2], r.Yc);  // under the ceiling
    EXPECT_EQ(p.fgObjs[2].X[0], r.XL);  // against the left wall
    EXPECT_EQ(p.fgObjs[3].X[1], r.XR);  // against the right wall
    // Flat on the rear wall, one picture pixel in front of it.
    EXPECT_NEAR(p.fgObjs[4].Z[0], r.Zr + 1 / p.SceneScale, 1e-9);
    EXPECT_TRUE(AllFinite(p));
  }
}

// Objects that cannot stand on their plane, each with a warning that names it: left out (nothing
// to draw) when an edge lies at the vanishing point's height or column or there is no plane;
// placed on the rear wall when the foot meets the floor only behind it (hidden behind something
// low) or above the horizon. The records keep their planes.
TEST(BuildObjectBoards, ObjectsThatCannotStandAreLeftOutOrPlacedOnTheRearWall) {
  struct Case {
    TfgObj object;
    bool onRearWall;
    const char* warning;
  };
  // Inner rectangle 100..200 x 66..132, vanishing point (150, 99).
  const Case cases[] = {
      {MakeObject("floor at horizon", 20, 99, 60, 120, kFloor), false,
       "Object 'floor at horizon' is left out of the 3D scene: its bottom edge lies at the "
       "height of the vanishing point."},
      {MakeObject("ceiling at horizon", 20, 50, 60, 99, kCeiling), false, "'ceiling at horizon'"},
      {MakeObject("left", 150, 50, 160, 90, kLeftWall), false, "left edge lies in the column"},
      {MakeObject("right", 140, 50, 150, 90, kRightWall), false, "right edge lies in the column"},
      {MakeObject("no plane", 20, 10, 60, 80, 0), false, "no plane (Parent 0)"},
      {MakeObject("bad plane", 20, 10, 60, 80, 9), false, "(Parent 9)"},
      {MakeObject("post", 120, 80, 130, 120, kFloor), true,  // foot above the rear wall's bottom
       "Object 'post' is placed on the rear wall: its box puts it behind the rear wall of the 3D "
       "scene."},
      {MakeObject("lamp", 160, 110, 170, 125, kFloor), true, "'lamp'"},  // foot above the horizon
      {MakeObject("shelf", 105, 70, 115, 100, kLeftWall), true, "'shelf'"},  // right of the wall
  };
  TProject p = MakeRoomProject();
  // A good object, and one whose foot is on the rear wall's bottom edge.
  p.fgObjs = {MakeObject("good", 20, 10, 60, 80, kFloor),
              MakeObject("chair", 150, 30, 170, 66, kFloor)};
  for (const Case& c : cases) p.fgObjs.push_back(c.object);
  ScriptedCallbacks ui;
  const RearCorners r = MakeScene(p, {}, ui);
  ASSERT_EQ(ui.Warnings.size(), std::size(cases));
  ExpectOnItsBox(p, p.fgObjs[0]);
  ExpectOnItsBox(p, p.fgObjs[1]);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const TfgObj& o = p.fgObjs[i + 2];
    EXPECT_THAT(ui.Warnings[i], ::testing::HasSubstr(cases[i].warning));
    EXPECT_EQ(o.Parent, cases[i].object.Parent);
    if (cases[i].onRearWall) {
      EXPECT_NEAR(o.Z[0], r.Zr + 1 / p.SceneScale, 1e-9) << o.Name;
      ExpectOnItsBox(p, o);
    } else {
      EXPECT_EQ(o.X, (std::array<double, 4>{})) << o.Name;
      EXPECT_EQ(o.Z, (std::array<double, 4>{})) << o.Name;
    }
  }
  EXPECT_TRUE(AllFinite(p));
  EXPECT_TRUE(p.SceneMade);
}

TEST(GrowPlaneBoards, EveryPlaneGrowsOnePixelOutward) {
  TProject p = MakeRoomProject();
  const RearCorners r = BuildScene(p, false);
  const std::array<TBoard, 5> before = p.Boards;
  BuildObjectBoards(p, r);
  const double g = 1 / 214.5;
  const auto delta = [&](size_t b, const std::array<double, 4> TBoard::*axis) {
    std::array<double, 4> d{};
    for (size_t c = 0; c < 4; ++c) d[c] = (p.Boards[b].*axis)[c] - (before[b].*axis)[c];
    return d;
  };
  const auto expect = [&](std::array<double, 4> got, std::array<double, 4> want) {
    for (size_t c = 0; c < 4; ++c) EXPECT_NEAR(got[c], want[c], 1e-12) << "corner " << c;
  };
  for (size_t b = 0; b < 4; ++b) expect(delta(b, &TBoard::Z), {-g, -g, g, g});
  expect(delta(0, &TBoard::X), {-g, g, g, -g});
  expect(delta(0, &TBoard::Y), {0, 0, 0, 0});
  expect(delta(1, &TBoard::Y), {-g, g, g, -g});
  expect(delta(1, &TBoard::X), {0, 0, 0, 0});
  expect(delta(2, &TBoard::Y), {g, -g, -g, g});
  expect(delta(3, &TBoard::X), {g, -g, -g, g});
  expect(delta(4, &TBoard::X), {-g, g, g, -g});
  expect(delta(4, &TBoard::Y), {-g, -g, g, g});
  expect(delta(4, &TBoard::Z), {0, 0, 0, 0});
  for (size_t b = 0; b < 5; ++b) EXPECT_EQ(p.Boards[b].Texels, before[b].Texels);
}

TEST(SortObjectsByDepth, FarToNearAndEqualDepthsKeepTheirOrder) {
  TProject p = MakeRoomProject();
  p.fgObjs = {
      MakeObject("near", 10, 5, 20, 30, kFloor),    MakeObject("far A", 30, 60, 40, 90, kFloor),
      MakeObject("middle", 50, 30, 60, 50, kFloor), MakeObject("far B", 70, 60, 80, 90, kFloor),
      MakeObject("far C", 90, 60, 95, 70, kFloor),
  };
  MakeScene(p);
  std::vector<std::string> order;
  for (const TfgObj& o : p.fgObjs) order.push_back(p.fgObjs[static_cast<size_t>(o.DrawOrder)].Name);
  EXPECT_EQ(order, (std::vector<std::string>{"far A", "far B", "far C", "middle", "near"}));
}

// The mask and label image of two objects: object 0 is a filled box, object 1 overlaps it.
TProject ObjectTextureProject() {
  TProject p = MakeRoomProject();
  p.fgObjs = {MakeObject("Object 1", 20, 10, 40, 30, kFloor),
              MakeObject("Object 2", 30, 20, 60, 50, kFloor)};
  for (int row = 0; row < 200; ++row) {
    for (int x = 0; x < 300; ++x) p.IMask_r.Pixel(x, row)[2] = static_cast<uint8_t>(x);
  }
  return p;
}

TEST(BuildObjectTextures, ColoursFromTheOriginalAndRowZeroIsTheBottomRow) {
  TProject p = ObjectTextureProject();
  BuildObjectTextures(p, false);
  const TfgObj& o = p.fgObjs[0];
  ASSERT_EQ(o.TexWidth, 32);  // 20 x 20 pixels
  ASSERT_EQ(o.Texels.size(), 32u * 32 * 4);
  int x = 0, row = 0;
  // Texel (j, i) reads row Round(-20 j / 31 + 189) and column Round(20 i / 31 + 20): the first
  // texel is picture (20, 10), the last (40, 30).
  for (int j = 0; j < 32; ++j) {
    for (int i = 0; i < 32; ++i) {
      ASSERT_TRUE(DecodeTexel(&o.Texels[static_cast<size_t>(j * 32 + i) * 4], &x, &row));
      EXPECT_EQ(x, static_cast<int>(std::nearbyint(20.0 * i / 31 + 20)));
      EXPECT_EQ(row, static_cast<int>(std::nearbyint(-20.0 * j / 31 + 189)));
    }
  }
  TProject negative = ObjectTextureProject();
  BuildObjectTextures(negative, true);
  for (size_t i = 0; i < o.Texels.size(); ++i) {
    if (i % 4 == 3) {
      EXPECT_EQ(negative.fgObjs[0].Texels[i], o.Texels[i]);  // alpha is not a colour
    } else {
      EXPECT_EQ(negative.fgObjs[0].Texels[i], 255 - o.Texels[i]);
    }
  }
}

// Every texel of an object has the alpha given for its picture column (the mask's red).
void ExpectAlphaByColumn(const TfgObj& o, const std::function<int(int)>& alpha) {
  int x = 0, row = 0;
  for (size_t i = 0; i < o.Texels.size(); i += 4) {
    ASSERT_TRUE(DecodeTexel(&o.Texels[i], &x, &row));
    ASSERT_EQ(o.Texels[i + 3], alpha(x)) << o.Name << ", column " << x;
  }
}

TEST(BuildObjectTextures, AlphaFromTheMaskWhereTheLabelImageNamesTheObject) {
  TProject p = ObjectTextureProject();
  p.LabelImage.SetSize(300, 200);  // all red 0: every pixel belongs to object 0
  for (int row = 0; row < 200; ++row) p.LabelImage.Pixel(35, row)[2] = 1;  // column 35: object 1
  BuildObjectTextures(p, false);
  ExpectAlphaByColumn(p.fgObjs[0], [](int x) { return x == 35 ? 0 : x; });
  ExpectAlphaByColumn(p.fgObjs[1], [](int x) { return x == 35 ? 35 : 0; });
}

// Labels beyond 255 continue in the green and blue bytes.
TEST(BuildObjectTextures, LabelsBeyond255) {
  TProject p = ObjectTextureProject();
  p.fgObjs.resize(258, MakeObject("small", 290, 5, 295, 8, kFloor));
  p.fgObjs[256] = MakeObject("Object 257", 20, 10, 40, 30, kFloor);  // the box of object 0
  p.LabelImage.SetSize(300, 200);
  for (int row = 0; row < 200; ++row) {
    for (int x = 0; x < 300; ++x) p.LabelImage.Pixel(x, row)[1] = 1;  // 256 everywhere
  }
  BuildObjectTextures(p, false);
  ExpectAlphaByColumn(p.fgObjs[0], [](int) { return 0; });
  ExpectAlphaByColumn(p.fgObjs[256], [](int x) { return x; });
}

// Without a label image, or with one left from an extraction that is no longer accepted, the
// alpha is where the mask's red equals the object's index.
TEST(BuildObjectTextures, WithoutAcceptedLabelImageAlphaWhereTheMaskEqualsTheIndex) {
  for (const bool stale : {false, true}) {
    SCOPED_TRACE(stale ? "stale label image" : "no label image");
    TProject p = ObjectTextureProject();  // mask red = column
    p.fgObjs[1] = MakeObject("Object 2", 0, 20, 30, 50, kFloor);
    if (stale) {
      p.LabelImage.SetSize(300, 200);  // would give object 0 every pixel
      p.ObjectsExtracted = false;
    }
    BuildObjectTextures(p, false);
    for (int o = 0; o < 2; ++o) {
      ExpectAlphaByColumn(p.fgObjs[static_cast<size_t>(o)], [o](int x) { return x == o ? o : 0; });
    }
  }
}

TEST(BuildObjectTextures, BoxesReachingOutsideThePictureReadOnlyInside) {
  TProject p = MakeRoomProject();
  p.fgObjs = {MakeObject("outside", -50, 250, 350, -40, kFloor),
              MakeObject("far away", -2000000000, 2000000000, 2000000000, -2000000000, kFloor)};
  BuildObjectTextures(p, false);
  EXPECT_EQ(p.fgObjs[0].TexWidth, 512);
  EXPECT_EQ(p.fgObjs[1].TexWidth, 1024);
  int inside = 0, x = 0, row = 0;
  for (size_t i = 0; i < p.fgObjs[0].Texels.size(); i += 4) {
    if (DecodeTexel(&p.fgObjs[0].Texels[i], &x, &row)) ++inside;
  }
  EXPECT_GT(inside, 0);
  EXPECT_LT(inside, 512 * 512);
}

TEST(MakeScene, BuildsEverythingAndPutsTheCameraAtTheEye) {
  TProject p = MakeRoomProject();
  p.fgObjs = {MakeObject("Object 1", 20, 10, 60, 80, kFloor)};
  p.TransitionMode = true;
  const RearCorners r = MakeScene(p);
  EXPECT_TRUE(p.SceneMade);
  EXPECT_FALSE(p.TransitionMode);
  EXPECT_EQ(p.Camera.CamPos, (Vec3{0, p.EyeHeight, p.EyeDistance}));
  EXPECT_EQ(p.Camera.CamDir, (Vec3{0, 0, -1}));
  EXPECT_EQ(p.Camera.CamUp, (Vec3{0, 1, 0}));
  EXPECT_EQ(p.fgObjs[0].TexWidth, 128);
  EXPECT_EQ(p.fgObjs[0].DrawOrder, 0);
  // Seams grown: the floor's rear corners one pixel behind the rear wall.
  EXPECT_NEAR(p.Boards[0].Z[0], r.Zr - 1 / 214.5, 1e-12);
}

// Before the first Make the scale comes from the sub-scenes; then the board spans the picture at
// the scale of the last Make.
TEST(BuildPictureBoard, WholePictureFlatAtZeroWithTopRowFirst) {
  TProject p = MakeRoomProject();
  BuildPictureBoard(p, false);
  EXPECT_DOUBLE_EQ(p.SceneScale, 214.5);
  EXPECT_DOUBLE_EQ(p.EyeDistance, 260 / 214.5);
  EXPECT_DOUBLE_EQ(p.Boards[0].X[1], 300 / 214.5);
  p.IOriginal.SetSize(600, 400);
  testing::FillPositionPattern(p.IOriginal);
  p.SceneScale = 200;
  BuildPictureBoard(p, false);
  const TBoard& b = p.Boards[0];
  EXPECT_EQ(b.X, (std::array<double, 4>{0, 3, 3, 0}));
  EXPECT_EQ(b.Y, (std::array<double, 4>{0, 0, 2, 2}));
  EXPECT_EQ(b.Z, (std::array<double, 4>{0, 0, 0, 0}));
  EXPECT_EQ(b.TexWidth, 1024);
  EXPECT_EQ(b.TexHeight, 1024);
  int x = 0, row = 0;
  ASSERT_TRUE(DecodeTexel(&b.Texels[0], &x, &row));
  EXPECT_EQ(x, 0);
  EXPECT_EQ(row, 0);
  ASSERT_TRUE(DecodeTexel(&b.Texels[(1023 * 1024 + 1023) * 3], &x, &row));
  EXPECT_EQ(x, 599);
  EXPECT_EQ(row, 399);
  BuildPictureBoard(p, true);
  EXPECT_EQ(p.Boards[0].Texels[0], 255 - 0);  // red of column 0
  EXPECT_TRUE(AllFinite(p));
}

}  // namespace
}  // namespace glkov
