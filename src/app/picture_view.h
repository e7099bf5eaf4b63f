#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "core/image/fast_bmp.h"
#include "core/perspective/mesh.h"

namespace glkov::app {

// A TFastBMP as a QImage (a deep copy, 24-bit).
QImage ToQImage(const TFastBMP& picture);

// Shows a picture stretched to the widget's size ("fit", zoom 1) and zoomed and panned over it:
// the wheel zooms about the cursor, the middle button or Space with the left button pans.
// The stretched copy at zoom 1 is made once per size or picture change, not per paint, so
// overlays can repaint often on large pictures.
//
// Three coordinate systems meet here; the functions below are the one mapping between them:
// - view: widget pixels (x right, y down from the widget's top-left);
// - display: the core's display pixels at the fit scale (what DrawMesh and PictureToDisplay
//   use); view = Pan() + Zoom() * display;
// - picture: the mesh's picture coordinates (x from the left column, y up from the bottom row),
//   display = (x * s, (pictureHeight - 1 - y) * s) with s the fit scale; and image: picture
//   pixels with y down (pixel (i, j) covers [i, i+1) x [j, j+1)), image = (x, pictureHeight - 1 -
//   y).
class TPictureView : public QWidget {
  Q_OBJECT

 public:
  static constexpr double kMaxZoom = 64.0;

  explicit TPictureView(const QString& name, QWidget* parent = nullptr);

  // Shows picture (nullptr or empty: nothing). Call again after the picture changed.
  void SetPicture(const TFastBMP* picture);
  const TFastBMP* Picture() const { return picture_; }

  // Display pixels per picture pixel at zoom 1; 0 (the default) derives it from the widget's
  // width. Set it to the layout's fit scale so that the view agrees with the core's drawing.
  void SetFitScale(double scale);
  double FitScale() const;

  double Zoom() const { return zoom_; }
  QPointF Pan() const { return pan_; }
  // Zooms to zoom (clamped to 1 .. kMaxZoom) keeping the picture point under anchor (view
  // pixels) where it is.
  void ZoomAbout(double zoom, QPointF anchor);
  void ZoomIn();   // one step, about the widget's centre
  void ZoomOut();  // one step, about the widget's centre
  void Fit();      // zoom 1, the whole picture in the widget
  // Moves the picture by delta view pixels; the picture always covers the widget.
  void PanBy(QPointF delta);

  QPointF DisplayToView(QPointF display) const;
  QPointF ViewToDisplay(QPointF view) const;
  QPointF PictureToView(PointD picture) const;
  PointD ViewToPicture(QPointF view) const;
  QPointF ImageToView(QPointF image) const;
  QPointF ViewToImage(QPointF view) const;

  // True while the picture is being panned (the mouse then does nothing else).
  bool Panning() const { return panning_; }

 signals:
  void DoubleClicked();
  void MouseMoved(QPoint pos);
  // Zoom or pan changed; whatever sits over the view (handles) is placed again.
  void ViewChanged();

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void wheelEvent(QWheelEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void keyReleaseEvent(QKeyEvent*) override;
  void enterEvent(QEnterEvent*) override;

  // Panning by the middle button or Space with the left button; true when the event was used.
  bool PanPress(QMouseEvent* e);
  bool PanMove(QMouseEvent* e);
  bool PanRelease(QMouseEvent* e);

  // Paints the widget's background and the picture as seen with the view's zoom and pan.
  void PaintBackdrop(QPainter& painter);
  // Paints the picture only, as seen with zoom and pan (view = pan + zoom * display).
  void PaintPicture(QPainter& painter, double zoom, QPointF pan);
  QPointF PictureToView(PointD picture, double zoom, QPointF pan) const;

 private:
  void ClampPan();

  const TFastBMP* picture_ = nullptr;
  QImage source_;
  QImage scaled_;
  double fitScale_ = 0;
  double zoom_ = 1.0;
  QPointF pan_;
  bool spaceHeld_ = false;
  bool panning_ = false;
  QPointF panLast_;
};

// The mesh over a backdrop picture (MeshImage on the perspective page, ObjImage on the objects
// page). The lines come from the core in picture coordinates and are mapped through the view's
// zoom and pan.
class TMeshImage : public TPictureView {
  Q_OBJECT

 public:
  static constexpr double kMagnification = 4.0;  // the magnifier against the current zoom
  static constexpr int kMagnifierSize = 161;     // view pixels, odd so the point has a centre

  TMeshImage(const QString& name, QWidget* parent = nullptr);

  // The core's drawing of the mesh.
  void SetMesh(MeshDrawing drawing);
  const MeshDrawing& Drawing() const { return drawing_; }

  // Shows the magnifier for the point at view pixel at (a handle's centre while it is dragged);
  // nullopt hides it.
  void SetMagnifier(std::optional<QPointF> at);
  std::optional<QPointF> MagnifierPoint() const { return magnifier_; }
  // Where the magnifier is drawn (view pixels): beside the point, inside the widget when it fits.
  QRect MagnifierRect() const;

  // Line segments (picture coordinates) drawn faintly over the mesh; empty hides them.
  void SetHintLines(std::vector<LineD> lines);
  const std::vector<LineD>& HintLines() const { return hintLines_; }

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
  void PaintMesh(QPainter& painter, double zoom, QPointF pan);

  MeshDrawing drawing_;
  std::optional<QPointF> magnifier_;
  std::vector<LineD> hintLines_;
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
