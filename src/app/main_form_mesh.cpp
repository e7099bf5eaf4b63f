// The main window's perspective mesh editor: the handles, the mesh's undo steps, "Done", the
// default mesh, the field of view and the mesh backdrop.

#include "app/main_form.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QProgressBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <QVBoxLayout>
#include <cmath>

#include "app/picture_view.h"
#include "app/settings.h"
#include "app/tool_forms.h"
#include "app/undo_commands.h"
#include "core/config/file_type.h"
#include "core/config/recent_files.h"
#include "core/error.h"
#include "core/model/picture_import.h"
#include "core/model/project_file.h"
#include "core/perspective/mesh.h"
#include "core/perspective/mesh_limits.h"
#include "core/perspective/sub_scenes.h"
#include "core/util/text_format.h"
#include "core/vision/suggest_mesh.h"

#include "app/main_form_parts.h"

namespace glkov::app {

namespace {

constexpr const char* kDragHandleTip = "Drag the Control Point to define the Perspective";
constexpr const char* kPerspectiveFixedTip =
    "The Perspective is fixed; clear \"Done\" to change it";

}  // namespace

// ---------------------------------------------------------------------------------------------
// Mesh editor

void TMainForm::DrawMesh() {
  const TFastBMP* backdrops[3] = {&project_.IOriginal_r, &project_.IMask_r,
                                  &project_.IBackground_r};
  const TFastBMP* backdrop = backdrops[std::clamp(meshBackdrop_, 1, 3) - 1];
  if (meshImage_->Picture() != backdrop || (backdrop && backdrop->Empty()))
    meshImage_->SetPicture(backdrop);
  meshImage_->SetMesh(glkov::DrawMesh(
      project_,
      {.FitScale = layout_.FitScale, .EditView = true, .HasBackdrop = !backdrop->Empty()}));
  if (project_.PerspectiveDone || objImage_->Picture() != &project_.IMask_r) {
    if (objImage_->Picture() != &project_.IMask_r) objImage_->SetPicture(&project_.IMask_r);
    objImage_->SetMesh(glkov::DrawMesh(project_, {.FitScale = layout_.FitScale,
                                                  .EditView = false,
                                                  .HasBackdrop = !project_.IMask_r.Empty()}));
  }
}

void TMainForm::PlaceHandles() {
  const int h = handles_[0]->width() / 2;
  for (TMeshHandle* handle : handles_) {
    const std::optional<PointD> point = HandlePoint(project_, handle->Tag());
    if (!point) continue;
    const QPoint d = meshImage_->PictureToView(*point).toPoint();
    handle->move(d.x() - h, d.y() - h);
    handle->raise();
  }
}

void TMainForm::SetHandlesVisible(bool visible) {
  for (TMeshHandle* h : handles_) h->setVisible(visible);
}

void TMainForm::HandlePressed(TMeshHandle* handle, QPoint pos) {
  if (!handle->isEnabled()) return;
  draggingHandle_ = true;
  handleGrab_ = pos;
  dragStart_ = CurrentMeshState();
  handle->grabMouse();
  meshImage_->SetMagnifier(QPointF(handle->geometry().center()));
}

void TMainForm::HandleMoved(TMeshHandle* handle, QPoint pos) {
  InnerRectMouseMove(handle, pos);
  if (!draggingHandle_) return;
  const int h = handle->width() / 2;
  QPoint centre = handle->pos() + (pos - handleGrab_) + QPoint(h, h);
  // The handle stays on the shown part of the picture (the cursor confinement of other desktops).
  centre.setX(std::clamp(centre.x(), 0, std::max(0, meshImage_->width() - 1)));
  centre.setY(std::clamp(centre.y(), 0, std::max(0, meshImage_->height() - 1)));
  handle->move(centre - QPoint(h, h));
  // The view gives the exact picture point at any zoom; MoveHandle takes it as display pixels.
  const PointD q = meshImage_->ViewToPicture(QPointF(centre));
  const double s = layout_.FitScale;
  MoveHandle(project_, handle->Tag(), q.x * s, DisplayExtent(project_.PicHeight, s) - 1 - q.y * s,
             s);
  KeepMeshInside(project_, handle->Tag());
  PlaceHandles();
  DrawMesh();
  meshImage_->SetMagnifier(QPointF(centre));
}

void TMainForm::HandleReleased(TMeshHandle* handle) {
  if (!draggingHandle_) return;
  draggingHandle_ = false;
  handle->releaseMouse();
  meshImage_->SetMagnifier(std::nullopt);
  StoreWorkingRegion(project_);
  if (!(CurrentMeshState() == dragStart_)) PushMeshEdit("Move Control Point", dragStart_);
}

void TMainForm::InnerRectMouseMove(QWidget* sender, QPoint pos) {
  const QPoint p = sender == pictureView_[0] ? pos : sender->pos() + pos;
  SetPanelText(2, QString(" X: %1 Y: %2 ").arg(p.x()).arg(p.y()));
}

TMeshState TMainForm::CurrentMeshState() const {
  const TProject& p = project_;
  return {p.InnerLeft,   p.InnerRight,    p.InnerBottom, p.InnerTop,    p.VanishX,        p.VanishY,
          p.FocalLength, p.GridDivisions, p.GridOffsetX, p.GridOffsetY, p.PerspectiveDone};
}

void TMainForm::ApplyMeshState(const TMeshState& s) {
  TProject& p = project_;
  CopyMesh(s, p);
  p.FocalLength = s.FocalLength;
  p.GridDivisions = s.GridDivisions;
  p.GridOffsetX = s.GridOffsetX;
  p.GridOffsetY = s.GridOffsetY;
  p.PerspectiveDone = s.PerspectiveDone;
  p.Modified = true;
  StoreWorkingRegion(p);
  SceneEdited();
  SyncDoneControls();
  PlaceHandles();
  DrawMesh();
}

void TMainForm::PushMeshEdit(const QString& text, const TMeshState& before) {
  project_.Modified = true;
  SceneEdited();
  undo_->push(new TMeshEditCommand(this, text, before, CurrentMeshState()));
}

void TMainForm::SyncDoneControls() {
  const bool done = project_.PerspectiveDone;
  syncing_ = true;
  perspectiveDone_->setChecked(done);
  syncing_ = false;
  // The status bar tells what the mesh takes now: handles to drag, or nothing while it is fixed.
  const QString tip = QString::fromUtf8(done ? kPerspectiveFixedTip : kDragHandleTip);
  for (TMeshHandle* h : handles_) {
    h->setEnabled(!done);
    h->SetChecked(done);
    h->setStatusTip(tip);
  }
  meshImage_->setStatusTip(done ? tip : QString());
  if (done && CurrentPage() == 3)
    SetPanelText(4, tip);
  else if (!done && PanelText(4) == kPerspectiveFixedTip)
    SetPanelText(4, QString());
  meshImage_->setEnabled(!done);
  if (done) meshMouseDown_ = false;
  SetStepItemEnabled("Camera Settings", done);
  outBar_->viewport()->update();
}

void TMainForm::SetPerspectiveDone(bool done) {
  if (syncing_) return;
  if (done && !project_.PerspectiveDone) {
    if (const auto problem = MeshProblem(project_)) {
      SyncDoneControls();
      dialogs_.ShowError(this, QString::fromStdString(*problem));
      return;
    }
  }
  const TMeshState before = CurrentMeshState();
  project_.PerspectiveDone = done;
  StoreWorkingRegion(project_);
  SyncDoneControls();
  if (done) DrawMesh();
  if (!(before == CurrentMeshState())) PushMeshEdit(done ? "Done" : "Undone", before);
}

void TMainForm::DefaultMeshButtonClick() {
  if (!project_.OriginalLoaded) return;
  const TMeshState before = CurrentMeshState();
  ResetMeshDefaults(project_);
  project_.PerspectiveDone = false;
  meshBackdrop_ = 1;
  StoreWorkingRegion(project_);
  SyncDoneControls();
  DrawMesh();
  PlaceHandles();
  if (!(before == CurrentMeshState())) PushMeshEdit("Default Mesh", before);
}

void TMainForm::SuggestMeshButtonClick() {
  if (!project_.OriginalLoaded || project_.IOriginal_r.Empty()) return;
  const TMeshState before = CurrentMeshState();
  vision::MeshSuggestion s;
  {
    TBusy busy(panels_[4], "Suggesting the mesh...");
    s = vision::SuggestMesh(project_.IOriginal_r);
    // The camera's field of view spans the whole photograph, not just this sub-scene.
    if (const std::optional<double> fov = vision::ExifFieldOfView(project_.PictureFilename))
      s.FocalLength = FocalLengthForFieldOfView(*fov, project_.IOriginal.Width());
  }
  TProject& p = project_;
  p.VanishX = s.VanishX;
  p.VanishY = s.VanishY;
  p.InnerLeft = s.InnerLeft;
  p.InnerBottom = s.InnerBottom;
  p.InnerRight = s.InnerRight;
  p.InnerTop = s.InnerTop;
  p.FocalLength = s.FocalLength;
  p.PerspectiveDone = false;
  meshBackdrop_ = 1;
  StoreWorkingRegion(p);
  SyncDoneControls();
  DrawMesh();
  PlaceHandles();
  meshImage_->SetHintLines(s.Lines);
  QTimer::singleShot(2500, meshImage_, [view = meshImage_] { view->SetHintLines({}); });
  // A point found from edges that run around it (a path between hedges) has no lines to count.
  const QString from = s.Lines.empty() ? QStringLiteral("the edges around the point")
                                       : QStringLiteral("%1 lines").arg(s.Lines.size());
  SetPanelText(4, s.Confidence > 0 ? QString("Suggested mesh: confidence %1 %, from %2")
                                         .arg(std::lround(100 * s.Confidence))
                                         .arg(from)
                                   : QString("No lines to suggest a mesh from: the default mesh"));
  if (!(before == CurrentMeshState())) PushMeshEdit("Suggest Mesh", before);
}

void TMainForm::TBSetFOVClick() {
  if (!project_.OriginalLoaded) return;
  const QString current =
      QString::fromStdString(FormatG15(FieldOfView(project_.FocalLength, project_.PicWidth)));
  const auto answer = dialogs_.InputText(this, "Input Field of view", "FOV( in degree)", current);
  const QString text = answer.value_or(current);
  Run([&] {
    const TMeshState before = CurrentMeshState();
    SetFieldOfView(project_, text.toStdString());
    DrawMesh();
    if (!(before == CurrentMeshState())) PushMeshEdit("Field of View", before);
  });
}

TPictureView* TMainForm::CurrentPictureView() const {
  const int page = CurrentPage();
  if (page == 1) {  // the mask page shows the mask's editor once there is an original
    auto* canvas = findChild<TPictureView*>("MaskCanvas");
    if (canvas && canvas->isVisible()) return canvas;
  }
  TPictureView* view = page >= 0 && page <= 2 ? pictureView_[page]
                       : page == 3            ? meshImage_
                       : page == 4            ? objImage_
                                              : nullptr;
  return view && view->isVisible() ? view : nullptr;
}

void TMainForm::SetMeshBackdrop(int tag) {
  meshBackdrop_ = std::clamp(tag, 1, 3);
  DrawMesh();
}

}  // namespace glkov::app
