#pragma once

// A small synthetic room without objects (160 x 120 pixels) written as a project whose
// sub-scenes all show the whole room, each with its own straight camera path.

#include <string>
#include <vector>

#include "support/test_support.h"
#include "tools/synthetic_room.h"

namespace glkov::testing {

inline synthetic::SyntheticRoomOptions SmallRoomOptions() {
  synthetic::SyntheticRoomOptions o;
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
  return o;
}

// The room of 320 x 240 pixels with its vanishing point at (160, 100), without objects.
inline synthetic::SyntheticRoomOptions MediumRoomOptions() {
  synthetic::SyntheticRoomOptions o;
  o.Width = 320;
  o.Height = 240;
  o.VanishX = 160;
  o.VanishY = 100;
  o.InnerLeft = 100;
  o.InnerRight = 220;
  o.InnerBottom = 65;
  o.InnerTop = 165;
  o.FocalLength = 277;
  o.Objects.clear();
  return o;
}

// A path of `keys` keys from the photograph's eye straight into the room, 0.05 units a key.
inline synthetic::CameraPath StraightPath(const synthetic::SyntheticRoom& room, int keys, int fpk,
                                          int trans = 40, bool firstRecorded = true) {
  synthetic::CameraPath path;
  path.FPK = fpk;
  path.Trans = trans;
  for (int k = 0; k < keys; ++k) {
    synthetic::CameraKey key;
    key.CamPos = {0, room.EyeHeight, room.EyeDistance - 0.05 * k};
    key.Recorded = k > 0 || firstRecorded;
    path.Keys.push_back(key);
  }
  return path;
}

// Writes the room's pictures and dir/test.kov with one sub-scene "Part n" per path, its path in
// pn.cam (a path without keys leaves its sub-scene without a path file).
inline void WriteSubScenesProject(const synthetic::SyntheticRoom& room, const TempDir& dir,
                                  const std::vector<synthetic::CameraPath>& paths) {
  synthetic::WriteRoomProject(room, dir.path(), "room");
  synthetic::ProjectFileContents contents;
  contents.Original = "room.png";
  contents.Background = "room_back.png";
  contents.Mask = "room_mask.png";
  contents.FocalLength = room.FocalLength;
  contents.MeshRegions.push_back(room.MeshRegions[0]);
  for (size_t s = 0; s < paths.size(); ++s) {
    TMeshRegion r = room.MeshRegions[1];
    r.Name = "Part " + std::to_string(s + 1);
    r.CameraPath.clear();
    if (!paths[s].Keys.empty()) {
      r.CameraPath = "p" + std::to_string(s + 1) + ".cam";
      WriteFile(dir / r.CameraPath, synthetic::FormatCameraPath(paths[s]));
    }
    contents.MeshRegions.push_back(r);
  }
  WriteFile(dir / "test.kov", synthetic::FormatProjectFile(contents));
}

}  // namespace glkov::testing
