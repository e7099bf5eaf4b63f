#include "app/picture_view.h"

#include <QMouseEvent>
#include <QPainter>

namespace glkov::app {

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
}

void TPictureView::SetPicture(const TFastBMP* picture) {
  picture_ = picture;
  source_ = picture ? ToQImage(*picture) : QImage();
  scaled_ = QImage();
  update();
}

void TPictureView::PaintBackdrop(QPainter& painter) {
  painter.fillRect(rect(), palette().color(QPalette::Window));
  if (source_.isNull()) return;
  if (scaled_.size() != size())
    scaled_ = source_.scaled(size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  painter.drawImage(0, 0, scaled_);
}

void TPictureView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintBackdrop(painter);
}

void TPictureView::mouseDoubleClickEvent(QMouseEvent*) { emit DoubleClicked(); }

void TPictureView::mouseMoveEvent(QMouseEvent* e) { emit MouseMoved(e->position().toPoint()); }

TMeshImage::TMeshImage(const QString& name, QWidget* parent) : TPictureView(name, parent) {}

void TMeshImage::SetMesh(MeshDrawing drawing) {
  drawing_ = std::move(drawing);
  update();
}

namespace {

QPen ToPen(const MeshPen& pen) {
  return QPen(QColor(pen.R, pen.G, pen.B), pen.Width, pen.Dashed ? Qt::DashLine : Qt::SolidLine);
}

}  // namespace

void TMeshImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintBackdrop(painter);
  if (!drawing_.HasBackdrop || !Picture() || Picture()->Empty()) return;
  for (const MeshSegment& s : drawing_.Segments) {
    painter.setPen(ToPen(s.Pen));
    painter.drawLine(s.A.X, s.A.Y, s.B.X, s.B.Y);
  }
  painter.setBrush(Qt::NoBrush);
  for (const MeshBox& b : drawing_.Boxes) {
    painter.setPen(ToPen(b.Pen));
    painter.drawRect(QRect(QPoint(b.A.X, b.A.Y), QPoint(b.B.X, b.B.Y)).normalized());
  }
}

void TMeshImage::mousePressEvent(QMouseEvent* e) { emit MousePressed(e); }
void TMeshImage::mouseMoveEvent(QMouseEvent* e) {
  TPictureView::mouseMoveEvent(e);
  emit MouseDragged(e);
}
void TMeshImage::mouseReleaseEvent(QMouseEvent* e) { emit MouseReleased(e); }

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
