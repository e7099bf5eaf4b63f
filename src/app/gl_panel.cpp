#include "app/gl_panel.h"

#include <GL/gl.h>

#include <algorithm>

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFramebufferObject>
#include <QSurfaceFormat>

#include "core/error.h"
#include "core/model/project.h"

namespace glkov::app {

namespace {

std::optional<MouseButton> ButtonOf(Qt::MouseButton b) {
  switch (b) {
    case Qt::LeftButton:
      return MouseButton::Left;
    case Qt::RightButton:
      return MouseButton::Right;
    case Qt::MiddleButton:
      return MouseButton::Middle;
    default:
      return std::nullopt;
  }
}

}  // namespace

Qt::CursorShape DragCursor(MouseOperation operation, MouseButton button) {
  if (operation == MouseOperation::RotateCamera) return Qt::ClosedHandCursor;
  return button == MouseButton::Left ? Qt::SizeAllCursor : Qt::SizeVerCursor;
}

Qt::CursorShape IdleCursor(MouseOperation operation) {
  return operation == MouseOperation::RotateCamera ? Qt::OpenHandCursor : Qt::SizeAllCursor;
}

QSurfaceFormat GLPanel::Format() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setVersion(2, 1);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setDepthBufferSize(24);
  return format;
}

GLPanel::GLPanel(TProject& project, RenderSwitches& switches, QWidget* parent)
    : QOpenGLWidget(parent), project_(&project), switches_(&switches) {
  setObjectName(QStringLiteral("GLPanel"));
  setFormat(Format());
  setMouseTracking(false);
  UpdateIdleCursor();
}

GLPanel::~GLPanel() {
  // The base class destroys the context after this part of the object is gone: the release
  // must happen here, and the context must not call back into a half-destroyed panel.
  if (QOpenGLContext* c = context()) disconnect(c, nullptr, this, nullptr);
  ReleaseGL();
}

void GLPanel::ReleaseGL() {
  if (!context()) return;
  makeCurrent();
  renderer_.ReleaseTextures();
  msTarget_.reset();
  doneCurrent();
}

void GLPanel::initializeGL() {
  // A new context (first show, or the widget moved to another window) holds no textures yet.
  connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &GLPanel::ReleaseGL,
          Qt::UniqueConnection);
  renderer_ = SceneRenderer{};
  msTarget_.reset();
  uploadPending_ = sceneMade_;
}

void GLPanel::SceneMade() {
  sceneMade_ = true;
  uploadPending_ = true;
  update();
}

void GLPanel::ClearScene() {
  sceneMade_ = false;
  uploadPending_ = false;
  update();
}

void GLPanel::SetQuality(int quality) {
  if (!sceneMade_ || uploadPending_ || !context()) {
    update();
    return;
  }
  makeCurrent();
  try {
    if (renderer_.SetQuality(*project_, quality)) update();
  } catch (const Error& e) {
    lastError_ = e.what();
  }
  doneCurrent();
}

void GLPanel::SetSamples(int samples) {
  samples = std::clamp(samples, 1, 8);
  if (samples == samples_) return;
  samples_ = samples;
  update();
}

QOpenGLFramebufferObject* GLPanel::MultisampledTarget(int w, int h) {
  if (samples_ <= 1 || !QOpenGLFramebufferObject::hasOpenGLFramebufferBlit()) {
    msTarget_.reset();
    return nullptr;
  }
  if (!msTarget_ || msTarget_->size() != QSize(w, h) || askedSamples_ != samples_) {
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
    format.setSamples(samples_);  // Qt caps it at the driver's maximum
    msTarget_ = std::make_unique<QOpenGLFramebufferObject>(w, h, format);
    askedSamples_ = samples_;
    if (!msTarget_->isValid() || msTarget_->format().samples() <= 1) {
      msTarget_.reset();
      return nullptr;
    }
  }
  return msTarget_.get();
}

void GLPanel::paintGL() {
  const qreal dpr = devicePixelRatioF();
  const int w = std::max(1, static_cast<int>(width() * dpr + 0.5));
  const int h = std::max(1, static_cast<int>(height() * dpr + 0.5));
  const bool drawScene = sceneMade_ && project_->SceneMade;
  QOpenGLFramebufferObject* ms = drawScene ? MultisampledTarget(w, h) : nullptr;
  drawnSamples_ = ms ? ms->format().samples() : 1;
  if (ms) ms->bind();
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (drawScene) {
    try {
      if (uploadPending_) {
        renderer_.UploadScene(*project_, switches_->Quality);
        uploadPending_ = false;
      }
      renderer_.GLDraw(*project_, project_->Camera, *switches_, w, h);
      lastError_.clear();
    } catch (const Error& e) {
      lastError_ = e.what();
    }
  }
  if (ms) {
    // Resolve the samples into the widget's own framebuffer, which Qt shows and grabs.
    QOpenGLExtraFunctions* f = context()->extraFunctions();
    f->glBindFramebuffer(GL_READ_FRAMEBUFFER, ms->handle());
    f->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, defaultFramebufferObject());
    f->glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    f->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
  }
}

void GLPanel::SetOperation(MouseOperation operation) {
  operation_ = operation;
  if (!navigator_.Dragging()) UpdateIdleCursor();
}

void GLPanel::UpdateIdleCursor() { setCursor(IdleCursor(operation_)); }

void GLPanel::mousePressEvent(QMouseEvent* event) {
  const auto button = ButtonOf(event->button());
  if (!button || navigator_.Dragging()) return;
  const QPoint p = event->position().toPoint();
  navigator_.Down(*button, p.x(), p.y());
  setCursor(DragCursor(operation_, *button));
  grabMouse();  // the drag keeps the mouse until the button comes up
}

void GLPanel::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (navigator_.Move(*project_, operation_, p.x(), p.y())) {
    emit CameraChanged();
    update();
  }
}

void GLPanel::mouseReleaseEvent(QMouseEvent* event) {
  const auto button = ButtonOf(event->button());
  if (!navigator_.Dragging() || !button || *button != navigator_.Button()) return;
  releaseMouse();
  const MouseOperation next = navigator_.Up(operation_);
  const bool changed = next != operation_;
  operation_ = next;
  UpdateIdleCursor();
  if (changed) emit OperationChanged(operation_);
}

void GLPanel::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  operation_ = NextOperation(operation_);
  setCursor(operation_ == MouseOperation::RotateCamera ? Qt::PointingHandCursor
                                                       : Qt::SizeAllCursor);
  emit OperationChanged(operation_);
}

}  // namespace glkov::app
