#pragma once

// Stand-ins for model operations that the core does not offer yet. Each forwards to the core
// where it can and is replaced by the core's own operation once that exists.

#include <string>
#include <vector>

#include "core/model/project.h"
#include "core/ui_callbacks.h"

namespace glkov::app {

// Which picture an import goes to; also the tag of the file-name boxes.
enum class PictureKind { Original = 0, Mask = 1, Background = 2 };

// Loads a picture of the given kind into the project with its cut-out for the current sub-scene.
// The original sets the picture size, the default mesh and the sub-scene list. Throws
// glkov::Error naming the file; the project keeps its pictures then.
void ImportPicture(TProject& project, PictureKind kind, const std::string& fileName,
                   UiCallbacks& callbacks);

// Empties the model part of a project (pictures, names, sub-scenes, working copy).
void CloseProjectModel(TProject& project);

// Reads and writes project files. Throws glkov::Error naming the file.
void LoadProjectFile(TProject& project, const std::string& fileName, UiCallbacks& callbacks);
void SaveProjectFile(const TProject& project, const std::string& fileName);

// A line of the mesh drawing in picture coordinates and the pen it is drawn with.
struct MeshLine {
  enum Pen { Grid, Guide, Outline, Object };
  double x0, y0, x1, y1;
  Pen pen;
};

// The lines DrawMesh draws for the working copy; editView adds the dashed guides, a view that is
// not the editor's adds the object boxes when objects were extracted.
std::vector<MeshLine> MeshDrawing(const TProject& project, bool editView);

// Sets the point that handle tag (2 vanishing point, 3..6 inner corners) controls.
void SetHandlePoint(TProject& project, int tag, double x, double y);

// The picture point of handle tag.
void HandlePoint(const TProject& project, int tag, double& x, double& y);

// Mouse drags on the mesh image: Shift moves the grid, the right button the focal length, else the
// grid divisions (never below 1). dx, dy in display pixels.
void DragMeshGrid(TProject& project, int dx, int dy, bool shift, bool rightButton);

// The horizontal field of view in degrees, and the focal length set from one.
double FieldOfView(const TProject& project);
void SetFieldOfView(TProject& project, double degrees);

}  // namespace glkov::app
