#pragma once

// The camera of the 3D view: its default at the photograph's eye, the eye of a sub-scene over the
// flat whole-picture board of a transition, "Revert Position" and the mouse navigation steps.
// Scene units, y up; nothing is normalised or clamped.

#include <array>
#include <string>

#include "core/model/project.h"

namespace glkov {

// Items of the camera control window's " Mouse Operation " group, in their order.
enum class MouseOperation : int { MoveCamera = 0, RotateCamera = 1 };

enum class MouseButton : int { Left, Right, Middle };

// Camera at the eye (0, EyeHeight, EyeDistance), looking along (0, 0, -1), up (0, 1, 0).
void SetDefaultCamera(TProject& project);

// Camera over sub-scene i of the whole original picture (for the flat transition board): position
// ((Left + VanishX) / SceneScale, (H - Bottom) / SceneScale + EyeHeight, EyeDistance) with the
// entry's rectangle and vanishing point and H the original picture's height; looking along -z, up
// +y. Before the first make the scale is computed first (EnsureSceneScale). Throws glkov::Error
// for an index outside MeshRegions.
void SetSubSceneCamera(TProject& project, int i);

// "Revert Position": SetSubSceneCamera(CurrentRegion) while a transition is shown, otherwise
// SetDefaultCamera.
void RevertPosition(TProject& project);

// One drag step of the mouse on the 3D view. dX, dY: display pixels since the last step (y grows
// downward); sceneScale: picture pixels per scene unit. Move with the left button shifts the
// camera across the view, with the right or middle button along z; Rotate with the left button
// turns CamDir, with the right or middle button rolls CamUp. Returns the camera unchanged when
// sceneScale is not a positive number.
TCamera MouseStep(const TCamera& camera, MouseOperation operation, MouseButton button, int dX,
                  int dY, double sceneScale);

// The next item of " Mouse Operation ", cyclically (a middle-button drag ending, a double click).
MouseOperation NextOperation(MouseOperation operation);

// The drag state of the 3D view, shared by its mouse handlers.
class MouseNavigator {
 public:
  // A button went down at (x, y), client pixels of the 3D view.
  void Down(MouseButton button, int x, int y);

  // The mouse moved to (x, y). While a drag runs, applies one MouseStep to the project's camera
  // and returns true (the caller shows the values and redraws); otherwise does nothing.
  bool Move(TProject& project, MouseOperation operation, int x, int y);

  // The button came up: ends the drag and returns the operation to use from now on (the next one
  // after a middle-button drag).
  MouseOperation Up(MouseOperation operation);

  bool Dragging() const { return dragging_; }
  MouseButton Button() const { return button_; }

 private:
  bool dragging_ = false;
  MouseButton button_ = MouseButton::Left;
  int lastX_ = 0;
  int lastY_ = 0;
};

// The two rows of the camera values window: CamPos x, y, z and CamDir x, y, z, each as the
// shortest text of up to 15 significant digits.
std::array<std::array<std::string, 3>, 2> CameraValueTexts(const TCamera& camera);

}  // namespace glkov
