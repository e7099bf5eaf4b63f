#pragma once

// What keeps a perspective mesh usable: the inner rectangle lies inside the picture and the
// vanishing point inside the inner rectangle. Outside it the box has walls turned inside out and
// the 3D view is half black.

#include <optional>
#include <string>

#include "core/model/project.h"

namespace glkov {

// The smallest distance in picture pixels that the vanishing point keeps from the inner
// rectangle's edges while a handle is dragged.
inline constexpr double kVanishMargin = 1.0;

// After handle tag (2 the vanishing point, 3..6 the inner rectangle's corners, as MoveHandle)
// was moved: the moved point is brought back inside what it must stay in. The vanishing point
// stops kVanishMargin inside the inner rectangle; a corner stops inside the picture (0..PicWidth,
// 0..PicHeight, y up) and kVanishMargin short of the vanishing point. Other tags change nothing.
void KeepMeshInside(TProject& project, int tag);

// Why the mesh cannot be fixed with "Done", as the message to show; nullopt when it can.
std::optional<std::string> MeshProblem(const TProject& project);

}  // namespace glkov
