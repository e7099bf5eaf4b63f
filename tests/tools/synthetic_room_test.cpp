#include "tools/synthetic_room.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "core/error.h"
#include "core/image/picture_file.h"
#include "core/model/project.h"
#include "support/test_support.h"

namespace glkov::synthetic {
namespace {

using glkov::testing::ReadFile;
using glkov::testing::TempDir;

// The default room is cast once; every test reads it.
const SyntheticRoom& DefaultRoom() {
  static const SyntheticRoom room = MakeSyntheticRoom();
  return room;
}

bool IsWhite(const TFastBMP& bmp, int x, int row) {
  const uint8_t* p = bmp.Pixel(x, row);
  return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

bool SamePixel(const TFastBMP& a, const TFastBMP& b, int x, int row) {
  return std::equal(a.Pixel(x, row), a.Pixel(x, row) + 3, b.Pixel(x, row));
}

// A 3D point of the room (picture-pixel units) in scene units, x from the vanishing point.
Vec3 ToScene(const SyntheticRoom& room, const Vec3& p) {
  const double u = room.SceneScale;
  return {(p.x - room.Options.VanishX) / u, p.y / u, p.z / u};
}

// Projects a scene point to picture coordinates as the scene construction does.
std::pair<double, double> Project(const SyntheticRoom& room, const Vec3& s) {
  const double q = room.EyeDistance / (room.EyeDistance - s.z);
  return {q * s.x * room.SceneScale + room.Options.VanishX,
          (s.y - room.EyeHeight) * q * room.SceneScale + room.Options.VanishY};
}

TEST(RoomGeometry, WorkedExample300x200) {
  SyntheticRoomOptions o;
  o.Width = 300;
  o.Height = 200;
  o.VanishX = 150;
  o.VanishY = 99;
  o.InnerLeft = 100;
  o.InnerRight = 200;
  o.InnerBottom = 66;
  o.InnerTop = 132;
  o.FocalLength = 260;
  const RoomGeometry g = ComputeRoomGeometry(o);
  TMeshRegion window;
  window.Left = window.Top = 10;
  window.Right = 289;
  window.Bottom = 189;
  TMeshRegion region;
  region.Right = 299;
  region.Bottom = 199;
  region.VanishX = 150;
  region.VanishY = 99;
  const double u = SceneScaleOf({window, region});
  EXPECT_DOUBLE_EQ(u, 214.5);
  EXPECT_DOUBLE_EQ(g.RearDepth, 3.0);
  EXPECT_NEAR((g.LeftX - o.VanishX) / u, -0.699301, 1e-6);
  EXPECT_NEAR((g.RightX - o.VanishX) / u, 0.699301, 1e-6);
  EXPECT_NEAR(g.RearZ / u, -2.424242, 1e-6);
  EXPECT_NEAR(g.CeilingY / u, 0.923077, 1e-6);
  EXPECT_NEAR(o.FocalLength / u, 1.21212, 1e-5);
}

TEST(RoomGeometry, DefaultRoomSceneValues) {
  const SyntheticRoom& room = DefaultRoom();
  // Window (10, 10, 629, 469): max(0, 0, 619, 459) = 619; Region 1: max(320, 200, 319, 279).
  EXPECT_DOUBLE_EQ(room.SceneScale, (619.0 + 320.0) / 2);
  EXPECT_DOUBLE_EQ(room.EyeHeight, 200 / 469.5);
  EXPECT_DOUBLE_EQ(room.EyeDistance, 554 / 469.5);
  EXPECT_DOUBLE_EQ(room.Geometry.RearDepth, 200.0 / 70.0);
}

TEST(SyntheticRoomRays, FloorPixelsProjectBackOntoTheFloor) {
  const SyntheticRoom& room = DefaultRoom();
  int floorPixels = 0;
  for (int y = 0; y < 130; y += 7) {
    for (int x = 0; x < room.Options.Width; x += 11) {
      const RayHit hit = CastRay(room.Options, room.Geometry, x, y, false);
      if (hit.surface != Surface::kFloor) continue;  // a wall near the picture's side
      ++floorPixels;
      const Vec3 s = ToScene(room, hit.point);
      EXPECT_EQ(s.y, 0.0);
      const auto [px, py] = Project(room, s);
      EXPECT_NEAR(px, x, 1e-9);
      EXPECT_NEAR(py, y, 1e-9);
    }
  }
  EXPECT_GT(floorPixels, 500);
}

TEST(SyntheticRoomRays, BottomRowMeetsThePicturePlane) {
  const SyntheticRoom& room = DefaultRoom();
  for (int x : {0, 200, 320, 639}) {
    const RayHit hit = CastRay(room.Options, room.Geometry, x, 0, false);
    EXPECT_EQ(hit.surface, Surface::kFloor);
    EXPECT_DOUBLE_EQ(hit.depth, 1.0);
    EXPECT_NEAR(hit.point.z, 0.0, 1e-12);
    EXPECT_NEAR(hit.point.x, x, 1e-12);
  }
}

TEST(SyntheticRoomRays, EveryHitLiesOnItsPlaneAndMatchesTheSceneFormula) {
  const SyntheticRoom& room = DefaultRoom();
  const SyntheticRoomOptions& o = room.Options;
  const double u = room.SceneScale;
  const double dr = room.Geometry.RearDepth;
  // The planes as the scene construction derives them from the mesh, in scene units.
  const double xl = (o.InnerLeft - o.VanishX) / u * dr;
  const double xr = (o.InnerRight - o.VanishX) / u * dr;
  const double yc = room.EyeHeight + dr * (o.InnerTop - o.VanishY) / u;
  const double zr = room.EyeDistance * (1 - dr);
  int seen[7] = {};
  for (int y = 0; y < o.Height; y += 5) {
    for (int x = 0; x < o.Width; x += 5) {
      const RayHit hit = CastRay(o, room.Geometry, x, y, false);
      ++seen[static_cast<int>(hit.surface)];
      const Vec3 s = ToScene(room, hit.point);
      // A picture point seen at depth factor D.
      const double d = hit.depth;
      EXPECT_NEAR(s.x, (x - o.VanishX) / u * d, 1e-9);
      EXPECT_NEAR(s.y, room.EyeHeight + (y - o.VanishY) / u * d, 1e-9);
      EXPECT_NEAR(s.z, room.EyeDistance * (1 - d), 1e-9);
      switch (hit.surface) {
        case Surface::kFloor:
          EXPECT_NEAR(s.y, 0, 1e-12);
          break;
        case Surface::kLeftWall:
          EXPECT_NEAR(s.x, xl, 1e-9);
          break;
        case Surface::kRightWall:
          EXPECT_NEAR(s.x, xr, 1e-9);
          break;
        case Surface::kCeiling:
          EXPECT_NEAR(s.y, yc, 1e-9);
          break;
        case Surface::kRearWall:
          EXPECT_NEAR(s.z, zr, 1e-9);
          break;
        default:
          ADD_FAILURE() << "no surface at " << x << "," << y;
      }
      // Inside the box.
      EXPECT_GE(s.x, xl - 1e-9);
      EXPECT_LE(s.x, xr + 1e-9);
      EXPECT_GE(s.y, -1e-9);
      EXPECT_LE(s.y, yc + 1e-9);
      EXPECT_GE(s.z, zr - 1e-9);
    }
  }
  for (int s = 1; s <= 5; ++s) EXPECT_GT(seen[s], 100) << "surface " << s;
}

// Just inside each corner of the inner rectangle the ray meets the rear wall; just outside it,
// across each edge, the plane that edge borders.
TEST(SyntheticRoomRays, InnerRectangleCornersAreWhereTheRearWallMeetsThePlanes) {
  const SyntheticRoom& room = DefaultRoom();
  const SyntheticRoomOptions& o = room.Options;
  struct Corner {
    double x, y;                   // the corner
    double sx, sy;                 // direction into the rear wall
    Surface vertical, horizontal;  // across the corner's horizontal / vertical edge
  };
  const Corner corners[] = {
      {o.InnerLeft, o.InnerBottom, 1, 1, Surface::kFloor, Surface::kLeftWall},
      {o.InnerRight, o.InnerBottom, -1, 1, Surface::kFloor, Surface::kRightWall},
      {o.InnerRight, o.InnerTop, -1, -1, Surface::kCeiling, Surface::kRightWall},
      {o.InnerLeft, o.InnerTop, 1, -1, Surface::kCeiling, Surface::kLeftWall},
  };
  const double e = 0.01;
  for (const Corner& c : corners) {
    SCOPED_TRACE(::testing::Message() << "corner " << c.x << "," << c.y);
    EXPECT_EQ(CastRay(o, room.Geometry, c.x + c.sx * e, c.y + c.sy * e, false).surface,
              Surface::kRearWall);
    EXPECT_EQ(CastRay(o, room.Geometry, c.x + c.sx * 5, c.y - c.sy * e, false).surface, c.vertical);
    EXPECT_EQ(CastRay(o, room.Geometry, c.x - c.sx * e, c.y + c.sy * 5, false).surface,
              c.horizontal);
    // The corner itself is the rear wall's corner, which projects back onto it.
    const RayHit hit = CastRay(o, room.Geometry, c.x, c.y, false);
    EXPECT_DOUBLE_EQ(hit.depth, room.Geometry.RearDepth);
    const Vec3 s = ToScene(room, hit.point);
    const auto [px, py] = Project(room, s);
    EXPECT_NEAR(px, c.x, 1e-9);
    EXPECT_NEAR(py, c.y, 1e-9);
    EXPECT_TRUE(std::abs(hit.point.y) < 1e-9 ||
                std::abs(hit.point.y - room.Geometry.CeilingY) < 1e-9);
    EXPECT_TRUE(std::abs(hit.point.x - room.Geometry.LeftX) < 1e-9 ||
                std::abs(hit.point.x - room.Geometry.RightX) < 1e-9);
  }
}

// 4-connected regions of white pixels in the mask, found here by a plain breadth-first fill,
// in the order a row scan from the top meets them.
struct Region {
  int minX = std::numeric_limits<int>::max(), maxX = -1;
  int minRow = std::numeric_limits<int>::max(), maxRow = -1;
};
std::vector<Region> MaskRegions(const TFastBMP& mask) {
  const int w = mask.Width(), h = mask.Height();
  std::vector<uint8_t> seen(static_cast<size_t>(w) * h, 0);
  std::vector<Region> regions;
  for (int row = 0; row < h; ++row) {
    for (int x = 0; x < w; ++x) {
      if (!IsWhite(mask, x, row) || seen[static_cast<size_t>(row) * w + x]) continue;
      Region r;
      std::vector<std::pair<int, int>> queue{{x, row}};
      seen[static_cast<size_t>(row) * w + x] = 1;
      for (size_t i = 0; i < queue.size(); ++i) {
        const auto [cx, cr] = queue[i];
        r.minX = std::min(r.minX, cx);
        r.maxX = std::max(r.maxX, cx);
        r.minRow = std::min(r.minRow, cr);
        r.maxRow = std::max(r.maxRow, cr);
        const std::pair<int, int> next[] = {{cx - 1, cr}, {cx + 1, cr}, {cx, cr - 1}, {cx, cr + 1}};
        for (const auto& [nx, nr] : next) {
          if (nx < 0 || nr < 0 || nx >= w || nr >= h) continue;
          const size_t k = static_cast<size_t>(nr) * w + nx;
          if (!seen[k] && IsWhite(mask, nx, nr)) {
            seen[k] = 1;
            queue.emplace_back(nx, nr);
          }
        }
      }
      regions.push_back(r);
    }
  }
  return regions;
}

TEST(SyntheticRoomPictures, MaskRegionsAreTheReportedObjectBoxes) {
  const SyntheticRoom& room = DefaultRoom();
  const int h = room.Options.Height;
  const std::vector<Region> regions = MaskRegions(room.Mask);
  const TMeshRegion& region = room.MeshRegions[1];
  ASSERT_EQ(regions.size(), 3u);
  ASSERT_EQ(region.ObjCount, 3);
  ASSERT_EQ(region.Objects.size(), 3u);
  for (size_t i = 0; i < regions.size(); ++i) {
    const TRegionObject& obj = region.Objects[i];
    EXPECT_EQ(obj.X1, regions[i].minX);
    EXPECT_EQ(obj.X2, regions[i].maxX);
    EXPECT_EQ(obj.Y1, h - 1 - regions[i].maxRow);
    EXPECT_EQ(obj.Y2, h - 1 - regions[i].minRow);
    EXPECT_EQ(obj.Parent, 1);
    EXPECT_EQ(obj.Name, "Object " + std::to_string(i + 1));
    // Each region is an object standing on its own floor row, at least 16 pixels in one
    // direction, clear of the picture's edge.
    EXPECT_EQ(obj.Y1, room.Options.Objects[static_cast<size_t>(room.ObjectSource[i])].FloorRow);
    EXPECT_TRUE(obj.X2 - obj.X1 >= 16 || obj.Y2 - obj.Y1 >= 16);
    EXPECT_GT(obj.X1, 0);
    EXPECT_LT(obj.X2, room.Options.Width - 1);
    EXPECT_GT(obj.Y1, 0);
    EXPECT_LT(obj.Y2, h - 1);
  }
}

TEST(SyntheticRoomPictures, ObjectBoardsStandWhereTheSceneWillRebuildThem) {
  const SyntheticRoom& room = DefaultRoom();
  const SyntheticRoomOptions& o = room.Options;
  for (const TRegionObject& obj : room.MeshRegions[1].Objects) {
    SCOPED_TRACE(obj.Name);
    // The scene's floor object depth from its lowest row.
    const double d = (0 - room.EyeHeight) / ((obj.Y1 - o.VanishY) / room.SceneScale);
    const double z = room.EyeDistance * (1 - d);
    int opaque = 0;
    const int row = o.Height - 1 - obj.Y1;
    for (int x = obj.X1; x <= obj.X2; ++x) {
      if (!IsWhite(room.Mask, x, row)) continue;
      ++opaque;
      const RayHit hit = CastRay(o, room.Geometry, x, obj.Y1, true);
      ASSERT_EQ(hit.surface, Surface::kObject);
      EXPECT_NEAR(hit.point.z / room.SceneScale, z, 1e-9);
      EXPECT_NEAR(hit.point.y, 0, 1e-9);  // touches the floor
    }
    EXPECT_GT(opaque, 0);
    // Nothing of the object below its lowest row.
    for (int x = obj.X1; x <= obj.X2; ++x) EXPECT_FALSE(IsWhite(room.Mask, x, row + 1));
  }
}

TEST(SyntheticRoomPictures, OriginalIsBackgroundOutsideTheMask) {
  const SyntheticRoom& room = DefaultRoom();
  int inside = 0, differing = 0;
  for (int row = 0; row < room.Options.Height; ++row) {
    for (int x = 0; x < room.Options.Width; ++x) {
      const uint8_t* m = room.Mask.Pixel(x, row);
      ASSERT_TRUE((m[0] == 0 && m[1] == 0 && m[2] == 0) || IsWhite(room.Mask, x, row));
      if (IsWhite(room.Mask, x, row)) {
        ++inside;
        if (!SamePixel(room.Original, room.Background, x, row)) ++differing;
      } else {
        ASSERT_TRUE(SamePixel(room.Original, room.Background, x, row)) << x << "," << row;
      }
    }
  }
  EXPECT_GT(inside, 10000);
  EXPECT_EQ(differing, inside);
}

TEST(SyntheticRoomPictures, PixelCentresAreWholePicturePoints) {
  // Column c, picture row y is the colour of the surface through the picture point (c, y).
  const SyntheticRoom& room = DefaultRoom();
  const SyntheticRoomOptions& o = room.Options;
  for (const auto& [x, y] : {std::pair{0, 0}, {639, 479}, {100, 50}, {330, 300}, {500, 120}}) {
    const Rgb c = ShadeHit(o, room.Geometry, CastRay(o, room.Geometry, x, y, true));
    const uint8_t* p = room.Original.Pixel(x, o.Height - 1 - y);
    EXPECT_EQ((Rgb{p[2], p[1], p[0]}), c) << x << "," << y;
  }
}

TEST(SyntheticRoomOptionsCheck, RejectsUnusableRooms) {
  struct Case {
    const char* name;
    void (*change)(SyntheticRoomOptions&);
  };
  const Case cases[] = {
      {"rear wall in front of the picture plane",
       [](SyntheticRoomOptions& o) { o.InnerBottom = 210; }},
      {"vanishing point left of the rear wall", [](SyntheticRoomOptions& o) { o.VanishX = 150; }},
      {"no focal length", [](SyntheticRoomOptions& o) { o.FocalLength = 0; }},
      {"tiny picture", [](SyntheticRoomOptions& o) { o.Width = 8; }},
      {"object on the bottom row", [](SyntheticRoomOptions& o) { o.Objects[0].FloorRow = 0; }},
      {"object behind the rear wall", [](SyntheticRoomOptions& o) { o.Objects[0].FloorRow = 140; }},
      {"object above the horizon", [](SyntheticRoomOptions& o) { o.Objects[0].Height = 170; }},
      {"object in the wall", [](SyntheticRoomOptions& o) { o.Objects[0].CenterX = 40; }},
      {"objects overlapping", [](SyntheticRoomOptions& o) { o.Objects[1].CenterX = 200; }},
      {"object too small",
       [](SyntheticRoomOptions& o) {
         o.Objects = {{ObjectShape::kRoundedBox, 320, 50, 10, 10}};
       }},
  };
  for (const Case& c : cases) {
    SyntheticRoomOptions o;
    c.change(o);
    EXPECT_THROW(MakeSyntheticRoom(o), Error) << c.name;
  }
}

TEST(SyntheticRoomOptionsCheck, ObjectsTouchingAreRejectedWithAMessage) {
  SyntheticRoomOptions o;
  o.Objects = {{ObjectShape::kRoundedBox, 300, 60, 40, 60},
               {ObjectShape::kRoundedBox, 340, 60, 40, 60}};
  try {
    MakeSyntheticRoom(o);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("touches another object"), std::string::npos) << e.what();
  }
}

TEST(SyntheticRoomOptionsCheck, RoomWithoutObjectsHasAnEmptyMask) {
  SyntheticRoomOptions o;
  o.Width = 160;
  o.Height = 120;
  o.VanishX = 80;
  o.VanishY = 50;
  o.InnerLeft = 50;
  o.InnerRight = 110;
  o.InnerBottom = 30;
  o.InnerTop = 80;
  o.FocalLength = 139;
  o.Objects.clear();
  const SyntheticRoom room = MakeSyntheticRoom(o);
  EXPECT_TRUE(MaskRegions(room.Mask).empty());
  EXPECT_EQ(room.MeshRegions[1].ObjCount, 0);
  EXPECT_EQ(room.Original.PackedPixels(), room.Background.PackedPixels());
}

TEST(CameraPathText, WorkedExampleKey) {
  CameraPath path;
  path.Keys.push_back({true, {0, 0.75, 1}, {0, 0, -1}, {0, 1, 0}});
  path.Keys.push_back({false, {-0.0, 1e-20, 123456.5}, {0.1, -0.2, -1}, {0, 1, 0}});
  EXPECT_EQ(FormatCameraPath(path),
            "KOV Camera Path File 1.1\r\n20\r\n60\r\n40\r\n2\r\n"
            "1 0 0.75 1 0 0 -1 0 1 0\r\n"
            "0 0 1E-20 123456.5 0.1 -0.2 -1 0 1 0\r\n");
}

TEST(CameraPathText, FlyInStaysInsideTheRoomAboveTheObjects) {
  const SyntheticRoom& room = DefaultRoom();
  const CameraPath path = RoomFlyIn(room);
  ASSERT_EQ(path.Keys.size(), 4u);
  const Vec3 eye{0, room.EyeHeight, room.EyeDistance};
  EXPECT_EQ(path.Keys[0].CamPos, eye);
  const double u = room.SceneScale;
  const double xl = (room.Geometry.LeftX - room.Options.VanishX) / u;
  const double xr = (room.Geometry.RightX - room.Options.VanishX) / u;
  double tallest = 0;
  for (const TRegionObject& obj : room.MeshRegions[1].Objects) {
    const double d = room.Options.VanishY / (room.Options.VanishY - obj.Y1);
    tallest = std::max(tallest, (obj.Y2 - obj.Y1) * d / u);
  }
  double lastZ = std::numeric_limits<double>::infinity();
  for (const CameraKey& k : path.Keys) {
    EXPECT_TRUE(k.Recorded);
    EXPECT_GT(k.CamPos.x, xl + 0.1);
    EXPECT_LT(k.CamPos.x, xr - 0.1);
    EXPECT_GT(k.CamPos.y, tallest);
    EXPECT_LT(k.CamPos.y, room.Geometry.CeilingY / u);
    EXPECT_GT(k.CamPos.z, room.Geometry.RearZ / u + 0.5);
    EXPECT_LT(k.CamPos.z, lastZ);  // always forwards
    lastZ = k.CamPos.z;
    EXPECT_LT(k.CamDir.z, 0);
    EXPECT_EQ(k.CamUp, (Vec3{0, 1, 0}));
  }
}

TEST(ProjectFileText, DefaultRoomExactLayout) {
  const SyntheticRoom& room = DefaultRoom();
  ProjectFileContents c;
  c.Original = "/somewhere/room.png";
  c.Background = "room_back.png";
  c.Mask = "room_mask.png";
  c.MeshRegions = room.MeshRegions;
  c.MeshRegions[1].CameraPath = "/elsewhere/room.cam";
  c.FocalLength = room.FocalLength;
  EXPECT_EQ(FormatProjectFile(c),
            "KOV with Perpective Grid\r\n"
            "1.3\r\n"
            "room.png\r\n"
            "room_back.png\r\n"
            "room_mask.png\r\n"
            "1\r\n"
            "0 0 639 479 Region 1\r\n"
            "3\r\n"
            "125 40 215 180 1 Object 1\r\n"
            "445 60 515 170 1 Object 2\r\n"
            "281 95 379 164 1 Object 3\r\n"
            "320.00 200.00 200.00 130.00 440.00 330.00\r\n"
            "room.cam\r\n"
            "1\r\n"
            "554.00\r\n"
            "10 10 629 469\r\n"
            "3\r\n");
}

TEST(ProjectFileText, SeveralSubScenesRepeatTheFocalLength) {
  TMeshRegion window;
  window.Name = "Window";
  window.Left = 5;
  window.Top = 6;
  window.Right = 7;
  window.Bottom = 8;
  TMeshRegion a;
  a.Name = "Region 1";
  a.Right = 99;
  a.Bottom = 49;
  a.VanishX = 50.125;
  TMeshRegion b = a;
  b.Name = "SubScene 2";
  b.Objects = {{1, 2, 3, 4, 5, ""}};
  ProjectFileContents c;
  c.Original = "a.bmp";
  c.Background = "b.bmp";
  c.Mask = "c.bmp";
  c.MeshRegions = {window, a, b};
  c.FocalLength = 86.6;
  c.Page = 0;
  const std::string text = FormatProjectFile(c);
  EXPECT_EQ(text,
            "KOV with Perpective Grid\r\n1.3\r\na.bmp\r\nb.bmp\r\nc.bmp\r\n2\r\n"
            "0 0 99 49 Region 1\r\n0\r\n50.12 0.00 0.00 0.00 0.00 0.00\r\n\r\n0\r\n86.60\r\n"
            "0 0 99 49 SubScene 2\r\n1\r\n1 2 3 4 5 \r\n50.12 0.00 0.00 0.00 0.00 0.00\r\n\r\n"
            "0\r\n86.60\r\n"
            "5 6 7 8\r\n0\r\n");
  c.MeshRegions = {window};
  EXPECT_THROW(FormatProjectFile(c), Error);
}

TEST(SampleProjectFiles, RoomProjectWritesFivePicturesAndTexts) {
  const SyntheticRoom& room = DefaultRoom();
  TempDir dir;
  const auto project = WriteRoomProject(room, dir.path(), "box");
  EXPECT_EQ(project, dir / "box.kov");
  const std::string kov = ReadFile(dir / "box.kov");
  EXPECT_EQ(
      kov.rfind("KOV with Perpective Grid\r\n1.3\r\nbox.png\r\nbox_back.png\r\nbox_mask.png\r\n",
                0),
      0u);
  EXPECT_NE(kov.find("\r\nbox.cam\r\n"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "box.cam"), FormatCameraPath(RoomFlyIn(room)));
  const std::pair<const char*, const TFastBMP*> pictures[] = {{"box.png", &room.Original},
                                                              {"box_mask.png", &room.Mask},
                                                              {"box_back.png", &room.Background}};
  for (const auto& [name, picture] : pictures) {
    TFastBMP loaded;
    LoadPictureFile((dir / name).string(), loaded);
    EXPECT_EQ(loaded.Width(), 640);
    EXPECT_EQ(loaded.Height(), 480);
    EXPECT_EQ(loaded.PackedPixels(), picture->PackedPixels()) << name;
  }
  // Nothing else, no temporary files.
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 5);
}

TEST(SampleProjectFiles, SavePngFailureNamesTheFileAndLeavesNoFile) {
  TempDir dir;
  const auto target = dir / "missing" / "x.png";
  try {
    SavePNG(target, TFastBMP(4, 4));
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("x.png"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_THROW(SavePNG(dir / "empty.png", TFastBMP()), Error);
}

TEST(SampleProjectFiles, PhotoProjectHasAnEmptyMaskAndAStraightFlight) {
  TempDir dir;
  TFastBMP photo(200, 100);
  for (int row = 0; row < 100; ++row) photo.Pixel(row, row)[1] = 200;
  SaveBMP((dir / "shot.bmp").string(), photo);
  PhotoProjectOptions o;
  o.Photo = dir / "shot.bmp";
  o.VanishX = 100;
  o.VanishY = 40;
  o.InnerLeft = 90;
  o.InnerBottom = 30;
  o.InnerRight = 110;
  o.InnerTop = 60;
  std::filesystem::create_directory(dir / "out");
  const auto project = WritePhotoProject(o, dir / "out", "walk");
  // Window (10, 10, 189, 89): 179; Region 1: max(100, 40, 99, 59) = 100; U = 139.5.
  // Focal length: Round(sqrt(3) * 200) div 2 = 346 div 2 = 173.
  EXPECT_EQ(ReadFile(project),
            "KOV with Perpective Grid\r\n1.3\r\nshot.bmp\r\nshot.bmp\r\nwalk_mask.png\r\n1\r\n"
            "0 0 199 99 Region 1\r\n0\r\n100.00 40.00 90.00 30.00 110.00 60.00\r\nwalk.cam\r\n"
            "1\r\n173.00\r\n10 10 189 89\r\n3\r\n");
  EXPECT_EQ(ReadFile(dir / "out" / "shot.bmp"), ReadFile(dir / "shot.bmp"));
  TFastBMP mask;
  LoadPictureFile((dir / "out" / "walk_mask.png").string(), mask);
  EXPECT_EQ(mask.Width(), 200);
  EXPECT_EQ(mask.Height(), 100);
  for (uint8_t v : mask.PackedPixels()) ASSERT_EQ(v, 0);
  const std::string cam = ReadFile(dir / "out" / "walk.cam");
  // Eye (0, 40/139.5, 173/139.5); rear wall z = 173 * (1 - 4) / 139.5; 0.6 of the way there.
  const double eyeZ = 173 / 139.5;
  const double lastZ = eyeZ + 0.6 * (173 * -3 / 139.5 - eyeZ);
  CameraPath expected;
  for (int k = 0; k < 4; ++k) {
    expected.Keys.push_back(
        {true, {0, 40 / 139.5, eyeZ + k / 3.0 * (lastZ - eyeZ)}, {0, 0, -1}, {0, 1, 0}});
  }
  EXPECT_EQ(cam, FormatCameraPath(expected));
}

TEST(SampleProjectFiles, PhotoProjectRejectsABadMeshAndAMissingPhoto) {
  TempDir dir;
  SaveBMP((dir / "shot.bmp").string(), TFastBMP(64, 48));
  PhotoProjectOptions o;
  o.Photo = dir / "shot.bmp";
  o.VanishX = 32;
  o.VanishY = 20;
  o.InnerLeft = 40;  // right of the vanishing point
  o.InnerBottom = 10;
  o.InnerRight = 50;
  o.InnerTop = 30;
  EXPECT_THROW(WritePhotoProject(o, dir.path(), "x"), Error);
  o.Photo = dir / "none.bmp";
  o.InnerLeft = 20;
  EXPECT_THROW(WritePhotoProject(o, dir.path(), "x"), Error);
  EXPECT_FALSE(std::filesystem::exists(dir / "x.kov"));
}

TEST(SampleProjectFiles, ApplyToProjectOpensSubSceneOne) {
  const SyntheticRoom& room = DefaultRoom();
  TProject p;
  ApplyToProject(room, p);
  EXPECT_EQ(p.PicWidth, 640);
  EXPECT_EQ(p.PicHeight, 480);
  EXPECT_EQ(p.CurrentRegion, 1);
  EXPECT_EQ(p.VanishX, 320);
  EXPECT_EQ(p.InnerTop, 330);
  EXPECT_EQ(p.FocalLength, 554);
  EXPECT_EQ(p.fgObjCount(), 3);
  EXPECT_EQ(p.fgObjs[1].Name, "Object 2");
  EXPECT_TRUE(p.PerspectiveDone);
  EXPECT_EQ(p.ViewWidth, 620);
  EXPECT_EQ(p.ViewHeight, 460);
  EXPECT_EQ(p.IBackground_r.PackedPixels(), room.Background.PackedPixels());
}

// The committed sample is what the generator makes today.
TEST(CommittedSamples, RoomSampleIsCurrent) {
  const auto folder = glkov::testing::SourceDir() / "examples" / "room";
  const SyntheticRoom& room = DefaultRoom();
  TempDir dir;
  WriteRoomProject(room, dir.path(), "room");
  for (const char* name : {"room.kov", "room.cam"}) {
    EXPECT_EQ(ReadFile(folder / name), ReadFile(dir / name)) << name;
  }
  for (const char* name : {"room.png", "room_mask.png", "room_back.png"}) {
    TFastBMP committed, made;
    LoadPictureFile((folder / name).string(), committed);
    LoadPictureFile((dir / name).string(), made);
    EXPECT_EQ(committed.PackedPixels(), made.PackedPixels()) << name;
  }
}

TEST(CommittedSamples, CorridorSampleIsComplete) {
  const auto folder = glkov::testing::SourceDir() / "examples" / "corridor";
  const std::string kov = ReadFile(folder / "corridor.kov");
  EXPECT_EQ(kov.rfind("KOV with Perpective Grid\r\n1.3\r\ncorn_maze.jpg\r\ncorn_maze.jpg\r\n"
                      "corridor_mask.png\r\n1\r\n0 0 1023 679 Region 1\r\n0\r\n",
                      0),
            0u);
  EXPECT_NE(kov.find("\r\ncorridor.cam\r\n1\r\n"), std::string::npos);
  TFastBMP photo, mask;
  LoadPictureFile((folder / "corn_maze.jpg").string(), photo);
  LoadPictureFile((folder / "corridor_mask.png").string(), mask);
  EXPECT_EQ(mask.Width(), photo.Width());
  EXPECT_EQ(mask.Height(), photo.Height());
  for (uint8_t v : mask.PackedPixels()) ASSERT_EQ(v, 0);
  EXPECT_EQ(ReadFile(folder / "corridor.cam").rfind("KOV Camera Path File 1.1\r\n", 0), 0u);
  EXPECT_NE(ReadFile(folder / "LICENSE.txt").find("corn_maze.jpg"), std::string::npos);
}

}  // namespace
}  // namespace glkov::synthetic
