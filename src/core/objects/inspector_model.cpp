#include "core/objects/inspector_model.h"

#include <limits>

#include "core/error.h"
#include "core/model/project.h"
#include "core/util/text_format.h"

namespace glkov {

std::vector<InspectorNode> SceneTreeNodes(const TProject& project, bool withObjects) {
  std::vector<InspectorNode> nodes;
  nodes.push_back(
      {"Scene " + std::to_string(WorkingRegionIndex(project)), 0, 0, InspectorNode::Group});
  nodes.push_back({"Background", 1, 0, InspectorNode::Group});
  for (int i = 0; i < 5; ++i) nodes.push_back({PlaneNames[i], 2, i + 1, InspectorNode::Plane});
  if (withObjects) {
    nodes.push_back({"Foreground", 1, 0, InspectorNode::Group});
    for (size_t i = 0; i < project.fgObjs.size(); ++i)
      nodes.push_back({project.fgObjs[i].Name, 2, static_cast<int>(i) + 1, InspectorNode::Object});
  }
  return nodes;
}

std::array<std::string, 5> ObjectGridValues(const TfgObj& o) {
  return {std::to_string(o.Y1), std::to_string(o.X1), std::to_string(o.Y2), std::to_string(o.X2),
          o.Parent >= 1 && o.Parent <= 5 ? PlaneNames[o.Parent - 1] : ""};
}

namespace {

TfgObj& ObjectAt(TProject& project, int index) {
  if (index < 0 || index >= project.fgObjCount())
    throw Error("There is no object " + std::to_string(index + 1) + ".");
  return project.fgObjs[index];
}

void Store(TProject& project) {
  StoreWorkingRegion(project);
  project.Modified = true;
}

}  // namespace

void SetObjectGridValue(TProject& project, int index, int row, const std::string& text) {
  TfgObj& o = ObjectAt(project, index);
  const std::optional<int64_t> v = ParseInt(text);
  if (!v || *v < std::numeric_limits<int>::min() || *v > std::numeric_limits<int>::max())
    throw Error("'" + text + "' is not a valid integer value.");
  int* fields[] = {&o.Y1, &o.X1, &o.Y2, &o.X2};
  if (row < 0 || row > 3) throw Error("Row " + std::to_string(row) + " holds no number.");
  *fields[row] = static_cast<int>(*v);
  Store(project);
}

void SetObjectParent(TProject& project, int index, int parent) {
  TfgObj& o = ObjectAt(project, index);
  if (parent < 1 || parent > 5) throw Error("There is no plane " + std::to_string(parent) + ".");
  o.Parent = parent;
  Store(project);
}

void SetObjectName(TProject& project, int index, const std::string& name) {
  ObjectAt(project, index).Name = name;
  Store(project);
}

}  // namespace glkov
