// The main window's project commands: new, open, save, save as, the question before a project
// is closed, recent projects, the settings and the file-type registration.

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

#include "app/gl_panel.h"
#include "app/mask_editor.h"
#include "app/picture_view.h"
#include "app/settings.h"
#include "app/tool_forms.h"
#include "app/undo_commands.h"
#include "core/config/file_type.h"
#include "core/config/recent_files.h"
#include "core/error.h"
#include "core/model/filled_background.h"
#include "core/model/picture_import.h"
#include "core/model/project_file.h"
#include "core/perspective/mesh.h"
#include "core/perspective/sub_scenes.h"
#include "core/util/text_format.h"

#include "app/main_form_parts.h"

namespace glkov::app {

// ---------------------------------------------------------------------------------------------
// Project commands

bool TMainForm::AskSaveProject() {
  switch (dialogs_.AskYesNoCancel(this, "Save project before proceeding?", "Comfirmation")) {
    case TAnswer::Cancel:
      return false;
    case TAnswer::No:
      project_.Modified = false;
      return true;
    case TAnswer::Yes:
      break;
  }
  // Nothing is discarded after a failed or cancelled save: the project stays open and modified.
  return SaveProject();
}

bool TMainForm::CloseProject() {
  // The camera path first: saving it changes the project (its sub-scene names the file).
  if (!AskSaveCameraPath()) return false;
  if (project_.Modified && !AskSaveProject()) return false;
  ShowWorkArea(false);
  const bool started = newProjectStarted_;
  glkov::CloseProject(project_, timeline_);
  DropRecovery();
  newProjectStarted_ = started;
  undo_->clear();
  for (TFileNameEdit* e : fileEdit_) e->clear();
  meshPanel_->hide();
  objImage_->hide();
  if (auto* maskEditor = findChild<TMaskEditor*>("MaskEditor")) {
    maskEditor->hide();
    maskEditor->Reload();
  }
  project_.PerspectiveDone = false;
  SyncDoneControls();
  for (TPictureView* v : pictureView_) {
    v->hide();
    v->SetPicture(nullptr);
  }
  meshImage_->SetPicture(nullptr);
  objImage_->SetPicture(nullptr);
  for (QAction* a :
       {StepbarAction, DefinePerspectiveAction, DefineObjectsAction, SetCameraPathAction,
        PreviewAction, SaveCameraPathAction, LoadCameraPathAction, SaveAction, CloseAction})
    a->setEnabled(false);
  ImportMenu->menuAction()->setEnabled(false);
  for (QAction* a : ImportMenu->actions()) a->setEnabled(false);
  ShowWindowMenu->menuAction()->setEnabled(false);
  for (QAction* a : ToggleAction) a->setEnabled(false);
  for (const char* name : {"RevertToolButton", "ClearObjectsButton"})
    if (auto* b = findChild<QWidget*>(name)) b->setEnabled(false);
  glPanel_->hide();
  View3DClosed();
  for (TDropPanel* p : emptyPanel_) p->show();
  SetTitle("");
  SetHandlesVisible(false);
  layout_ = ViewLayout{};
  SetPanelText(1, "");
  panels_[0]->setEnabled(false);
  SelectStepItem(0);
  for (const char* item : {"Subs-Scenes", "Sub-Scenes Perspective", "Foreground Objects",
                           "Camera Settings", "Output To File...", "Internal Player"})
    SetStepItemEnabled(item, false);
  toolForms_[SceneDivider]->hide();
  toolVisible_[SceneDivider] = false;
  ToggleAction[SceneDivider]->setChecked(false);
  regionCB_->clear();
  SceneWindowsClosed();
  return true;
}

bool TMainForm::NewProject() {
  if (!CloseProject()) return false;
  newProjectStarted_ = true;
  project_.NewProjectStarted = true;
  UpdateMenus();
  SetTitle("Untitled");
  ShowPage(0);
  ShowWorkArea(true);
  ShowSceneDivider();
  return true;
}

void TMainForm::ShowSceneDivider() {
  toolVisible_[SceneDivider] = true;
  ToggleAction[SceneDivider]->setChecked(true);
  toolForms_[SceneDivider]->show();
}

bool TMainForm::OpenProject() {
  const QString file =
      dialogs_.OpenFile(this, "Open KOV Project", QCoreApplication::applicationDirPath(),
                        "KOV Project Files (*.kov);;Text Files (*.txt);;Text Files (*)");
  if (file.isEmpty()) return false;
  return OpenProjectFile(file);
}

bool TMainForm::OpenProjectFile(const QString& fileName) {
  if (!CloseProject()) return false;
  ResetMeshDefaults(project_);
  TStatusCallbacks callbacks(gauge_, panels_[4]);
  const bool ok = Run([&] {
    TBusy busy(panels_[4], "Loading scene ");
    LoadProject(project_, timeline_, fileName.toStdString(), callbacks);
  });
  AfterProjectChanged();
  if (!ok) return false;
  project_.ProjectFileName = fileName.toStdString();
  project_.ProjectDir = QFileInfo(fileName).absolutePath().toStdString() + "/";
  project_.Modified = false;
  SetTitle(QString::fromStdString(ProjectTitle(fileName.toStdString())));
  ShowPage(project_.Page);
  ShowSceneDivider();
  if (!project_.fgObjs.empty()) ShowTextureWindow();
  PushRecent(fileName);
  return true;
}

bool TMainForm::SaveProject() {
  if (project_.ProjectFileName.empty()) return SaveProjectAs();
  const bool ok = Run([&] {
    TBusy busy(panels_[4], "Saving project...");
    SaveFilledBackground(project_, project_.ProjectFileName);
    fileEdit_[2]->setText(QString::fromStdString(project_.BackgroundFilename));
    glkov::SaveProject(project_, project_.ProjectFileName);
  });
  if (ok) project_.Modified = false;
  if (ok) DropRecovery();
  // A mask made in the program has just been given its file.
  if (ok) fileEdit_[1]->setText(QString::fromStdString(project_.MaskFilename));
  RefreshTitle();
  return ok;
}

bool TMainForm::SaveProjectAs() {
  const QString preset = QString::fromStdString(project_.ProjectFileName);
  QString file =
      dialogs_.SaveFile(this, "Save KOV Project",
                        preset.isEmpty() ? QString::fromStdString(project_.ProjectDir) : preset,
                        "KOV Project Files (*.kov);;All Files (*)");
  if (file.isEmpty()) return false;
  if (QFileInfo(file).suffix().isEmpty()) file += ".kov";
  const bool ok = Run([&] {
    TBusy busy(panels_[4], "Saving project...");
    SaveFilledBackground(project_, file.toStdString());
    fileEdit_[2]->setText(QString::fromStdString(project_.BackgroundFilename));
    glkov::SaveProject(project_, file.toStdString());
  });
  if (!ok) return false;
  project_.ProjectFileName = file.toStdString();
  project_.ProjectDir = QFileInfo(file).absolutePath().toStdString() + "/";
  project_.Modified = false;
  DropRecovery();
  fileEdit_[1]->setText(QString::fromStdString(project_.MaskFilename));
  SetTitle(QFileInfo(file).absoluteFilePath());
  return true;
}

void TMainForm::PushRecent(const QString& fileName) {
  std::vector<std::string> list;
  for (const QString& f : ReadRecentFiles()) list.push_back(f.toStdString());
  PushRecentFile(list, QFileInfo(fileName).absoluteFilePath().toStdString());
  QStringList files;
  for (const std::string& f : list) files << QString::fromStdString(f);
  Run([&] { WriteRecentFiles(files); });
  RefreshRecentMenu();
}

void TMainForm::RefreshRecentMenu() {
  reopenMenu_->clear();
  for (const QString& f : ReadRecentFiles()) {
    QAction* a = reopenMenu_->addAction(f);
    a->setData(f);
    a->setStatusTip("Reopen " + f);
    connect(a, &QAction::triggered, this, [this, f] { OpenProjectFile(f); });
  }
  reopenMenu_->addSeparator();
  reopenMenu_->addAction(ClearRecentAction);
  reopenMenu_->addAction(RemoveObsoleteAction);
}

// ---------------------------------------------------------------------------------------------
// Settings and file types

void TMainForm::RestoreSettings() {
  IniFile ini;
  if (!Run([&] { ini = IniFile::Load(IniFileName().toStdString()); })) return;
  RestorePlacement(ini, "Setting", *this);
  const auto state = ini.Value("Setting", "ToolBarState");
  if (state) restoreState(QByteArray::fromBase64(QByteArray::fromStdString(*state)));
  StickyAction->setChecked(ini.BoolValue("Setting", "StickyFormTB.Down", false));
  for (TToolForm* f : allToolForms_) f->RestoreSettings(ini);
  RestoreFillSettings(ini);
  if (view3d_) view3d_->SetSamples(outputOptions_.Samples);  // the view draws as the movie will
  lastPos_ = pos();
}

void TMainForm::StoreSettings() {
  Run([&] {
    const std::string name = IniFileName().toStdString();
    IniFile ini;
    try {
      ini = IniFile::Load(name);  // keeps what other versions stored
    } catch (const Error&) {
    }
    StorePlacement(ini, "Setting", *this);
    ini.SetValue("Setting", "ToolBarIcon.Top", toolBarIcon_->y());
    ini.SetValue("Setting", "ToolBarIcon.Left", toolBarIcon_->x());
    ini.SetValue("Setting", "ToolBarMenu.Left", toolBarMenu_->x());
    ini.SetValue("Setting", "ToolBarMenu.Top", toolBarMenu_->y());
    ini.SetValue("Setting", "StickyFormTB.Down", StickyAction->isChecked());
    ini.SetValue("Setting", "ToolBarState", saveState().toBase64().toStdString());
    for (TToolForm* f : allToolForms_) f->StoreSettings(ini);
    StoreFillSettings(ini);
    ini.Save(name);
  });
}

void TMainForm::RegisterFileType(const QString& extension, const QString& className,
                                 const QString& description, const QString& icon,
                                 const QString& command) {
  Run([&] {
    const auto a =
        PrepareFileType(extension.toStdString(), className.toStdString(), description.toStdString(),
                        icon.toStdString(), command.toStdString());
    if (!a) return;
    const QString data = UserDataFolder();
    const FileTypeRegistration r = WriteFileTypeAssociation(*a, data.toStdString());
    // Let the desktop know of files written or removed; missing tools only delay it.
    if (!r.Written.empty() || !r.Removed.empty()) {
      const QString mimeTool = QStandardPaths::findExecutable("update-mime-database");
      if (!mimeTool.isEmpty() && QFileInfo::exists(data + "/mime"))
        QProcess::startDetached(mimeTool, {data + "/mime"});
      const QString desktopTool = QStandardPaths::findExecutable("update-desktop-database");
      if (!desktopTool.isEmpty()) QProcess::startDetached(desktopTool, {data + "/applications"});
    }
    dialogs_.ShowInfo(this, QString::fromStdString(a->Message).replace("\r\n", "\n"));
  });
}

}  // namespace glkov::app
