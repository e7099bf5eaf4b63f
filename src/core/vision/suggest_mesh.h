#pragma once

// The mesh suggested for a photograph: the vanishing point of its receding lines and a rear-wall
// rectangle around it, found without the user.

#include <optional>
#include <string>
#include <vector>

#include "core/image/fast_bmp.h"
#include "core/perspective/mesh.h"

namespace glkov::vision {

// What SuggestMesh found, in picture coordinates (x from the left column, y up from the bottom
// row) like the project's mesh.
struct MeshSuggestion {
  double VanishX = 0;
  double VanishY = 0;
  double InnerLeft = 0;
  double InnerBottom = 0;
  double InnerRight = 0;
  double InnerTop = 0;
  double Confidence = 0;     // 0 (nothing found: the default mesh) .. 1 (many agreeing lines)
  double FocalLength = 0;    // picture pixels, from FieldOfView
  double FieldOfView = 60;   // horizontal, degrees
  std::vector<LineD> Lines;  // the segments used: receding lines, then rear-wall edges (few or
                             // none for a point found from the edges around it)
};

struct SuggestMeshOptions {
  double FieldOfView = 60;  // horizontal field of view in degrees (0 < fov < 180)
  int WorkSize = 800;       // the longer side the picture is reduced to before lines are found
};

// Suggests the mesh of picture: line segments, the vanishing point of the receding ones (a vote
// over pairs of the longest, then least squares over the agreeing lines), and the rear wall from
// strong horizontal and vertical lines around it, or a third of the picture around the point.
// When few straight lines agree (a corridor with soft, ragged borders), the point is the one the
// picture's edges run around, like the arches of a tunnel; its confidence is then the part of
// the edge energy near the point that runs around it (about 0.3 for a path through a field).
// A picture without usable lines gives confidence 0 and the default mesh; never throws for a
// picture (an empty one gives the default mesh of a 0 x 0 picture).
MeshSuggestion SuggestMesh(const TFastBMP& picture, const SuggestMeshOptions& options = {});

// The horizontal field of view in degrees of a photograph file of width x height pixels (as
// shown, after its EXIF orientation) from its EXIF data: the 35 mm equivalent focal length, or
// the focal length and the focal-plane resolution. Empty when the file has neither or cannot be
// read.
std::optional<double> ExifFieldOfView(const std::string& fileName);

}  // namespace glkov::vision
