#include "core/scene/camera.h"

#include <cmath>

#include "core/error.h"
#include "core/scene/scene_builder.h"
#include "core/util/text_format.h"

namespace glkov {

void SetDefaultCamera(TProject& project) {
  project.Camera.CamPos = {0, project.EyeHeight, project.EyeDistance};
  project.Camera.CamDir = {0, 0, -1};
  project.Camera.CamUp = {0, 1, 0};
}

void SetSubSceneCamera(TProject& project, int i) {
  if (i < 0 || i >= static_cast<int>(project.MeshRegions.size())) {
    throw Error("There is no sub-scene " + std::to_string(i) + ".");
  }
  EnsureSceneScale(project);
  const TMeshRegion& r = project.MeshRegions[static_cast<size_t>(i)];
  const double u = project.SceneScale;
  const double h = project.IOriginal.Height();
  project.Camera.CamPos = {(r.Left + r.VanishX) / u, (h - r.Bottom) / u + project.EyeHeight,
                           project.EyeDistance};
  project.Camera.CamDir = {0, 0, -1};
  project.Camera.CamUp = {0, 1, 0};
}

void RevertPosition(TProject& project) {
  if (project.TransitionMode) {
    SetSubSceneCamera(project, project.CurrentRegion);
  } else {
    SetDefaultCamera(project);
  }
}

TCamera MouseStep(const TCamera& camera, MouseOperation operation, MouseButton button, int dX,
                  int dY, double sceneScale) {
  TCamera c = camera;
  const double s = sceneScale;
  if (!(s > 0) || !std::isfinite(s)) return c;
  const bool left = button == MouseButton::Left;
  if (operation == MouseOperation::MoveCamera) {
    if (left) {
      c.CamPos.x = c.CamPos.x - dX / s;
      c.CamPos.y = c.CamPos.y + dY / s;
    } else {
      c.CamPos.z = c.CamPos.z + dY / s;
    }
  } else {
    if (left) {
      c.CamDir.x = c.CamDir.x - 2.0 * dX / s;
      c.CamDir.y = c.CamDir.y + 2.0 * dY / s;
    } else {
      c.CamUp.x = c.CamUp.x - 2.0 * dX / s;
    }
  }
  return c;
}

MouseOperation NextOperation(MouseOperation operation) {
  return operation == MouseOperation::MoveCamera ? MouseOperation::RotateCamera
                                                 : MouseOperation::MoveCamera;
}

void MouseNavigator::Down(MouseButton button, int x, int y) {
  dragging_ = true;
  button_ = button;
  lastX_ = x;
  lastY_ = y;
}

bool MouseNavigator::Move(TProject& project, MouseOperation operation, int x, int y) {
  if (!dragging_) return false;
  project.Camera =
      MouseStep(project.Camera, operation, button_, x - lastX_, y - lastY_, project.SceneScale);
  lastX_ = x;
  lastY_ = y;
  return true;
}

MouseOperation MouseNavigator::Up(MouseOperation operation) {
  const bool wasMiddle = dragging_ && button_ == MouseButton::Middle;
  dragging_ = false;
  return wasMiddle ? NextOperation(operation) : operation;
}

std::array<std::array<std::string, 3>, 2> CameraValueTexts(const TCamera& camera) {
  const Vec3& p = camera.CamPos;
  const Vec3& d = camera.CamDir;
  return {{{FormatG15(p.x), FormatG15(p.y), FormatG15(p.z)},
           {FormatG15(d.x), FormatG15(d.y), FormatG15(d.z)}}};
}

}  // namespace glkov
