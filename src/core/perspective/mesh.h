#pragma once

// The perspective mesh: line intersection, the mapping between picture and display pixels, the
// list of what the mesh editor draws, and the editor's edit rules (handle drags, grid and focal
// length drags, field of view). The default mesh is ResetMeshDefaults (core/model/project.h).

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace glkov {

struct TProject;

// A point in picture coordinates (x from the left column, y up from the bottom row).
struct PointD {
  double x = 0;
  double y = 0;
  friend bool operator==(const PointD&, const PointD&) = default;
};

// The line through two points.
struct LineD {
  PointD P0;
  PointD P1;
};

// The point where line a meets line b, computed on b as Q0 + t (Q1 - Q0). Empty when the lines
// are parallel (or a line's two points coincide) or the result is not finite.
std::optional<PointD> IntersectLines(const LineD& a, const LineD& b);

// A point in display pixels of the image control (x right, y down from the top-left).
struct DisplayPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const DisplayPoint&, const DisplayPoint&) = default;
};

// round(picWidth * fitScale), round-half-to-even; the same for heights.
int DisplayExtent(int picExtent, double fitScale);

// Picture to display: (round(x s), round((picHeight - 1 - y) s)); coordinates beyond the int range
// are clamped.
DisplayPoint PictureToDisplay(PointD p, double fitScale, int picHeight);

// Display to picture (a handle centre): (cx / s, (displayHeight - 1 - cy) / s).
PointD DisplayToPicture(double cx, double cy, double fitScale, int displayHeight);

// A pen of the mesh drawing; colours are red, green, blue.
struct MeshPen {
  uint8_t R = 0;
  uint8_t G = 0;
  uint8_t B = 0;
  int Width = 1;
  bool Dashed = false;
  friend bool operator==(const MeshPen&, const MeshPen&) = default;
};

inline constexpr MeshPen kGridPen{128, 0, 0, 1, false};      // maroon: grid and depth lines
inline constexpr MeshPen kGuidePen{128, 128, 128, 1, true};  // gray dashed: inner radials
inline constexpr MeshPen kFramePen{255, 0, 0, 2, false};     // red: radials and rear wall
inline constexpr MeshPen kObjectPen{0, 255, 0, 1, false};    // lime: object boxes

// What a segment of the mesh drawing shows.
enum class MeshLineKind {
  FloorDepth,      // across the floor at one grid step of depth
  CeilingDepth,    // across the ceiling
  RightWallDepth,  // up the right wall
  LeftWallDepth,   // up the left wall
  GridRadial,      // a grid column continued over the floor or the ceiling
  RearVertical,    // a grid column on the rear wall
  WallRadial,      // a grid row continued over a side wall
  RearHorizontal,  // a grid row on the rear wall
  Guide,           // vanishing point to a rear-wall corner (edit view only)
  Radial,          // a rear-wall corner outward
  InnerRect,       // an edge of the rear wall
};

// One line to draw from A to B (display pixels); From and To are the picture points.
struct MeshSegment {
  MeshLineKind Kind = MeshLineKind::FloorDepth;
  MeshPen Pen;
  PointD From;
  PointD To;
  DisplayPoint A;
  DisplayPoint B;
};

// The outline of foreground object Index: corner A at (X1, Y1), B at (X2, Y2), display pixels.
struct MeshBox {
  int Index = 0;
  MeshPen Pen = kObjectPen;
  DisplayPoint A;
  DisplayPoint B;
};

// Everything the mesh view paints, in painting order: the backdrop picture stretched to
// DisplayWidth x DisplayHeight, then the segments, then the boxes. Without a backdrop nothing
// at all is painted.
struct MeshDrawing {
  int DisplayWidth = 0;
  int DisplayHeight = 0;
  bool HasBackdrop = false;
  std::vector<MeshSegment> Segments;
  std::vector<MeshBox> Boxes;
};

struct DrawMeshOptions {
  double FitScale = 1.0;    // display pixels per picture pixel
  bool EditView = true;     // the mesh editor (guides, no boxes); false for the objects page
  bool HasBackdrop = true;  // the chosen backdrop picture is loaded
};

// Most grid columns or rows drawn on the rear wall; a far shifted grid draws no more.
inline constexpr int kMaxGridLines = 10000;

// The mesh of the project's working copy over a picture of PicWidth x PicHeight, with its grid
// (GridDivisions, GridOffsetX/Y), depth lines (FocalLength) and, when not editing and
// ObjectsExtracted, the boxes of fgObjs. Lines whose construction has no intersection are
// skipped; at most 30 depth lines are drawn on each outer plane.
MeshDrawing DrawMesh(const TProject& project, const DrawMeshOptions& options);

// The picture point a handle moves: Tag 2 the vanishing point, 3 bottom-left, 4 top-left,
// 5 bottom-right, 6 top-right corner of the inner rectangle. Empty for other tags.
std::optional<PointD> HandlePoint(const TProject& project, int tag);

// Moves the point of handle tag to the handle centre (cx, cy) in display pixels; a corner
// handle sets both coordinates, so the corners that share its x or y move with it.
// Returns false (nothing changed) for an unknown tag or a scale that is not positive.
bool MoveHandle(TProject& project, int tag, double cx, double cy, double fitScale);

// The mouse drags on the mesh picture (they change neither handles nor the stored sub-scene).
enum class MeshDragMode {
  GridOffset,     // Shift held: GridOffsetX += dX / 50, GridOffsetY += dY / 50
  FocalLength,    // right button: FocalLength += dY / 10
  GridDivisions,  // otherwise: GridDivisions += dX / 50, never below 1.0
};

// Applies a drag of (dX, dY) display pixels since the last mouse position.
void ApplyMeshDrag(TProject& project, MeshDragMode mode, int dX, int dY);

// The horizontal field of view in degrees: 2 atan2((picWidth / 2) / focalLength, 1).
double FieldOfView(double focalLength, int picWidth);

// The focal length in pixels of a field of view in degrees: (picWidth / 2) / tan(fov / 2).
// Throws glkov::Error unless 0 < fov < 180.
double FocalLengthForFieldOfView(double fovDegrees, int picWidth);

// The answer of the field-of-view box: sets FocalLength. Throws glkov::Error
// ("'<text>' is not a valid floating point value" or an out-of-range message) and leaves
// FocalLength unchanged when the answer is not usable.
void SetFieldOfView(TProject& project, std::string_view answer);

}  // namespace glkov
