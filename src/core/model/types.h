#pragma once

// The records of a scene project. Picture coordinates: pixels of the current sub-scene picture,
// x from the left column, y counted upward from the bottom row. Sub-scene rectangles: whole
// picture pixels, rows counted from the top, bounds inclusive. Scene coordinates: scene units
// (SceneScale picture pixels), y up, picture plane z = 0.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace glkov {

struct Vec3 {
  double x = 0;
  double y = 0;
  double z = 0;
  friend bool operator==(const Vec3&, const Vec3&) = default;
};

// Plane codes of an object's Parent and the index + 1 of Boards.
enum PlaneCode : int { kFloor = 1, kRightWall = 2, kLeftWall = 3, kCeiling = 4, kRearWall = 5 };
inline constexpr std::array<const char*, 5> PlaneNames = {"Floor", "Right Wall", "Left Wall",
                                                          "Ceiling", "Rear Wall"};

// A saved foreground object of a sub-scene.
struct TRegionObject {
  int X1 = 0;
  int Y1 = 0;
  int X2 = 0;
  int Y2 = 0;
  int Parent = 0;
  std::string Name;
  friend bool operator==(const TRegionObject&, const TRegionObject&) = default;
};

// One sub-scene, or the viewing window at index 0 of MeshRegions.
struct TMeshRegion {
  std::string Name;
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int ObjCount = 0;
  double InnerLeft = 0;
  double InnerRight = 0;
  double InnerBottom = 0;
  double InnerTop = 0;
  double VanishX = 0;
  double VanishY = 0;
  bool PerspectiveDone = false;
  std::vector<TRegionObject> Objects;
  std::string CameraPath;      // bare name after a project load, full name after StoreRegion
  std::string TransitionPath;  // camera path of the transition into this sub-scene
};

// Copies the mesh, the inner rectangle and the vanishing point (picture coordinates), between any
// two records that hold its six fields by these names: the working copy, a sub-scene, an edit.
template <class From, class To>
void CopyMesh(const From& from, To& to) {
  to.InnerLeft = from.InnerLeft;
  to.InnerRight = from.InnerRight;
  to.InnerBottom = from.InnerBottom;
  to.InnerTop = from.InnerTop;
  to.VanishX = from.VanishX;
  to.VanishY = from.VanishY;
}

// A foreground object of the working copy, with its board once the scene is made.
struct TfgObj {
  int DrawOrder = 0;
  std::string Name;
  int X1 = 0;  // leftmost column
  int X2 = 0;  // rightmost column
  int Y1 = 0;  // lowest row (where the object stands), picture y
  int Y2 = 0;  // highest row, picture y
  int Parent = 0;
  std::array<double, 4> X{};
  std::array<double, 4> Y{};
  std::array<double, 4> Z{};
  unsigned TexName = 0;
  int TexWidth = 0;
  int TexHeight = 0;
  bool TexUploaded = false;
  std::vector<uint8_t> Texels;  // TexWidth * TexHeight texels of R, G, B, A
};

// One plane of the scene: 0 Floor, 1 Right Wall, 2 Left Wall, 3 Ceiling, 4 Rear Wall.
struct TBoard {
  std::array<int, 4> PX{};  // corners in picture pixels
  std::array<int, 4> PY{};
  std::array<double, 4> X{};  // corners in scene units
  std::array<double, 4> Y{};
  std::array<double, 4> Z{};
  unsigned TexName = 0;
  int TexWidth = 0;
  int TexHeight = 0;
  bool TexUploaded = false;
  std::vector<uint8_t> Texels;  // TexWidth * TexHeight texels of R, G, B; first row first
};

// The camera: eye, view direction (look-at centre CamPos + CamDir) and up vector; never
// normalised.
struct TCamera {
  Vec3 CamPos{0, 0, 1};
  Vec3 CamDir{0, 0, -1};
  Vec3 CamUp{0, 1, 0};
  friend bool operator==(const TCamera&, const TCamera&) = default;
};

// Switches of the camera control window that the scene builder and the renderer read.
struct RenderSwitches {
  bool Negative = false;   // "Negative Output": texel colours become 255 - v when built
  int Quality = 0;         // 0 "Low" (nearest texels), 1 "High" (linear filtering)
  bool UseVW = true;       // draw the viewing-window outline
  bool SeeVWClip = false;  // "Preview": project only the viewing window
};

// 255 - v while "Negative Output" is checked, else v.
inline uint8_t NegativeChannel(uint8_t v, bool negative) {
  return negative ? static_cast<uint8_t>(255 - v) : v;
}

}  // namespace glkov
