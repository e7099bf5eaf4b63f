#pragma once

// The object inspector's rules: the nodes of the scene tree, the grid's values of an object and
// the edits the grid makes.

#include <array>
#include <string>
#include <vector>

#include "core/model/types.h"

namespace glkov {

struct TProject;

// One node of the scene tree; Depth 0 is the root. Data is 0 for a group node, the plane number
// (1..5) for a plane, the object index + 1 for an object.
struct InspectorNode {
  enum Kind { Group, Plane, Object };
  std::string Text;
  int Depth = 0;
  int Data = 0;
  Kind NodeKind = Group;
};

// "Scene <k>" (the sub-scene the working copy holds), "Background" with the five planes and, when
// withObjects, "Foreground" with one node per object.
std::vector<InspectorNode> SceneTreeNodes(const TProject& project, bool withObjects);

// The items of the parent box: the planes, the last one named "Front Wall".
inline constexpr std::array<const char*, 5> ParentItems = {"Floor", "Right Wall", "Left Wall",
                                                           "Ceiling", "Front Wall"};

// The grid's values of an object: Top (Y1), Left (X1), Bottom (Y2), Right (X2), Parent's name
// (empty for a parent outside 1..5).
std::array<std::string, 5> ObjectGridValues(const TfgObj& object);
inline constexpr std::array<const char*, 5> GridLabels = {"Top", "Left", "Bottom", "Right",
                                                          "Parent"};

// Writes a box value (rows 0..3) into object index and stores the working copy into the current
// sub-scene. Throws glkov::Error (the object unchanged) when the text is not a decimal integer
// or the index or row is out of range.
void SetObjectGridValue(TProject& project, int index, int row, const std::string& text);

// Sets Parent (1..5) or Name of object index and stores the working copy into the current
// sub-scene. Throws glkov::Error for an index or parent out of range.
void SetObjectParent(TProject& project, int index, int parent);
void SetObjectName(TProject& project, int index, const std::string& name);

}  // namespace glkov
