#include "tools/synthetic_room.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/error.h"
#include "core/image/picture_file.h"
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

// A 3D point of the room (picture-pixel units) in scene units, x from the vanishing point.
Vec3 ToScene(const SyntheticRoom& room, const Vec3& p) {
  const double u = room.SceneScale;
  return {(p.x - room.Options.VanishX) / u, p.y / u, p.z / u};
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
      {"objects touching",
       [](SyntheticRoomOptions& o) {
         o.Objects = {{ObjectShape::kRoundedBox, 300, 60, 40, 60},
                      {ObjectShape::kRoundedBox, 340, 60, 40, 60}};
       }},
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

}  // namespace
}  // namespace glkov::synthetic
