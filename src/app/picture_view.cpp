#include "app/picture_view.h"

#include <QMouseEvent>
#include <QPainter>

#include "core/perspective/view_layout.h"

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

void TMeshImage::SetMesh(std::vector<MeshLine> lines, double fitScale, int picHeight) {
  lines_ = std::move(lines);
  scale_ = fitScale;
  picHeight_ = picHeight;
  update();
}

void TMeshImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintBackdrop(painter);
  if (!Picture() || Picture()->Empty()) return;
  const QPen pens[] = {
      QPen(QColor(128, 0, 0), 1, Qt::SolidLine),
      QPen(QColor(128, 128, 128), 1, Qt::DashLine),
      QPen(QColor(255, 0, 0), 2, Qt::SolidLine),
      QPen(QColor(0, 255, 0), 1, Qt::SolidLine),
  };
  for (const MeshLine& l : lines_) {
    painter.setPen(pens[l.pen]);
    painter.drawLine(PictureToDisplayX(l.x0, scale_), PictureToDisplayY(l.y0, picHeight_, scale_),
                     PictureToDisplayX(l.x1, scale_), PictureToDisplayY(l.y1, picHeight_, scale_));
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
