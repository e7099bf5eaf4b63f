#pragma once

// A synthetic room with known geometry, "photographed" by an independent ray caster, and the
// writers of whole sample projects (pictures, project file, camera path).
//
// The room lives in picture pixels: x to the right and y up as in picture coordinates, the
// picture plane is z = 0 and the eye that took the photograph sits at (VanishX, VanishY,
// FocalLength) looking along -z. The floor is y = 0 (it meets the picture plane in the bottom
// row, so the eye height is VanishY). A picture point seen at depth factor D (distance from the
// eye relative to that of the picture point) is eye + D * (point - eye). The rear wall is the
// mesh's inner rectangle at D = Dr = VanishY / (VanishY - InnerBottom), and the walls and the
// ceiling are the planes through its edges that run along z. Scene units are these pixels
// divided by SceneScale, with x measured from the vanishing point.

#include <filesystem>
#include <string>
#include <vector>

#include "core/image/fast_bmp.h"
#include "core/model/types.h"

namespace glkov {
struct TProject;
}

namespace glkov::synthetic {

// What a ray meets first; the first five carry the values of the plane codes.
enum class Surface : int {
  kNone = 0,
  kFloor = 1,
  kRightWall = 2,
  kLeftWall = 3,
  kCeiling = 4,
  kRearWall = 5,
  kObject = 6
};

enum class ObjectShape { kDiscOnPost, kRoundedBox, kLamp };

// An upright board standing on the floor parallel to the picture plane, given as the photograph
// shows it: its lowest row FloorRow (picture y) is where it meets the floor, which fixes its
// depth; Width and Height are in picture pixels at that depth. Everything of the board outside
// its shape is transparent.
struct RoomObject {
  ObjectShape Shape = ObjectShape::kRoundedBox;
  double CenterX = 0;  // picture x of the board's vertical centre line
  int FloorRow = 0;    // picture y of the lowest opaque row
  double Width = 0;    // picture pixels
  double Height = 0;   // picture pixels from FloorRow up to the top of the shape
};

// Three objects that fit the default room: a disc on a post, a rounded box and a lamp.
std::vector<RoomObject> DefaultRoomObjects();

struct SyntheticRoomOptions {
  int Width = 640;  // picture size in pixels
  int Height = 480;
  // The mesh in picture coordinates (y up). Values with at most two decimals survive the
  // project file exactly.
  double VanishX = 320;
  double VanishY = 200;
  double InnerLeft = 200;
  double InnerRight = 440;
  double InnerBottom = 130;
  double InnerTop = 330;
  double FocalLength = 554;  // picture pixels (a 60 degree field of view at 640 pixels)
  // The viewing window (MeshRegions entry 0): whole-picture pixels, rows from the top, bounds
  // inclusive; a negative ViewLeft takes what importing the picture gives, (10, 10, W-11, H-11).
  int ViewLeft = -1, ViewTop = -1, ViewRight = -1, ViewBottom = -1;
  std::vector<RoomObject> Objects = DefaultRoomObjects();
};

// The room box in picture-pixel units (see the top of this file).
struct RoomGeometry {
  double RearDepth = 0;  // Dr, the depth factor of the rear wall
  double LeftX = 0;      // the left wall is the plane x = LeftX
  double RightX = 0;
  double CeilingY = 0;
  double RearZ = 0;  // the rear wall is the plane z = RearZ
};

// Throws glkov::Error when the mesh does not make a box behind the picture plane.
RoomGeometry ComputeRoomGeometry(const SyntheticRoomOptions& options);

struct RayHit {
  Surface surface = Surface::kNone;
  int object = -1;   // index into SyntheticRoomOptions::Objects when surface is kObject
  double depth = 0;  // depth factor D of the hit
  Vec3 point;        // the hit, picture-pixel units
};

// Follows the ray from the eye through the picture point (px, py) (picture coordinates, y up)
// to the first surface; objects are seen only when withObjects is set.
RayHit CastRay(const SyntheticRoomOptions& options, const RoomGeometry& geometry, double px,
               double py, bool withObjects);

// The colour of a surface point as (red, green, blue).
struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
Rgb ShadeHit(const SyntheticRoomOptions& options, const RoomGeometry& geometry, const RayHit& hit);

// The camera values of one key of a camera path, in scene units.
struct CameraKey {
  bool Recorded = true;
  Vec3 CamPos;
  Vec3 CamDir{0, 0, -1};
  Vec3 CamUp{0, 1, 0};
};

// A camera path file's contents: frames per second, frames per key, transition frames, keys.
struct CameraPath {
  int FPS = 20;
  int FPK = 60;
  int Trans = 40;
  std::vector<CameraKey> Keys;
};

struct SyntheticRoom {
  SyntheticRoomOptions Options;
  RoomGeometry Geometry;
  TFastBMP Original;    // the room with its objects
  TFastBMP Mask;        // object pixels white, everything else black
  TFastBMP Background;  // the room without objects
  // Entry 0 the viewing window "Window" (mesh values 0), entry 1 "Region 1" covering the picture
  // with the exact mesh, "Done", and the objects' boxes as the extraction finds them in the
  // mask (its scan order, names "Object 1"..., Parent 1 Floor).
  std::vector<TMeshRegion> MeshRegions;
  std::vector<int> ObjectSource;  // for each listed object its index in Options.Objects
  double FocalLength = 0;
  double SceneScale = 0;   // picture pixels per scene unit, as the scene construction finds it
  double EyeHeight = 0;    // VanishY / SceneScale
  double EyeDistance = 0;  // FocalLength / SceneScale
};

// Ray-casts the three pictures. Throws glkov::Error when the options do not give a usable sample:
// a degenerate mesh, an object outside the room, above the horizon or not standing on its floor
// row, objects touching each other or the picture's edge, or a region the extraction would drop.
//
// Pixel centres: column c and picture row y are the picture point (c, y) exactly. The scene
// construction samples a texel at picture point (x, y) from the pixel (Round(x), Round(y)), so
// pixel (c, y) stands for the surface seen through (c, y); the 3D view's frustum spans picture
// points 0 ... PicWidth - 1 and 0 ... PicHeight - 1 over the whole frame, so the centre of frame
// pixel c looks through picture x = (c + 0.5)(PicWidth - 1) / PicWidth, which lies within half a
// pixel of c and rounds back to c. The default camera thus shows every pixel where it was cast.
SyntheticRoom MakeSyntheticRoom(const SyntheticRoomOptions& options = {});

// The mean over every entry of max(VanishX, VanishY, |Left - Right| - VanishX,
// |Top - Bottom| - VanishY): picture pixels per scene unit, as the scene construction takes it.
double SceneScaleOf(const std::vector<TMeshRegion>& meshRegions);

// A gentle fly-in of four recorded keys from the photograph's eye towards the rear wall, at eye
// height (above every object), inside the room.
CameraPath RoomFlyIn(const SyntheticRoom& room);

// The contents of a project file of the current version: pictures as bare names, every
// sub-scene of meshRegions (entry 0 gives only the viewing window's rectangle), CR LF lines.
struct ProjectFileContents {
  std::string Original;  // bare file names
  std::string Background;
  std::string Mask;
  std::vector<TMeshRegion> MeshRegions;
  double FocalLength = 0;
  int Page = 3;  // work page shown on loading ("Scene Perspective")
};
std::string FormatProjectFile(const ProjectFileContents& contents);

// The text of a camera path file, CR LF lines.
std::string FormatCameraPath(const CameraPath& path);

// Writes a 24-bit PNG file through a temporary file renamed into place. Throws glkov::Error
// naming the file.
void SavePNG(const std::filesystem::path& fileName, const TFastBMP& picture);

// Writes the room as a project into folder (which must exist): <base>.png, <base>_mask.png,
// <base>_back.png, <base>.kov and <base>.cam (the fly-in). Returns the project file's path.
std::filesystem::path WriteRoomProject(const SyntheticRoom& room,
                                       const std::filesystem::path& folder,
                                       const std::string& baseName = "room");

// A project around one photograph: the photograph as original and background, an all-black
// mask of its size, one sub-scene with the given mesh, and a straight flight down the middle of
// the box to FlightDepth of the way to the rear wall.
struct PhotoProjectOptions {
  std::filesystem::path Photo;  // copied into the folder under its own name
  double VanishX = 0, VanishY = 0;
  double InnerLeft = 0, InnerBottom = 0, InnerRight = 0, InnerTop = 0;
  double FocalLength = 0;  // 0: the 60 degree default of the picture's width
  double FlightDepth = 0.6;
  int Keys = 4;
};
std::filesystem::path WritePhotoProject(const PhotoProjectOptions& options,
                                        const std::filesystem::path& folder,
                                        const std::string& baseName);

// Puts the room into a project as opening its project file would leave it (pictures, sub-scene
// list, sub-scene 1 in the working copy, focal length, viewing window), without any files.
void ApplyToProject(const SyntheticRoom& room, TProject& project);

}  // namespace glkov::synthetic
