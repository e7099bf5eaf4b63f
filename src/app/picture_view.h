#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <vector>

#include "core/image/fast_bmp.h"
#include "core/perspective/mesh.h"

namespace glkov::app {

// A TFastBMP as a QImage (a deep copy, 24-bit).
QImage ToQImage(const TFastBMP& picture);

// Shows a picture stretched to the widget's size. The stretched copy is made once per size or
// picture change, not per paint, so overlays can repaint often on large pictures.
class TPictureView : public QWidget {
  Q_OBJECT

 public:
  explicit TPictureView(const QString& name, QWidget* parent = nullptr);

  // Shows picture (nullptr or empty: nothing). Call again after the picture changed.
  void SetPicture(const TFastBMP* picture);
  const TFastBMP* Picture() const { return picture_; }

 signals:
  void DoubleClicked();
  void MouseMoved(QPoint pos);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void PaintBackdrop(QPainter& painter);

 private:
  const TFastBMP* picture_ = nullptr;
  QImage source_;
  QImage scaled_;
};

// The mesh over a backdrop picture (MeshImage on the perspective page, ObjImage on the objects
// page). The lines come from the core in picture coordinates and are mapped to display pixels.
class TMeshImage : public TPictureView {
  Q_OBJECT

 public:
  TMeshImage(const QString& name, QWidget* parent = nullptr);

  // The core's drawing of the mesh (display pixels).
  void SetMesh(MeshDrawing drawing);
  const MeshDrawing& Drawing() const { return drawing_; }

 signals:
  void MousePressed(QMouseEvent* event);
  void MouseDragged(QMouseEvent* event);
  void MouseReleased(QMouseEvent* event);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  MeshDrawing drawing_;
};

// One of the five square handles over the mesh image; Tag says which point it moves.
class TMeshHandle : public QWidget {
  Q_OBJECT

 public:
  TMeshHandle(const QString& name, int tag, QWidget* parent);
  int Tag() const { return tag_; }
  void SetChecked(bool checked);  // silver while the perspective is done, else white

 signals:
  void Pressed(TMeshHandle* handle, QPoint posInHandle);
  void Moved(TMeshHandle* handle, QPoint posInHandle);
  void Released(TMeshHandle* handle);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  int tag_;
  bool checked_ = false;
};

}  // namespace glkov::app
