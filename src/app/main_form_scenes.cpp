// The main window's sub-scenes and foreground objects: the scene divider, the sub-scene lists
// RegionCB and SubScenewTransCB, the object extraction window, the object inspector, the texture
// viewer and the masked image export.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QUndoCommand>
#include <QUndoStack>
#include <QVBoxLayout>

#include "app/applied_command.h"
#include "app/extract_object_form.h"
#include "app/gl_panel.h"
#include "app/inspector_form.h"
#include "app/main_form.h"
#include "app/masked_image_export.h"
#include "app/nevigator_form.h"
#include "app/picture_view.h"
#include "app/texture_form.h"
#include "app/tool_forms.h"
#include "core/model/picture_import.h"
#include "core/perspective/mesh.h"
#include "core/perspective/sub_scenes.h"
#include "core/scene/transition_scene.h"

namespace glkov::app {

// Entering a sub-scene from the main window's lists: undo enters the sub-scene the working copy
// held before, so every older edit is undone on the sub-scene it was made on.
class TEnterRegionCommand : public TAppliedCommand {
 public:
  TEnterRegionCommand(TMainForm* form, int from, int to)
      : TAppliedCommand(QString("Enter Scene %1").arg(to)), form_(form), from_(from), to_(to) {}
  void undo() override { form_->EnterRegionNow(from_); }
  void Redo() override { form_->EnterRegionNow(to_); }

 private:
  TMainForm* form_;
  int from_, to_;
};

namespace {

// Questions and warnings of the core operations as the main window's message boxes.
class TSceneCallbacks : public UiCallbacks {
 public:
  TSceneCallbacks(QWidget* owner, TDialogs& dialogs) : owner_(owner), dialogs_(dialogs) {}
  bool AskYesNo(const std::string& question) override {
    return dialogs_.AskYesNo(owner_, QString::fromStdString(question), "Confirm");
  }
  void Warning(const std::string& message) override {
    dialogs_.ShowError(owner_, QString::fromStdString(message));
  }
  void Beep() override { QApplication::beep(); }
  void PumpEvents() override {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }

 private:
  QWidget* owner_;
  TDialogs& dialogs_;
};

// A tool window holding one of the real windows; the held window's caption becomes its own.
class TToolHost : public TToolForm {
 public:
  TToolHost(const QString& className, const QString& caption, const QString& section,
            QWidget* parent, bool stayOnTop, QWidget* content)
      : TToolForm(className, caption, section, parent, stayOnTop), content_(content) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const QSize size = content->size();
    content->setParent(this, Qt::Widget);
    layout->addWidget(content);
    content->show();
    resize(size);
    connect(content, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
  }

 protected:
  QWidget* content_;
};

// The extraction window also keeps its switches and sliders in its section.
class TExtractHost : public TToolHost {
 public:
  using TToolHost::TToolHost;

  void RestoreSettings(const IniFile& s) override {
    TToolHost::RestoreSettings(s);
    const std::string section = Section().toStdString();
    for (const char* name : {"NoSmallCheckBox", "OverwritePosCB"})
      if (auto* box = content_->findChild<QCheckBox*>(name))
        box->setChecked(s.BoolValue(section, std::string(name) + ".Checked", box->isChecked()));
    for (const char* name : {"ThresholdBar", "TrackBar1"})
      if (auto* bar = content_->findChild<QSlider*>(name))
        bar->setValue(s.IntValue(section, std::string(name) + ".Position", bar->value()));
  }

  void StoreSettings(IniFile& s) const override {
    TToolHost::StoreSettings(s);
    const std::string section = Section().toStdString();
    for (const char* name : {"NoSmallCheckBox", "OverwritePosCB"})
      if (auto* box = content_->findChild<QCheckBox*>(name))
        s.SetValue(section, std::string(name) + ".Checked", box->isChecked());
    for (const char* name : {"ThresholdBar", "TrackBar1"})
      if (auto* bar = content_->findChild<QSlider*>(name))
        s.SetValue(section, std::string(name) + ".Position", bar->value());
  }
};

}  // namespace

void TMainForm::CreateSceneWindows() {
  sceneCallbacks_ = std::make_unique<TSceneCallbacks>(this, dialogs_);
  textureForm_ = new TTextureForm;
  allToolForms_.push_back(new TToolHost("TTextureForm", "Texture", "", this, false, textureForm_));
  extractObjectForm_ = new TExtractObjectForm(project_, undo_);
  allToolForms_.push_back(new TExtractHost("TExtractObjectForm", "Object Extraction",
                                           "Object Extraction", this, false, extractObjectForm_));
  inspector_ = new TInspectorForm(project_, undo_, *sceneCallbacks_);
  allToolForms_.push_back(new TToolHost("TInspectorForm", "Object Inspector", "Object Inspector",
                                        this, false, inspector_));
  nevigator_ = new TNevigatorForm(project_, undo_, *sceneCallbacks_);
  allToolForms_.push_back(
      new TToolHost("TNevigatorForm", "Scene Divider", "", this, true, nevigator_));
}

void TMainForm::ConnectSceneControls() {
  connect(regionCB_, &QComboBox::activated, this, [this](int index) { EnterRegion(index + 1); });
  subScenewTransCB_ = findChild<QComboBox*>("SubScenewTransCB");
  connect(subScenewTransCB_, &QComboBox::activated, this,
          [this](int j) { EnterSceneOrTransition(j); });
  if (auto* b = findChild<QToolButton*>("AutoExtractButton"))
    connect(b, &QToolButton::clicked, this, [this] { AutoExtractButtonClick(); });
  if (auto* b = findChild<QToolButton*>("ClearObjectsButton"))
    connect(b, &QToolButton::clicked, this, [this] { ClearObjectsButtonClick(); });
  connect(ExportMaskedAction, &QAction::triggered, this, [this] { ExportMaskedImageClick(); });

  // The divider's rectangles and list.
  connect(nevigator_, &TNevigatorForm::RegionsChanged, this, [this] { SceneListsChanged(); });
  connect(nevigator_, &TNevigatorForm::RegionChanged, this, [this](int index) {
    if (index >= 1 && index == project_.WorkingRegion) ReloadEnteredCrop();
  });

  // The extraction window.
  connect(extractObjectForm_, &TExtractObjectForm::StatusText, this,
          [this](const QString& text) { SetPanelText(4, text); });
  connect(extractObjectForm_, &TExtractObjectForm::ObjectsAccepted, this,
          [this] { ObjectsAccepted(); });
  connect(extractObjectForm_, &TExtractObjectForm::ObjectsRestored, this, [this] {
    SceneEdited();
    inspector_->RebuildSceneTree();
    inspector_->RebuildObjectTree();
    DrawObjectPage();
  });
  connect(extractObjectForm_, &QDialog::finished, this, [this] {
    if (TToolForm* host = FindToolForm("TExtractObjectForm")) host->close();
  });

  // The inspector and the texture viewer.
  connect(inspector_, &TInspectorForm::ShowPlaneTexture, this, [this](int plane) {
    if (plane < 1 || plane > 5) return;
    textureForm_->ShowPlaneTexture(project_.Boards[plane - 1]);
    if (!inspector_->Rebuilding()) ShowTextureWindow();
  });
  connect(inspector_, &TInspectorForm::ShowObjectTexture, this, [this](int index) {
    if (index < 0 || index >= project_.fgObjCount()) return;
    const TfgObj& object = project_.fgObjs[static_cast<size_t>(index)];
    // Until "Make" the object has no texture of its own (or one from an older scene): it shows
    // its picture as the texture will take it.
    if (project_.SceneMade && (object.TexUploaded || !object.Texels.empty()))
      textureForm_->ShowObjectTexture(object);
    else
      textureForm_->ShowObjectCutOut(project_, index, NegativeOutput());
    if (!inspector_->Rebuilding()) ShowTextureWindow();
  });
  connect(inspector_, &TInspectorForm::HideTexture, this, [this] { textureForm_->HideTexture(); });
  connect(inspector_, &TInspectorForm::ObjectChanged, this, [this] {
    SceneEdited();
    DrawObjectPage();
  });
}

bool TMainForm::NegativeOutput() const { return switches_.Negative; }

void TMainForm::DrawObjectPage() {
  DrawMesh();
  // The object page shows the boxes as soon as they change, "Done" or not.
  if (project_.IMask_r.Empty()) return;
  if (objImage_->Picture() != &project_.IMask_r) objImage_->SetPicture(&project_.IMask_r);
  objImage_->SetMesh(glkov::DrawMesh(
      project_, {.FitScale = layout_.FitScale, .EditView = false, .HasBackdrop = true}));
}

void TMainForm::ShowTextureWindow() {
  TToolForm* host = toolForms_[Texture];
  if (!toolVisible_[Texture]) {
    toolVisible_[Texture] = true;
    ToggleAction[Texture]->setChecked(true);
  }
  host->show();
}

// ---------------------------------------------------------------------------------------------
// Sub-scenes

bool TMainForm::EnterRegion(int k) {
  if (!AskSaveCameraPath()) {
    RefreshSceneWindows(false);
    return false;
  }
  const int from = project_.WorkingRegion;
  const bool same = from == k && !project_.TransitionMode;
  if (!EnterRegionNow(k)) return false;
  if (!same && from >= 1) undo_->push(new TEnterRegionCommand(this, from, k));
  return true;
}

bool TMainForm::EnterRegionNow(int k) {
  if (k < 1 || k >= static_cast<int>(project_.MeshRegions.size())) k = 1;
  if (project_.MeshRegions.size() < 2) return false;
  // Edits are stored as they are made; this keeps the last one with its own sub-scene.
  StoreWorkingRegion(project_);
  const int before = project_.CurrentRegion;
  const bool ok = Run([&] {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
      ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    RegionCBChange(
        project_, timeline_, k - 1, [this](const QString& text) { SetPanelText(4, text); },
        *sceneCallbacks_);
  });
  if (!ok) {
    project_.CurrentRegion = before;
    SetPanelText(4, "");
    RefreshSceneWindows(false);
    return false;
  }
  AfterRegionEntered();
  return true;
}

void TMainForm::SceneGone() {
  // The scene made for the sub-scene left behind is not this one's: the next "Make" builds it.
  project_.SceneMade = false;
  if (view3d_) view3d_->ClearScene();
  if (sceneNotMade_) sceneNotMade_->hide();
}

void TMainForm::AfterRegionEntered() {
  SceneGone();
  // The extraction list came from the mask of the sub-scene left behind.
  extractObjectForm_->ResetExtraction();
  AfterProjectChanged();
  // After a change of sub-scene the tree lists the planes only.
  inspector_->RebuildSceneTree();
  emit SceneEntered();
}

bool TMainForm::EnterSceneOrTransition(int j) {
  const SceneListItem item = SceneTransitionItem(j);
  if (!item.Transition) return EnterRegion(item.Number);
  if (item.Number < 1 || item.Number + 1 >= static_cast<int>(project_.MeshRegions.size()))
    return false;
  if (!AskSaveCameraPath()) {
    RefreshSceneWindows(false);
    return false;
  }
  StoreWorkingRegion(project_);
  const int before = project_.CurrentRegion;
  const bool transitionBefore = project_.TransitionMode;
  if (!toolVisible_[CameraControl]) ToggleToolWindow(CameraControl);
  const bool ok = Run([&] {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
      ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    auto status = [this](const QString& text) { SetPanelText(4, text); };
    SubScenewTransCBChange(project_, timeline_, j, status, *sceneCallbacks_);
    SetPanelText(4, "Generating 3D scene...");
    BuildTransitionScene(project_, item.Number, NegativeOutput());
    SetPanelText(4, "");
  });
  if (!ok) {
    project_.CurrentRegion = before;
    project_.TransitionMode = transitionBefore;
    SetPanelText(4, "");
    RefreshSceneWindows(false);
    return false;
  }
  RefreshSceneWindows(false);
  inspector_->RebuildSceneTree();
  if (!toolVisible_[Timeline]) ToggleToolWindow(Timeline);
  SetStepItemEnabled("Internal Player", true);
  if (auto* b = findChild<QWidget*>("RevertToolButton")) b->setEnabled(true);
  UpdateToolToggles();
  glPanel_->show();
  if (view3d_) view3d_->SceneMade();
  ShowCameraValues();
  RedrawScene();
  emit SceneEntered();
  return true;
}

void TMainForm::ReloadEnteredCrop() {
  const int k = project_.WorkingRegion;
  if (k < 1 || k >= static_cast<int>(project_.MeshRegions.size()) || project_.IOriginal.Empty())
    return;
  // The rectangle of the sub-scene being edited moved or changed its size (its mesh was reset):
  // cut the pictures again and take its mesh, so the working copy never writes an old mesh back.
  const TMeshRegion& r = project_.MeshRegions[k];
  const int current = project_.CurrentRegion;
  Run([&] {
    FreeSceneTextures(project_);
    CropOriginal(project_, r.Left, r.Top, r.Right, r.Bottom);
    CropMask(project_, r.Left, r.Top, r.Right, r.Bottom);
    CropBackground(project_, r.Left, r.Top, r.Right, r.Bottom);
    LoadRegion(project_, k);
    const TMeshRegion& w = project_.MeshRegions[0];
    SetViewWindowSize(project_, w.Right - w.Left + 1, w.Bottom - w.Top + 1);
  });
  project_.CurrentRegion = current;
  SceneGone();
  AfterProjectChanged();
  inspector_->RebuildSceneTree();
  emit SceneEntered();
}

void TMainForm::SceneListsChanged() {
  const int k = project_.WorkingRegion;
  if (k >= static_cast<int>(project_.MeshRegions.size())) {
    // The sub-scene being edited was deleted: its edits went with it; edit the first one.
    EnterRegionNow(1);
    return;
  }
  RefreshSceneWindows(false);
}

void TMainForm::RefreshSceneWindows(bool rebuildTree) {
  if (!nevigator_) return;
  const int n = static_cast<int>(project_.MeshRegions.size());
  {
    // The mesh page's list shows the sub-scene whose mesh the page shows.
    const QSignalBlocker block(regionCB_);
    regionCB_->clear();
    for (const std::string& name : FillRegionList(project_))
      regionCB_->addItem(QString::fromStdString(name));
    const int k = project_.WorkingRegion;
    regionCB_->setCurrentIndex(k >= 1 && k < n ? k - 1 : -1);
  }
  {
    const QSignalBlocker block(subScenewTransCB_);
    subScenewTransCB_->clear();
    FillSceneTransitionCombo(*subScenewTransCB_, project_);
    int item = -1;
    if (project_.TransitionMode && project_.CurrentRegion >= 1)
      item = 2 * (project_.CurrentRegion - 1) + 1;
    else if (project_.WorkingRegion >= 1)
      item = 2 * (project_.WorkingRegion - 1);
    subScenewTransCB_->setCurrentIndex(item < subScenewTransCB_->count() ? item : -1);
  }
  nevigator_->RefreshRegionList();
  nevigator_->FormResize();
  DrawObjectPage();
  if (auto* b = findChild<QWidget*>("ClearObjectsButton")) b->setEnabled(project_.fgObjCount() > 0);
  UpdateToolToggles();
  if (!rebuildTree) return;
  if (project_.WorkingRegion >= 1) {
    inspector_->RebuildSceneTree();
    inspector_->RebuildObjectTree();
  } else {
    inspector_->ClearSceneTree();
  }
}

// ---------------------------------------------------------------------------------------------
// Foreground objects

void TMainForm::AutoExtractButtonClick() {
  if (project_.IMask_r.Empty()) return;
  // The objects stay until "OK" replaces them, so that "Cancel" loses nothing.
  TToolForm* host = FindToolForm("TExtractObjectForm");
  extractObjectForm_->show();
  host->show();
  host->raise();
  host->activateWindow();
  if (auto* b = extractObjectForm_->findChild<QWidget*>("ButtonLED1")) b->setFocus();
}

void TMainForm::ObjectsAccepted() {
  SceneEdited();
  ObjectsChanged();
  if (!project_.fgObjs.empty()) ShowTextureWindow();
  UpdateToolToggles();
  if (!toolVisible_[Inspector]) ToggleToolWindow(Inspector);
}

void TMainForm::ObjectsChanged() {
  inspector_->RebuildSceneTree();
  inspector_->RebuildObjectTree();
  DrawObjectPage();
  if (auto* b = findChild<QWidget*>("ClearObjectsButton")) b->setEnabled(!project_.fgObjs.empty());
}

void TMainForm::ClearObjectsButtonClick() {
  SceneEdited();
  ClearAllObjects(project_, undo_, [this] {
    SceneEdited();
    inspector_->RebuildSceneTree();
    inspector_->RebuildObjectTree();
    DrawObjectPage();
  });
  inspector_->RebuildSceneTree();
  DrawObjectPage();
  if (auto* b = findChild<QWidget*>("ClearObjectsButton")) b->setEnabled(false);
}

void TMainForm::ExportMaskedImageClick() {
  Run([&] {
    const auto written = ExportMaskedImage(project_, [this](const QString& defaultName) {
      const std::optional<QString> name =
          dialogs_.InputText(this, "Please enter filename", "Filename", defaultName);
      if (!name || name->trimmed().isEmpty()) return std::optional<QString>();
      return name;
    });
    if (written) SetPanelText(4, "Masked image written to " + *written);
  });
}

void TMainForm::SceneWindowsClosed() {
  if (!nevigator_) return;
  inspector_->ClearSceneTree();
  textureForm_->Clear();
  extractObjectForm_->ResetExtraction();
  FindToolForm("TExtractObjectForm")->hide();
  const QSignalBlocker block(subScenewTransCB_);
  subScenewTransCB_->clear();
  nevigator_->RefreshRegionList();
  nevigator_->FormResize();
}

}  // namespace glkov::app
