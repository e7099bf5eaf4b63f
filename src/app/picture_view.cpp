#include "app/picture_view.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace glkov::app {

namespace {

constexpr double kZoomStep = 1.41421356237309515;  // two key presses double the zoom

}  // namespace

QImage ToQImage(const TFastBMP& picture) {
  if (picture.Empty()) return {};
  QImage wrapped(picture.Bits(), picture.Width(), picture.Height(),
                 static_cast<qsizetype>(picture.RowStride()), QImage::Format_BGR888);
  return wrapped.convertToFormat(QImage::Format_RGB32);
}

TPictureView::TPictureView(const QString& name, QWidget* parent) : QWidget(parent) {
  setObjectName(name);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::WheelFocus);
}

void TPictureView::SetPicture(const TFastBMP* picture) {
  picture_ = picture;
  source_ = picture ? ToQImage(*picture) : QImage();
  scaled_ = QImage();
  update();
}

void TPictureView::SetFitScale(double scale) {
  fitScale_ = scale > 0 && std::isfinite(scale) ? scale : 0;
  ClampPan();
  update();
}

double TPictureView::FitScale() const {
  if (fitScale_ > 0) return fitScale_;
  if (!source_.isNull() && source_.width() > 0) return double(width()) / source_.width();
  return 1.0;
}

// ---------------------------------------------------------------------------------------------
// The mapping

QPointF TPictureView::DisplayToView(QPointF display) const { return pan_ + zoom_ * display; }

QPointF TPictureView::ViewToDisplay(QPointF view) const { return (view - pan_) / zoom_; }

QPointF TPictureView::ImageToView(QPointF image) const { return DisplayToView(image * FitScale()); }

QPointF TPictureView::ViewToImage(QPointF view) const { return ViewToDisplay(view) / FitScale(); }

QPointF TPictureView::PictureToView(PointD picture, double zoom, QPointF pan) const {
  const double s = FitScale();
  const double h = source_.isNull() ? height() / s : source_.height();
  return pan + zoom * QPointF(picture.x * s, (h - 1 - picture.y) * s);
}

QPointF TPictureView::PictureToView(PointD picture) const {
  return PictureToView(picture, zoom_, pan_);
}

PointD TPictureView::ViewToPicture(QPointF view) const {
  const double s = FitScale();
  const double h = source_.isNull() ? height() / s : source_.height();
  const QPointF d = ViewToDisplay(view);
  return {d.x() / s, h - 1 - d.y() / s};
}

// ---------------------------------------------------------------------------------------------
// Zoom and pan

void TPictureView::ClampPan() {
  // The picture (the widget's size times the zoom) always covers the widget.
  const double w = width() * zoom_, h = height() * zoom_;
  pan_.setX(std::clamp(pan_.x(), std::min(0.0, width() - w), 0.0));
  pan_.setY(std::clamp(pan_.y(), std::min(0.0, height() - h), 0.0));
}

void TPictureView::ZoomAbout(double zoom, QPointF anchor) {
  zoom = std::clamp(zoom, 1.0, kMaxZoom);
  if (!std::isfinite(zoom)) return;
  const QPointF d = ViewToDisplay(anchor);
  zoom_ = zoom;
  pan_ = anchor - zoom_ * d;
  ClampPan();
  update();
  emit ViewChanged();
}

void TPictureView::ZoomIn() { ZoomAbout(zoom_ * kZoomStep, QRectF(rect()).center()); }
void TPictureView::ZoomOut() { ZoomAbout(zoom_ / kZoomStep, QRectF(rect()).center()); }

void TPictureView::Fit() {
  zoom_ = 1.0;
  pan_ = QPointF();
  update();
  emit ViewChanged();
}

void TPictureView::PanBy(QPointF delta) {
  pan_ += delta;
  ClampPan();
  update();
  emit ViewChanged();
}

void TPictureView::resizeEvent(QResizeEvent*) {
  ClampPan();
  emit ViewChanged();
}

bool TPictureView::PanPress(QMouseEvent* e) {
  const bool pan = e->button() == Qt::MiddleButton || (e->button() == Qt::LeftButton && spaceHeld_);
  if (!pan) return false;
  panning_ = true;
  panLast_ = e->position();
  setCursor(Qt::ClosedHandCursor);
  return true;
}

bool TPictureView::PanMove(QMouseEvent* e) {
  if (!panning_) return false;
  const QPointF p = e->position();
  PanBy(p - panLast_);
  panLast_ = p;
  return true;
}

bool TPictureView::PanRelease(QMouseEvent*) {
  if (!panning_) return false;
  panning_ = false;
  if (spaceHeld_)
    setCursor(Qt::OpenHandCursor);
  else
    unsetCursor();
  return true;
}

void TPictureView::mousePressEvent(QMouseEvent* e) { PanPress(e); }

void TPictureView::mouseReleaseEvent(QMouseEvent* e) { PanRelease(e); }

void TPictureView::mouseMoveEvent(QMouseEvent* e) {
  if (PanMove(e)) return;
  emit MouseMoved(e->position().toPoint());
}

void TPictureView::wheelEvent(QWheelEvent* e) {
  const double steps = e->angleDelta().y() / 120.0;
  if (steps == 0 || source_.isNull()) return e->ignore();
  ZoomAbout(zoom_ * std::pow(1.25, steps), e->position());
  e->accept();
}

void TPictureView::keyPressEvent(QKeyEvent* e) {
  if (e->key() != Qt::Key_Space) return QWidget::keyPressEvent(e);
  if (!e->isAutoRepeat()) {
    spaceHeld_ = true;
    if (!panning_) setCursor(Qt::OpenHandCursor);
  }
  e->accept();
}

void TPictureView::keyReleaseEvent(QKeyEvent* e) {
  if (e->key() != Qt::Key_Space) return QWidget::keyReleaseEvent(e);
  if (!e->isAutoRepeat()) {
    spaceHeld_ = false;
    if (!panning_) unsetCursor();
  }
  e->accept();
}

void TPictureView::enterEvent(QEnterEvent*) {
  // Space pans without a click first, unless the user is typing somewhere.
  QWidget* f = QApplication::focusWidget();
  if (qobject_cast<QLineEdit*>(f) || qobject_cast<QAbstractSpinBox*>(f) ||
      qobject_cast<QTextEdit*>(f) || qobject_cast<QPlainTextEdit*>(f))
    return;
  if (window()->isActiveWindow()) setFocus(Qt::MouseFocusReason);
}

// ---------------------------------------------------------------------------------------------
// Painting

void TPictureView::PaintPicture(QPainter& painter, double zoom, QPointF pan) {
  if (source_.isNull()) return;
  if (zoom == 1.0 && pan.isNull()) {
    if (scaled_.size() != size())
      scaled_ = source_.scaled(size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    painter.drawImage(0, 0, scaled_);
    return;
  }
  // Nearest pixels, so that a zoomed picture shows its pixels as they are.
  const double s = FitScale() * zoom;
  const QRectF target(pan, QSizeF(source_.width() * s, source_.height() * s));
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(target, source_, QRectF(source_.rect()));
  painter.restore();
}

void TPictureView::PaintBackdrop(QPainter& painter) {
  painter.fillRect(rect(), palette().color(QPalette::Window));
  PaintPicture(painter, zoom_, pan_);
}

void TPictureView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintBackdrop(painter);
}

void TPictureView::mouseDoubleClickEvent(QMouseEvent*) { emit DoubleClicked(); }

// ---------------------------------------------------------------------------------------------
// The mesh view

TMeshImage::TMeshImage(const QString& name, QWidget* parent) : TPictureView(name, parent) {}

void TMeshImage::SetMesh(MeshDrawing drawing) {
  drawing_ = std::move(drawing);
  update();
}

void TMeshImage::SetMagnifier(std::optional<QPointF> at) {
  magnifier_ = at;
  update();
}

void TMeshImage::SetHintLines(std::vector<LineD> lines) {
  hintLines_ = std::move(lines);
  update();
}

QRect TMeshImage::MagnifierRect() const {
  if (!magnifier_) return {};
  constexpr int kGap = 24;
  const int n = kMagnifierSize;
  const QPoint p = magnifier_->toPoint();
  // Below right of the point; to the other side where the widget ends.
  int x = p.x() + kGap, y = p.y() + kGap;
  if (x + n > width()) x = p.x() - kGap - n;
  if (y + n > height()) y = p.y() - kGap - n;
  x = std::clamp(x, 0, std::max(0, width() - n));
  y = std::clamp(y, 0, std::max(0, height() - n));
  return {x, y, n, n};
}

namespace {

QPen ToPen(const MeshPen& pen) {
  QPen q(QColor(pen.R, pen.G, pen.B), pen.Width, pen.Dashed ? Qt::DashLine : Qt::SolidLine);
  q.setCosmetic(true);
  return q;
}

}  // namespace

void TMeshImage::PaintMesh(QPainter& painter, double zoom, QPointF pan) {
  for (const MeshSegment& s : drawing_.Segments) {
    painter.setPen(ToPen(s.Pen));
    painter.drawLine(QLineF(PictureToView(s.From, zoom, pan), PictureToView(s.To, zoom, pan)));
  }
  painter.setBrush(Qt::NoBrush);
  for (const MeshBox& b : drawing_.Boxes) {
    painter.setPen(ToPen(b.Pen));
    const QPointF a = pan + zoom * QPointF(b.A.X, b.A.Y), c = pan + zoom * QPointF(b.B.X, b.B.Y);
    painter.drawRect(QRectF(a, c).normalized());
  }
  if (!hintLines_.empty()) {
    painter.setPen(QPen(QColor(255, 230, 0, 140), 2));
    for (const LineD& l : hintLines_)
      painter.drawLine(QLineF(PictureToView(l.P0, zoom, pan), PictureToView(l.P1, zoom, pan)));
  }
}

void TMeshImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintBackdrop(painter);
  if (!drawing_.HasBackdrop || !Picture() || Picture()->Empty()) return;
  PaintMesh(painter, Zoom(), Pan());
  if (!magnifier_) return;

  // The magnifier: the same picture and mesh kMagnification times larger, the point at its centre.
  const QRect r = MagnifierRect();
  const QPointF m = QRectF(r).center();
  const double zoom = Zoom() * kMagnification;
  const QPointF pan = m - kMagnification * (*magnifier_ - Pan());
  painter.save();
  painter.setClipRect(r);
  painter.fillRect(r, palette().color(QPalette::Window));
  PaintPicture(painter, zoom, pan);
  PaintMesh(painter, zoom, pan);
  painter.setPen(QPen(Qt::black, 3));
  painter.drawLine(QLineF(m.x() - 8, m.y(), m.x() + 8, m.y()));
  painter.drawLine(QLineF(m.x(), m.y() - 8, m.x(), m.y() + 8));
  painter.setPen(QPen(Qt::white, 1));
  painter.drawLine(QLineF(m.x() - 7, m.y(), m.x() + 7, m.y()));
  painter.drawLine(QLineF(m.x(), m.y() - 7, m.x(), m.y() + 7));
  painter.setClipping(false);
  painter.setPen(QPen(Qt::black, 1));
  painter.drawRect(r.adjusted(0, 0, -1, -1));
  painter.restore();
}

void TMeshImage::mousePressEvent(QMouseEvent* e) {
  if (!PanPress(e)) emit MousePressed(e);
}
void TMeshImage::mouseMoveEvent(QMouseEvent* e) {
  if (PanMove(e)) return;
  emit MouseMoved(e->position().toPoint());
  emit MouseDragged(e);
}
void TMeshImage::mouseReleaseEvent(QMouseEvent* e) {
  if (!PanRelease(e)) emit MouseReleased(e);
}

// ---------------------------------------------------------------------------------------------
// Handles

TMeshHandle::TMeshHandle(const QString& name, int tag, QWidget* parent)
    : QWidget(parent), tag_(tag) {
  setObjectName(name);
  setFixedSize(7, tag == 6 ? 8 : 7);
  setCursor(Qt::PointingHandCursor);
  setMouseTracking(true);
  setToolTip("Drag to Move");
  setStatusTip("Drag the Control Point to define the Perspective");
}

void TMeshHandle::SetChecked(bool checked) {
  checked_ = checked;
  update();
}

void TMeshHandle::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Qt::white, 1));
  painter.setBrush(checked_ ? QColor(192, 192, 192) : QColor(255, 255, 255));
  painter.drawRoundedRect(QRectF(0.5, 0.5, width() - 1, height() - 1), 2, 2);
}

void TMeshHandle::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) emit Pressed(this, e->position().toPoint());
}
void TMeshHandle::mouseMoveEvent(QMouseEvent* e) { emit Moved(this, e->position().toPoint()); }
void TMeshHandle::mouseReleaseEvent(QMouseEvent*) { emit Released(this); }

}  // namespace glkov::app
