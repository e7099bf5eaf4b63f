#pragma once

// The 3D view: draws the made scene with the core's SceneRenderer in a compatibility-profile
// OpenGL context and turns mouse drags into camera steps (MouseNavigator). It draws only when
// asked (RedrawScene, a paint), never on a timer.

#include <QOpenGLWidget>
#include <memory>
#include <string>

#include "core/model/types.h"
#include "core/scene/camera.h"
#include "core/scene/renderer.h"

class QOpenGLFramebufferObject;

namespace glkov {
struct TProject;
}

namespace glkov::app {

class GLPanel : public QOpenGLWidget {
  Q_OBJECT

 public:
  GLPanel(TProject& project, RenderSwitches& switches, QWidget* parent = nullptr);
  ~GLPanel() override;

  // The format the view asks for: OpenGL 2.1 compatibility profile with a depth buffer.
  static QSurfaceFormat Format();

  // A scene was made: its textures are uploaded once, at the next frame, and it is drawn.
  void SceneMade();
  // The project was closed or the scene is gone: nothing is drawn until the next SceneMade.
  void ClearScene();
  // Asks for a new frame (camera, switches or scene changed).
  void RedrawScene() { update(); }
  // " Preview Quality " changed: textures are uploaded again with the new filter when it differs.
  void SetQuality(int quality);
  // "Anti-aliasing": samples per pixel of the view (1, 2, 4 or 8; default 4, as the movie's).
  // Above 1 the frame is drawn into a multisampled framebuffer and resolved into the widget's.
  void SetSamples(int samples);
  // The samples the last frame was drawn with: the setting as the driver grants it (capped at
  // its maximum; a driver may round a count up).
  int Samples() const { return drawnSamples_; }

  MouseOperation Operation() const { return operation_; }
  void SetOperation(MouseOperation operation);
  // The message of the last failed frame or upload, empty when the last frame was drawn.
  const std::string& LastError() const { return lastError_; }

 signals:
  // A mouse step moved the camera (the camera values window shows it).
  void CameraChanged();
  // The middle-button release or a double click switched " Mouse Operation ".
  void OperationChanged(MouseOperation operation);

 protected:
  void initializeGL() override;
  void paintGL() override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void ReleaseGL();
  void UpdateIdleCursor();
  // The multisampled framebuffer of a w x h frame, made or remade as needed; nullptr with one
  // sample or when the driver cannot multisample.
  QOpenGLFramebufferObject* MultisampledTarget(int w, int h);

  TProject* project_;
  RenderSwitches* switches_;
  SceneRenderer renderer_;
  MouseNavigator navigator_;
  MouseOperation operation_ = MouseOperation::MoveCamera;
  bool sceneMade_ = false;
  bool uploadPending_ = false;
  int samples_ = 4;
  int drawnSamples_ = 1;
  int askedSamples_ = 0;  // what msTarget_ was made for
  std::unique_ptr<QOpenGLFramebufferObject> msTarget_;
  std::string lastError_;
};

// The cursor of the 3D view while a drag runs: the four-way arrow for a left "Move Camera" drag,
// the vertical arrow for other "Move Camera" drags, a closed hand for "Rotate Camera".
Qt::CursorShape DragCursor(MouseOperation operation, MouseButton button);
// The cursor when no drag runs: the four-way arrow for "Move Camera", an open hand for "Rotate
// Camera".
Qt::CursorShape IdleCursor(MouseOperation operation);

}  // namespace glkov::app
