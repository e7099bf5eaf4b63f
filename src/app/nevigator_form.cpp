#include "app/nevigator_form.h"
#include "app/applied_command.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStatusBar>
#include <QToolButton>
#include <QUndoCommand>
#include <QUndoStack>
#include <QVBoxLayout>

#include "core/model/project.h"

namespace glkov {
namespace {

constexpr int kPanelBorder = 2;  // NevPanel's border width

const QColor kMaroon(128, 0, 0);
const QColor kRed(255, 0, 0);
const QColor kWhite(255, 255, 255);

// Refreshes an open divider after its entries changed under it.
void Refresh(const QPointer<TNevigatorForm>& form, bool listChanged, int changed) {
  if (!form) return;
  form->RefreshRegionList();
  form->DrawRegions();
  if (listChanged) emit form->RegionsChanged();
  if (changed >= 0) emit form->RegionChanged(changed);
}

// A rectangle moved or resized (with its mesh reset); the entry's geometry before and after.
class RegionRectCommand : public app::TAppliedCommand {
 public:
  RegionRectCommand(TProject& project, TNevigatorForm* form, int index, const TMeshRegion& before,
                    const TMeshRegion& after)
      : app::TAppliedCommand(QObject::tr("Change '%1'").arg(QString::fromStdString(after.Name))),
        project_(project),
        form_(form),
        index_(index),
        before_(before),
        after_(after) {}

  void undo() override { Apply(before_); }
  void Redo() override { Apply(after_); }

 private:
  void Apply(const TMeshRegion& g) {
    if (index_ >= static_cast<int>(project_.MeshRegions.size())) return;
    TMeshRegion& r = project_.MeshRegions[index_];
    r.Left = g.Left;
    r.Top = g.Top;
    r.Right = g.Right;
    r.Bottom = g.Bottom;
    CopyMesh(g, r);
    if (index_ == 0) SetViewWindowSize(project_, r.Right - r.Left + 1, r.Bottom - r.Top + 1);
    Refresh(form_, false, index_);
  }

  TProject& project_;
  QPointer<TNevigatorForm> form_;
  int index_;
  TMeshRegion before_, after_;
};

// A sub-scene appended (added = true) or the last one removed; entry is the sub-scene.
class SubSceneListCommand : public app::TAppliedCommand {
 public:
  SubSceneListCommand(TProject& project, TNevigatorForm* form, bool added, TMeshRegion entry,
                      int currentBefore)
      : app::TAppliedCommand((added ? QObject::tr("Add '%1'") : QObject::tr("Delete '%1'"))
                                 .arg(QString::fromStdString(entry.Name))),
        project_(project),
        form_(form),
        added_(added),
        entry_(std::move(entry)),
        currentBefore_(currentBefore) {}

  void undo() override {
    if (added_) {
      Remove();
    } else {
      project_.MeshRegions.push_back(entry_);
      project_.CurrentRegion = currentBefore_;
    }
    Refresh(form_, true, -1);
  }
  void Redo() override {
    if (added_) {
      project_.MeshRegions.push_back(entry_);
    } else {
      Remove();
    }
    Refresh(form_, true, -1);
  }

 private:
  void Remove() {
    if (project_.MeshRegions.size() <= 2) return;
    project_.MeshRegions.pop_back();
    if (!added_ || project_.CurrentRegion >= static_cast<int>(project_.MeshRegions.size()))
      project_.CurrentRegion = -2;
  }

  TProject& project_;
  QPointer<TNevigatorForm> form_;
  bool added_;
  TMeshRegion entry_;
  int currentBefore_;
};

QImage PictureImage(const TFastBMP& bmp) {
  if (bmp.Empty()) return {};
  return QImage(bmp.Bits(), bmp.Width(), bmp.Height(), static_cast<qsizetype>(bmp.RowStride()),
                QImage::Format_BGR888)
      .convertToFormat(QImage::Format_RGB32);
}

}  // namespace

TNevigatorForm::TNevigatorForm(TProject& project, QUndoStack* undo, UiCallbacks& callbacks,
                               QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint),
      project_(project),
      undo_(undo),
      callbacks_(callbacks) {
  setObjectName("NevigatorForm");
  setWindowTitle("Scene Divider");

  auto* top = new QHBoxLayout;
  addSB_ = new QToolButton(this);
  addSB_->setObjectName("AddSB");
  addSB_->setText(tr("Add"));
  addSB_->setToolTip(tr("Add a sub-scene"));
  deleteMeshButton_ = new QToolButton(this);
  deleteMeshButton_->setObjectName("DeleteMeshButton");
  deleteMeshButton_->setText(tr("Delete"));
  deleteMeshButton_->setToolTip(tr("Delete the last sub-scene"));
  regionCB_ = new QComboBox(this);
  regionCB_->setObjectName("RegionCB");
  regionCB_->setMinimumContentsLength(12);
  top->addWidget(addSB_);
  top->addWidget(deleteMeshButton_);
  top->addWidget(regionCB_, 1);

  nevPanel_ = new QFrame(this);
  nevPanel_->setObjectName("NevPanel");
  nevPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  nevPanel_->setLineWidth(kPanelBorder);
  nevPanel_->setMinimumSize(160, 120);
  nevImage_ = new QLabel(nevPanel_);
  nevImage_->setObjectName("NevImage");
  nevImage_->setMouseTracking(true);
  nevImage_->installEventFilter(this);

  statusBar_ = new QStatusBar(this);
  statusBar_->setObjectName("StatusBar");
  statusBar_->setSizeGripEnabled(false);
  scaleLabel_ = new QLabel(statusBar_);
  scaleLabel_->setObjectName("ScalePanel");
  statusBar_->addWidget(scaleLabel_);
  sizeLabel_ = new QLabel(statusBar_);
  sizeLabel_->setObjectName("SizePanel");
  statusBar_->addWidget(sizeLabel_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 0);
  layout->addLayout(top);
  layout->addWidget(nevPanel_, 1);
  layout->addWidget(statusBar_);

  connect(addSB_, &QToolButton::clicked, this, &TNevigatorForm::AddSBClick);
  connect(deleteMeshButton_, &QToolButton::clicked, this, &TNevigatorForm::DeleteMeshButtonClick);
  connect(regionCB_, &QComboBox::currentIndexChanged, this, &TNevigatorForm::RegionCBChange);

  project_.CurrentRegion = -2;
  resize(420, 360);
  RefreshRegionList();
}

void TNevigatorForm::FormResize() {
  const TFastBMP& pic = project_.IOriginal;
  if (pic.Empty()) {
    scale_ = 0;
    scaledPicture_ = QImage();
    image_ = QImage();
    nevImage_->clear();
    scaleLabel_->clear();
    sizeLabel_->clear();
    return;
  }
  sizeLabel_->setText(QString(" W: %1 H: %2 ").arg(pic.Width()).arg(pic.Height()));
  const int aw = nevPanel_->width() - 2 - 4 * kPanelBorder;
  const int ah = nevPanel_->height() - 2 - 4 * kPanelBorder;
  scale_ = DividerScaleFor(aw, ah, pic.Width(), pic.Height());
  scaleLabel_->setText(QString::fromStdString(DividerScaleText(scale_)));
  const int w = std::max(1, DividerToDisplay(pic.Width(), scale_));
  const int h = std::max(1, DividerToDisplay(pic.Height(), scale_));
  // A smooth scaling once per layout; the redraws during a drag only paint lines over a copy.
  scaledPicture_ = PictureImage(pic).scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  nevImage_->setGeometry((aw - w) / 2 + 2 * kPanelBorder, (ah - h) / 2 + 2 * kPanelBorder, w, h);
  DrawRegions();
}

void TNevigatorForm::DrawRegions() {
  if (scaledPicture_.isNull()) return;
  image_ = scaledPicture_.copy();
  QPainter painter(&image_);
  const auto& regions = project_.MeshRegions;
  const int n = static_cast<int>(regions.size());
  auto d = [this](int p) { return DividerToDisplay(p, scale_); };
  auto rect = [&](const TMeshRegion& r) {
    return QRect(QPoint(d(r.Left), d(r.Top)), QPoint(d(r.Right), d(r.Bottom)));
  };
  auto corner = [&](const TMeshRegion& r, const QColor& colour) {
    painter.fillRect(QRect(d(r.Right) - 8, d(r.Bottom) - 8, 8, 8), colour);
  };

  painter.setPen(QPen(kMaroon, 2));
  for (int i = 1; i + 1 < n; ++i) {
    const TMeshRegion& a = regions[i];
    const TMeshRegion& b = regions[i + 1];
    painter.drawLine(d((a.Left + a.Right) / 2), d((a.Top + a.Bottom) / 2),
                     d((b.Left + b.Right) / 2), d((b.Top + b.Bottom) / 2));
  }
  painter.setBrush(Qt::NoBrush);
  for (int i = 1; i < n; ++i) {
    if (i == project_.CurrentRegion) continue;
    painter.setPen(QPen(kMaroon, 3));
    painter.drawRect(rect(regions[i]));
    corner(regions[i], kMaroon);
  }
  if (project_.CurrentRegion >= 0 && project_.CurrentRegion < n) {
    const TMeshRegion& r = regions[project_.CurrentRegion];
    painter.setPen(QPen(kRed, 3));
    painter.drawRect(rect(r));
    corner(r, kRed);
  }
  if (n > 0) {
    const TMeshRegion& w = regions[0];
    painter.setPen(QPen(kWhite, 2));
    painter.drawRect(rect(w));
    painter.setPen(QPen(kWhite, 1));
    const int cx = d((w.Left + w.Right) / 2);
    const int cy = d((w.Top + w.Bottom) / 2);
    painter.drawLine(cx - 5, cy, cx + 5, cy);
    painter.drawLine(cx, cy - 4, cx, cy + 4);
    corner(w, kWhite);
  }
  painter.end();
  nevImage_->setPixmap(QPixmap::fromImage(image_));
}

void TNevigatorForm::RefreshRegionList() {
  fillingList_ = true;
  FillRegionCombo(*regionCB_, project_);
  fillingList_ = false;
  deleteMeshButton_->setEnabled(project_.MeshRegions.size() > 2);
}

void TNevigatorForm::AddSBClick() {
  if (project_.MeshRegions.empty()) return;
  AddSubScene(project_);
  if (undo_)
    undo_->push(new SubSceneListCommand(project_, this, true, project_.MeshRegions.back(),
                                        project_.CurrentRegion));
  RefreshRegionList();
  DrawRegions();
  emit RegionsChanged();
}

void TNevigatorForm::DeleteMeshButtonClick() {
  if (project_.MeshRegions.size() > 2) {
    const TMeshRegion last = project_.MeshRegions.back();
    const int current = project_.CurrentRegion;
    if (DeleteLastSubScene(project_, callbacks_)) {
      if (undo_) undo_->push(new SubSceneListCommand(project_, this, false, last, current));
      RefreshRegionList();
      emit RegionsChanged();
    }
  }
  DrawRegions();
}

void TNevigatorForm::RegionCBChange(int index) {
  if (fillingList_ || index < 0) return;
  project_.CurrentRegion = index + 1;
  DrawRegions();
  emit RegionPicked(project_.CurrentRegion);
}

QPoint TNevigatorForm::ToPicture(QPoint display) const {
  return {DividerToPicture(display.x(), scale_), DividerToPicture(display.y(), scale_)};
}

void TNevigatorForm::NevImageMouseDown(QPoint display) {
  if (scale_ <= 0) return;
  mouseDown_ = true;
  downPicture_ = ToPicture(display);
  const DividerPick pick =
      DividerPickAt(project_.MeshRegions, downPicture_.x(), downPicture_.y(), scale_);
  project_.CurrentRegion = pick.Index;
  hitRegion_ = pick.Index != -2;
  dragMode_ = pick.Mode;
  if (hitRegion_) {
    dragStartRegion_ = project_.MeshRegions[project_.CurrentRegion];
    dragStart_ = RegionRect(dragStartRegion_);
  }
  DrawRegions();
  emit RegionPicked(project_.CurrentRegion);
}

void TNevigatorForm::NevImageMouseMove(QPoint display) {
  if (project_.MeshRegions.empty() || scale_ <= 0) return;
  const QPoint p = ToPicture(display);
  if (!mouseDown_) {
    // Hover: tell what a drag from here would do.
    dragMode_ = DividerPickAt(project_.MeshRegions, p.x(), p.y(), scale_).Mode;
    if (dragMode_ == DividerDragMode::Move)
      nevImage_->setCursor(Qt::OpenHandCursor);
    else if (dragMode_ == DividerDragMode::Resize)
      nevImage_->setCursor(Qt::SizeFDiagCursor);
    else
      nevImage_->unsetCursor();
    return;
  }
  const int k = project_.CurrentRegion;
  if (!hitRegion_ || k < 0 || k >= static_cast<int>(project_.MeshRegions.size())) return;
  if (dragMode_ == DividerDragMode::None) return;
  if (dragMode_ == DividerDragMode::Move) nevImage_->setCursor(Qt::ClosedHandCursor);
  // The whole drag is applied to the rectangle it started from, so clamping at the picture's
  // edge loses nothing when the mouse comes back.
  const DividerRect r =
      DividerDrag(dragStart_, dragMode_, p.x() - downPicture_.x(), p.y() - downPicture_.y(),
                  project_.IOriginal.Width(), project_.IOriginal.Height());
  TMeshRegion& region = project_.MeshRegions[k];
  if (dragMode_ == DividerDragMode::Resize) {
    region.Left = r.Left;
    region.Top = r.Top;
    region.Right = r.Right;
    region.Bottom = r.Bottom;
    DefaultRegionMesh(region);
  } else {
    ApplyDividerRect(region, r);
  }
  DrawRegions();
}

void TNevigatorForm::NevImageMouseUp() {
  if (!mouseDown_) return;
  mouseDown_ = false;
  nevImage_->unsetCursor();
  const int k = project_.CurrentRegion;
  const bool changed = hitRegion_ && k >= 0 && k < static_cast<int>(project_.MeshRegions.size()) &&
                       !(RegionRect(project_.MeshRegions[k]) == dragStart_);
  RefreshRegionList();
  hitRegion_ = false;
  dragMode_ = DividerDragMode::None;
  if (!project_.MeshRegions.empty()) {
    const TMeshRegion& w = project_.MeshRegions[0];
    SetViewWindowSize(project_, w.Right - w.Left + 1, w.Bottom - w.Top + 1);
  }
  if (changed) {
    if (undo_)
      undo_->push(
          new RegionRectCommand(project_, this, k, dragStartRegion_, project_.MeshRegions[k]));
    emit RegionChanged(k);
  }
}

void TNevigatorForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
}

void TNevigatorForm::closeEvent(QCloseEvent* event) {
  emit Closed();
  QWidget::closeEvent(event);
}

bool TNevigatorForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == nevImage_) {
    switch (event->type()) {
      case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton) NevImageMouseDown(e->position().toPoint());
        return true;
      }
      case QEvent::MouseMove:
        NevImageMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        return true;
      case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) NevImageMouseUp();
        return true;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void FillRegionCombo(QComboBox& combo, const TProject& project) {
  const QSignalBlocker block(combo);
  combo.clear();
  if (project.MeshRegions.size() < 2) return;
  for (const std::string& name : FillRegionList(project))
    combo.addItem(QString::fromStdString(name));
  combo.setCurrentIndex(project.CurrentRegion >= 1 ? project.CurrentRegion - 1 : -1);
}

void FillSceneTransitionCombo(QComboBox& combo, const TProject& project) {
  if (project.MeshRegions.size() < 2) return;
  const QSignalBlocker block(combo);
  combo.clear();
  for (const std::string& name : FillSceneTransitionList(project))
    combo.addItem(QString::fromStdString(name));
}

void RegionCBChange(TProject& project, TTimeline& timeline, int index,
                    const std::function<void(const QString&)>& status, UiCallbacks& callbacks) {
  FreeSceneTextures(project);
  const int k = index + 1;
  project.CurrentRegion = k;
  if (status) status(QString::fromStdString(LoadingSceneText(k)));
  EnterSubScene(project, timeline, k, callbacks);
  if (status) status(QString());
}

SceneListItem SubScenewTransCBChange(TProject& project, TTimeline& timeline, int j,
                                     const std::function<void(const QString&)>& status,
                                     UiCallbacks& callbacks) {
  FreeSceneTextures(project);
  const SceneListItem item = SceneTransitionItem(j);
  project.CurrentRegion = item.Number;
  if (item.Transition) {
    if (status) status(QString::fromStdString(LoadingTransitionText(item.Number)));
    EnterTransition(project, timeline, item.Number, callbacks);
  } else {
    if (status) status(QString::fromStdString(LoadingSceneText(item.Number)));
    EnterSubScene(project, timeline, item.Number, callbacks);
  }
  if (status) status(QString());
  return item;
}

}  // namespace glkov
