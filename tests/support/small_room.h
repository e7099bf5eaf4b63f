#pragma once

// A small synthetic room without objects (160 x 120 pixels) written as a project whose
// sub-scenes all show the whole room, each with its own straight camera path.

#include <cmath>
#include <string>
#include <vector>

#include "core/model/project.h"
#include "core/scene/scene_builder.h"
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

// A room made as its 3D scene without objects, with its box in scene units taken from the room's
// own geometry (not from the boards built from it) and the eye the photograph was taken from.
struct MadeRoom {
  TProject Project;
  double XL = 0, XR = 0, Ceiling = 0, Rear = 0;
  TCamera Eye;

  // The box and the eye of a room of these options, in the scene units of the made project.
  void SetBox(const synthetic::SyntheticRoomOptions& o) {
    const synthetic::RoomGeometry g = synthetic::ComputeRoomGeometry(o);
    const double u = Project.SceneScale;
    XL = (g.LeftX - o.VanishX) / u;
    XR = (g.RightX - o.VanishX) / u;
    Ceiling = g.CeilingY / u;
    Rear = g.RearZ / u;
    Eye = {{0, o.VanishY / u, o.FocalLength / u}, {0, 0, -1}, {0, 1, 0}};
  }
};

inline MadeRoom MakeRoomScene(const synthetic::SyntheticRoomOptions& options) {
  MadeRoom r;
  const synthetic::SyntheticRoom room = synthetic::MakeSyntheticRoom(options);
  synthetic::ApplyToProject(room, r.Project);
  r.Project.ObjectsExtracted = true;
  ClearObjects(r.Project);
  MakeScene(r.Project);
  r.SetBox(room.Options);
  return r;
}

// How far apart two cameras are, positions and directions together.
inline double CameraDistance(const TCamera& a, const TCamera& b) {
  double sum = 0;
  for (const auto& [p, q] : {std::pair{a.CamPos, b.CamPos}, std::pair{a.CamDir, b.CamDir}}) {
    sum += (p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y) + (p.z - q.z) * (p.z - q.z);
  }
  return std::sqrt(sum);
}

}  // namespace glkov::testing
