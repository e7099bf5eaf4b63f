// The main window's five tool windows: making them, showing and hiding them with the toolbar,
// and keeping them beside the main window as it moves.

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
#include "core/perspective/sub_scenes.h"
#include "core/util/text_format.h"

#include "app/main_form_parts.h"

namespace glkov::app {

void TMainForm::CreateToolWindows() {
  const struct {
    const char* cls;
    const char* caption;
    const char* section;
    bool onTop;
  } forms[] = {
      {"TTextureForm", "Texture", "", false},
      {"TTimelineForm", "Animation Path", "", true},
      {"TOutputAVIForm", "Output to AVI Animation File", "", false},
      {"TExtractObjectForm", "Object Extraction", "Object Extraction", false},
      {"TInspectorForm", "Object Inspector", "Object Inspector", false},
      {"TCameraControlForm", "Controls", "", true},
      {"TOutputOptionForm", "Advanced Output Options", "Advanced Options", false},
      {"TAVIPlayerForm", "Internal AVI Player", "", false},
      {"TNevigatorForm", "Scene Divider", "", true},
      {"TRenderingForm", "Rendering in progress...", "", true},
      {"TForm1", "Form1", "", false},
  };
  CreateSceneWindows();
  for (const auto& f : forms) {
    if (FindToolForm(f.cls)) continue;
    allToolForms_.push_back(new TToolForm(f.cls, f.caption, f.section, this, f.onTop));
  }
  CreateView3DWindows();
  toolForms_[Timeline] = FindToolForm("TTimelineForm");
  toolForms_[CameraControl] = FindToolForm("TCameraControlForm");
  toolForms_[Inspector] = FindToolForm("TInspectorForm");
  toolForms_[Texture] = FindToolForm("TTextureForm");
  toolForms_[SceneDivider] = FindToolForm("TNevigatorForm");
  // A tool window closed by any means (its close box, Escape, its own button) clears its flag
  // and its toolbar button, so that the next click or "Make" shows it again.
  for (int i = 0; i < ToolWindowCount; ++i) {
    const auto w = static_cast<ToolWindow>(i);
    connect(toolForms_[w], &TToolForm::Closed, this, [this, w] {
      toolVisible_[w] = false;
      ToggleAction[w]->setChecked(false);
      UpdateToolToggles();
    });
  }
}

TToolForm* TMainForm::FindToolForm(const QString& className) const {
  for (TToolForm* f : allToolForms_)
    if (f->objectName() == className) return f;
  return nullptr;
}

QWidget* TMainForm::BottomPanel(int page) const {
  return bottomPanel_[page] ? bottomPanel_[page] : bottomPanel_[0];
}

// ---------------------------------------------------------------------------------------------
// Tool windows

void TMainForm::ToggleToolWindow(ToolWindow which) {
  if (!toolVisible_[which]) {
    toolForms_[which]->show();
    toolVisible_[which] = true;
  } else {
    toolVisible_[which] = false;
    toolForms_[which]->close();
  }
  ToggleAction[which]->setChecked(toolVisible_[which]);
  UpdateToolToggles();
}

void TMainForm::UpdateToolToggles() {
  if (!ShowWindowMenu->menuAction()->isEnabled()) return;  // no project: all stay off
  // The camera windows wait for a made scene, the inspector for objects; a shown window can
  // always be closed with its button.
  const bool scene = project_.SceneMade;
  const bool objects = project_.ObjectsExtracted || project_.fgObjCount() > 0;
  const bool enable[ToolWindowCount] = {scene, scene, objects, true, true};
  for (int i = 0; i < ToolWindowCount; ++i)
    ToggleAction[i]->setEnabled(enable[i] || toolVisible_[i]);
}

void TMainForm::HideToolWindows() {
  for (TToolForm* f : toolForms_)
    if (f->isVisible()) f->hide();
}

void TMainForm::RestoreToolWindows() {
  for (int i = 0; i < ToolWindowCount; ++i)
    if (toolVisible_[i]) toolForms_[i]->show();
}

void TMainForm::MoveToolWindows() {
  const QPoint now = pos();
  if (StickyAction->isChecked()) {
    const QPoint delta = now - lastPos_;
    for (TToolForm* f : toolForms_) f->move(f->pos() + delta);
  }
  lastPos_ = now;
}

void TMainForm::moveEvent(QMoveEvent* e) {
  QMainWindow::moveEvent(e);
  MoveToolWindows();
}

void TMainForm::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (firstShow_ && OfferRecovery()) options_.StartupFile.clear();
  if (firstShow_ && !options_.StartupFile.isEmpty()) {
    firstShow_ = false;
    QMetaObject::invokeMethod(
        this,
        [this] {
          const QString file = options_.StartupFile;
          ResetMeshDefaults(project_);
          TStatusCallbacks callbacks(gauge_, panels_[4]);
          const bool ok = Run([&] {
            TBusy busy(panels_[4], "Loading scene ");
            LoadProject(project_, timeline_, file.toStdString(), callbacks);
          });
          AfterProjectChanged();
          if (!ok) return;
          project_.ProjectFileName = file.toStdString();
          project_.ProjectDir = QFileInfo(file).absolutePath().toStdString() + "/";
          project_.Modified = false;
          SetTitle(QString::fromStdString(ProjectTitle(file.toStdString())));
          ShowPage(project_.Page);
          ShowWorkArea(true);
          ShowSceneDivider();
          PushRecent(file);
        },
        Qt::QueuedConnection);
  }
  firstShow_ = false;
}

void TMainForm::closeEvent(QCloseEvent* e) {
  if (!AskSaveCameraPath() || (project_.Modified && !AskSaveProject())) {
    e->ignore();
    return;
  }
  project_.Modified = false;
  CloseProject();
  StoreSettings();
  for (TToolForm* f : allToolForms_) f->hide();
  e->accept();
}

}  // namespace glkov::app
