// The main window's 3D page and the windows around it: "Make" and the view, the camera windows,
// the timeline with its undoable key edits, the export window and the internal player.

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <algorithm>
#include <cmath>

#include "app/avi_player_form.h"
#include "app/camera_control_form.h"
#include "app/camera_values_form.h"
#include "app/extract_object_form.h"
#include "app/form_dialogs.h"
#include "app/gl_panel.h"
#include "app/main_form.h"
#include "app/output_avi_form.h"
#include "app/camera_preset_form.h"
#include "app/texture_form.h"
#include "app/timeline_form.h"
#include "app/tool_forms.h"
#include "app/undo_commands.h"
#include "core/error.h"
#include "core/perspective/sub_scenes.h"
#include "core/scene/camera.h"
#include "core/scene/scene_builder.h"
#include "core/util/text_format.h"

namespace glkov::app {

namespace {

// Runs a function when a watched window is about to be shown (before its own show handler).
class TShowHook : public QObject {
 public:
  TShowHook(QObject* parent, std::function<void()> onShow)
      : QObject(parent), onShow_(std::move(onShow)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) onShow_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> onShow_;
};

// The advanced options window is made each time "More Options..." runs; this keeps its
// placement and its stored values ("EyeSEdit.Text", "ACFrameEdit.Value") between the runs.
class TAdvancedOptionsHolder : public TToolForm {
 public:
  TAdvancedOptionsHolder(TOutputOptions& options, QWidget* parent)
      : TToolForm(QStringLiteral("TOutputOptionForm"), QStringLiteral("Advanced Output Options"),
                  QStringLiteral("Advanced Options"), parent, false),
        options_(&options) {}

  void RestoreSettings(const IniFile& settings) override {
    TToolForm::RestoreSettings(settings);
    const std::string s = Section().toStdString();
    Placed = settings.IntValue(s, "Width", -1) > 0;
    if (const auto eye = settings.Value(s, "EyeSEdit.Text")) options_->EyeSeparation = *eye;
    options_->AccumulatedFrames =
        std::clamp(settings.IntValue(s, "ACFrameEdit.Value", options_->AccumulatedFrames), 1, 20);
    const int samples = settings.IntValue(s, "SamplesCombo.Value", options_->Samples);
    if (samples == 1 || samples == 2 || samples == 4 || samples == 8) options_->Samples = samples;
    options_->Crf = std::clamp(settings.IntValue(s, "CrfEdit.Value", options_->Crf), -1, 63);
    options_->StereoSideBySide = settings.IntValue(s, "StereoModeCombo.ItemIndex", 0) == 1;
    options_->TextureMax =
        settings.IntValue(s, "TextureDetailCombo.ItemIndex", 0) == 1 ? 4096 : 1024;
  }

  void StoreSettings(IniFile& settings) const override {
    TToolForm::StoreSettings(settings);
    const std::string s = Section().toStdString();
    settings.SetValue(s, "EyeSEdit.Text", options_->EyeSeparation);
    settings.SetValue(s, "ACFrameEdit.Value", options_->AccumulatedFrames);
    settings.SetValue(s, "SamplesCombo.Value", options_->Samples);
    settings.SetValue(s, "CrfEdit.Value", options_->Crf);
    settings.SetValue(s, "StereoModeCombo.ItemIndex", options_->StereoSideBySide ? 1 : 0);
    settings.SetValue(s, "TextureDetailCombo.ItemIndex", options_->TextureMax > 1024 ? 1 : 0);
  }

  bool Placed = false;

 private:
  TOutputOptions* options_;
};

// OpenGL widgets cannot be shown on platforms without a display (offscreen tests).
bool OpenGLAvailable() {
  const QString platform = QGuiApplication::platformName();
  return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

}  // namespace

QWidget* TMainForm::CreateGLView(QWidget* area) {
  QWidget* view = nullptr;
  if (OpenGLAvailable()) {
    view3d_ = new GLPanel(project_, switches_, area);
    connect(view3d_, &GLPanel::CameraChanged, this, [this] { ShowCameraValues(); });
    view = view3d_;
  } else {
    auto* label = new QLabel(QStringLiteral("The 3D view needs an OpenGL display"), area);
    label->setObjectName(QStringLiteral("GLPanel"));
    label->setAlignment(Qt::AlignCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    view = label;
  }
  // After an edit of the mesh or the objects the scene shown is not the project's any more.
  sceneNotMade_ = new QLabel(
      QStringLiteral("The mesh or the objects changed since the scene was made: press \"Make\" "
                     "to build it again."),
      area);
  sceneNotMade_->setObjectName(QStringLiteral("SceneNotMadeLabel"));
  sceneNotMade_->move(8, 8);
  sceneNotMade_->adjustSize();
  sceneNotMade_->hide();
  // The movie frames of a running export are shown here in place of the 3D view.
  glImage_ = new QLabel(area);
  glImage_->setObjectName(QStringLiteral("GLImage"));
  glImage_->setScaledContents(true);
  glImage_->hide();
  return view;
}

void TMainForm::CreateView3DWindows() {
  // The working windows take the places of their placeholders (same class name and caption).
  auto adopt = [this](TToolForm* real) {
    for (TToolForm*& f : allToolForms_) {
      if (f->objectName() == real->objectName()) {
        delete f;
        f = real;
        return;
      }
    }
    allToolForms_.push_back(real);
  };
  TFormDialogs formDialogs;
  formDialogs.OpenFile = [this](QWidget* w, const QString& title, const QString& folder,
                                const QString& filter, const QString&) {
    return dialogs_.OpenFile(w, title, folder, filter);
  };
  formDialogs.SaveFile = [this](QWidget* w, const QString& title, const QString& folder,
                                const QString& filter, const QString&) {
    return dialogs_.SaveFile(w, title, folder, filter);
  };
  formDialogs.SaveMovie = dialogs_.SaveMovie;
  formDialogs.AskYesNo = [this](QWidget* w, const QString& text) {
    return dialogs_.AskYesNo(w, text, QStringLiteral("Confirm"));
  };
  formDialogs.Error = [this](QWidget* w, const QString& text) { dialogs_.ShowError(w, text); };

  timelineForm_ = new TTimelineForm(timeline_, this);
  timelineForm_->SetDialogs(formDialogs);
  timelineForm_->resize(timelineForm_->sizeHint());  // until a stored placement says otherwise
  adopt(timelineForm_);
  connect(timelineForm_, &TTimelineForm::RedrawScene, this, [this] {
    ShowCameraValues();
    RedrawScene();
  });
  connect(timelineForm_, &TTimelineForm::KeyCountChanged, this, [this] {
    SetStepItemEnabled("Output To File...", timeline_.ListExists() && timeline_.KeyCount() > 1);
    outBar_->viewport()->update();
  });
  connect(timelineForm_, &TTimelineForm::PathFileChanged, this, [this](const QString&) {
    project_.Modified = true;
    RefreshTitle();
  });
  timelineForm_->KeysEdited = [this](const QString& text, const TTimeline& before) {
    undo_->push(new TKeyEditCommand(this, text, before, timeline_));
    SetStepItemEnabled("Output To File...", timeline_.ListExists() && timeline_.KeyCount() > 1);
  };

  cameraControlForm_ = new TCameraControlForm(switches_, this);
  adopt(cameraControlForm_);
  connect(cameraControlForm_, &TCameraControlForm::QualityClick, this, [this](int quality) {
    if (view3d_) view3d_->SetQuality(quality);
  });
  connect(cameraControlForm_, &TCameraControlForm::OperationClick, this,
          [this](MouseOperation operation) {
            if (view3d_) view3d_->SetOperation(operation);
          });
  connect(cameraControlForm_, &TCameraControlForm::SeeVWClipClick, this, [this] {
    LayoutViews(project_.PicWidth, project_.PicHeight);
    RedrawScene();
    // "Negative Output" turns a shown cut-out negative at once, as the textures of the next make.
    if (const int shown = textureForm_ ? textureForm_->CutOutObject() : -1; shown >= 0)
      textureForm_->ShowObjectCutOut(project_, shown, NegativeOutput());
  });
  connect(cameraControlForm_, &TCameraControlForm::UseVWClick, this, [this] { RedrawScene(); });
  if (view3d_) {
    connect(view3d_, &GLPanel::OperationChanged, cameraControlForm_,
            &TCameraControlForm::SetOperation);
  }

  cameraValuesForm_ = new TForm1(this);
  adopt(cameraValuesForm_);

  auto* advanced = new TAdvancedOptionsHolder(outputOptions_, this);
  adopt(advanced);

  outputForm_ = new TOutputAVIForm(project_, timeline_, outputOptions_, switches_, this);
  outputForm_->SetDialogs(formDialogs);
  outputForm_->ExtractionOptions = [this] { return extractObjectForm_->Options(); };
  adopt(outputForm_);
  outputForm_->ExecDialog = [this, advanced](QDialog& d) {
    if (advanced->Placed) d.move(advanced->pos());
    dialogs_.Exec(&d);
    advanced->setGeometry(d.geometry());
    advanced->Placed = true;
    timelineForm_->SetSmoothness(outputOptions_.Smoothness);
    if (view3d_) view3d_->SetSamples(outputOptions_.Samples);
  };
  outputForm_->installEventFilter(new TShowHook(outputForm_, [this] {
    int w = layout_.DisplayWidth, h = layout_.DisplayHeight;
    if (project_.SceneMade && glPanel_->width() > 0 && glPanel_->height() > 0) {
      w = glPanel_->width();
      h = glPanel_->height();
    }
    if (w > 0 && h > 0) outputForm_->SetDisplaySize(w, h);
    // The sub-scene being edited is the one selected in the main window.
    outputForm_->SetSingleScene(project_.WorkingRegion >= 1 ? project_.WorkingRegion
                                                            : std::max(project_.CurrentRegion, 0));
    if (!project_.ProjectDir.empty())
      outputForm_->SetInitialFolder(QString::fromStdString(project_.ProjectDir));
  }));
  connect(outputForm_, &TOutputAVIForm::ExportStarted, this, [this] {
    timelineForm_->StopPreview();
    glImage_->setGeometry(glPanel_->geometry());
    glImage_->clear();
    glImage_->show();
    glImage_->raise();
    glPanel_->hide();
  });
  connect(outputForm_, &TOutputAVIForm::FrameRendered, this,
          [this](const QImage& frame) { glImage_->setPixmap(QPixmap::fromImage(frame)); });
  connect(outputForm_, &TOutputAVIForm::ExportEnded, this, [this] {
    glImage_->hide();
    glPanel_->setVisible(project_.SceneMade);
    RedrawScene();
  });
  connect(outputForm_, &TOutputAVIForm::StatusText, this,
          [this](const QString& text) { SetPanelText(4, text); });
  connect(outputForm_, &TOutputAVIForm::MovieWritten, this,
          [this](const QString& fileName, bool loadPlayer) {
            SetStepItemEnabled("Internal Player", true);
            QApplication::beep();  // the desktop's sound for a finished job
            // The player holds the new movie either way; it is shown only when asked to.
            if (loadPlayer)
              PlayFile(fileName);
            else
              playerForm_->Load(fileName);
          });

  playerForm_ = new TAVIPlayerForm(this);
  playerForm_->SetDialogs(formDialogs);
  playerForm_->ExecDialog = [this](QDialog& d) { dialogs_.Exec(&d); };
  adopt(playerForm_);

  connect(SaveCameraPathAction, &QAction::triggered, this, [this] { SaveCameraPath1Click(); });
  connect(LoadCameraPathAction, &QAction::triggered, this, [this] { LoadCameraPath1Click(); });
  connect(CameraPresetsAction, &QAction::triggered, this, [this] { CameraPresetsClick(); });
  connect(timelineForm_, &TTimelineForm::PresetsRequested, this, [this] { CameraPresetsClick(); });
  connect(PreviewAction, &QAction::triggered, this, [this] { PreviewClick(); });
  if (auto* make = findChild<QToolButton*>(QStringLiteral("RenderToolButton")))
    connect(make, &QToolButton::clicked, this, [this] { MakeScene(); });
  if (auto* revert = findChild<QToolButton*>(QStringLiteral("RevertToolButton")))
    connect(revert, &QToolButton::clicked, this, [this] { ResetButtonClick(); });
}

bool TMainForm::MakeScene() {
  if (!project_.OriginalLoaded || project_.IOriginal_r.Empty()) return false;
  if (project_.IBackground.Empty() && !project_.IMask.Empty() &&
      dialogs_.AskYesNo(this, "Fill the background automatically?", "glKOV") &&
      !FillBackgroundAutomatically())
    return false;
  timelineForm_->StopPreview();
  if (project_.TransitionMode) {
    // The scene made is the sub-scene's: its own camera path comes back to the timeline.
    if (!AskSaveCameraPath()) return false;
    if (!Run([this] { LeaveTransition(project_, timeline_, *sceneCallbacks_); })) return false;
    timelineForm_->Refresh();
    RefreshSceneWindows(false);
  }
  cameraValuesForm_->show();
  if (!toolVisible_[CameraControl]) ToggleToolWindow(CameraControl);
  SetPanelText(4, QStringLiteral("Generating 3D scene..."));
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  MakeSceneOptions options;
  options.Extraction = extractObjectForm_->Options();
  options.Negative = switches_.Negative;
  const bool extracting = !project_.ObjectsExtracted;
  bool made = false;
  try {
    glkov::MakeScene(project_, options, *sceneCallbacks_);
    made = true;
  } catch (const std::exception& e) {
    QApplication::restoreOverrideCursor();
    SetPanelText(4, QString());
    dialogs_.ShowError(this, QString::fromStdString(e.what()));
    if (extracting && project_.ObjectsExtracted) ObjectsChanged();
    return false;
  }
  QApplication::restoreOverrideCursor();
  sceneNotMade_->hide();
  if (extracting) ObjectsChanged();
  SetPanelText(4, QString());
  LayoutViews(project_.PicWidth, project_.PicHeight);
  glPanel_->show();
  if (view3d_) view3d_->SceneMade();
  if (!toolVisible_[Timeline]) ToggleToolWindow(Timeline);
  SetStepItemEnabled("Internal Player", true);
  outBar_->viewport()->update();
  if (auto* b = findChild<QWidget*>("RevertToolButton")) b->setEnabled(true);
  UpdateToolToggles();
  ShowCameraValues();
  RedrawScene();
  return made;
}

void TMainForm::SceneEdited() {
  if (!project_.SceneMade || project_.TransitionMode) return;
  SceneGone();
  glPanel_->hide();
  sceneNotMade_->show();
  sceneNotMade_->raise();
}

void TMainForm::ResetButtonClick() {
  SetPanelText(4, QStringLiteral("Reverting to default position..."));
  Run([this] { RevertPosition(project_); });
  ShowCameraValues();
  RedrawScene();
  SetPanelText(4, QString());
}

void TMainForm::RedrawScene() {
  if (view3d_ && project_.SceneMade) view3d_->RedrawScene();
}

void TMainForm::ShowCameraValues() {
  if (cameraValuesForm_) cameraValuesForm_->ShowCameraValues(project_.Camera);
}

void TMainForm::PlaceGLView() {
  if (!glPanel_ || !pageArea_[5]) return;
  // "Preview" of the viewing window: the view shows only the movie's frame, at the same scale.
  if (switches_.SeeVWClip && project_.SceneMade && layout_.FitScale > 0) {
    const int w =
        RoundHalfEven((std::abs(project_.ViewLeft - project_.ViewRight) + 1) * layout_.FitScale);
    const int h =
        RoundHalfEven((std::abs(project_.ViewTop - project_.ViewBottom) + 1) * layout_.FitScale);
    if (w > 0 && h > 0) {
      QRect r(0, 0, w, h);
      r.moveCenter(glPanel_->geometry().center());
      glPanel_->setGeometry(r);
    }
  }
  if (glImage_) glImage_->setGeometry(glPanel_->geometry());
}

void TMainForm::View3DClosed() {
  if (!timelineForm_) return;
  timelineForm_->StopPreview();
  timelineForm_->Refresh();
  if (view3d_) view3d_->ClearScene();
  if (glImage_) glImage_->hide();
  if (cameraValuesForm_) cameraValuesForm_->hide();
}

void TMainForm::View3DProjectChanged() {
  if (!timelineForm_) return;
  timelineForm_->Refresh();
  if (!project_.ProjectDir.empty())
    timelineForm_->SetInitialFolder(QString::fromStdString(project_.ProjectDir));
  glPanel_->setVisible(project_.SceneMade);
  SetStepItemEnabled("Output To File...", timeline_.ListExists() && timeline_.KeyCount() > 1);
}

void TMainForm::RequestExportAbort() {
  if (outputForm_ && outputForm_->Exporting()) outputForm_->RequestAbort();
}

void TMainForm::ApplyTimelineState(const TTimeline& state) {
  timelineForm_->StopPreview();
  const TTimeline now = timeline_;
  const std::string path = project_.CameraPathFile;
  timeline_ = state;
  timeline_.FPS = now.FPS;
  timeline_.FPK = now.FPK;
  timeline_.Trans = now.Trans;
  timeline_.MFRFEdit = now.MFRFEdit;
  timeline_.RedrawScene = now.RedrawScene;
  timeline_.KeyCountChanged = now.KeyCountChanged;
  timeline_.Modified = true;
  if (timeline_.ListExists() && !path.empty()) timeline_.SetPathCaption(path);
  timelineForm_->Refresh();
  SetStepItemEnabled("Output To File...", timeline_.ListExists() && timeline_.KeyCount() > 1);
}

void TMainForm::PlayFileClick() {
  playerForm_->show();
  playerForm_->raise();
  const QString folder = project_.ProjectDir.empty() ? QCoreApplication::applicationDirPath()
                                                     : QString::fromStdString(project_.ProjectDir);
  // The dialog belongs to the player, which stays on top: so it opens in front of it.
  const QString file = dialogs_.OpenFile(playerForm_, QStringLiteral("Open AVI File"), folder,
                                         QStringLiteral("AVI-Files (*.avi);;All Files (*)"));
  if (!file.isEmpty()) PlayFile(file);
}

bool TMainForm::PlayFile(const QString& fileName) {
  SetStepItemEnabled("Internal Player", true);
  playerForm_->show();
  playerForm_->raise();
  return playerForm_->Load(fileName);
}

void TMainForm::SaveCameraPath1Click() {
  if (!project_.ProjectDir.empty())
    timelineForm_->SetInitialFolder(QString::fromStdString(project_.ProjectDir));
  timelineForm_->SaveMotionPath1Click();
}

void TMainForm::CameraPresetsClick() {
  auto* dialog = findChild<TCameraPresetForm*>(QStringLiteral("CameraPresetForm"));
  if (!dialog) {
    dialog = new TCameraPresetForm(project_, *timelineForm_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->Applied = [this](const QString& text, const TTimeline& before) {
      undo_->push(new TPresetEditCommand(this, text, before, timeline_));
    };
  }
  dialog->open();
  dialog->raise();
}

bool TMainForm::AskSaveCameraPath() {
  if (!timeline_.Modified || !timeline_.ListExists()) return true;
  switch (dialogs_.AskYesNoCancel(this, "Save changes to the camera path?", "Confirmation")) {
    case TAnswer::Cancel:
      return false;
    case TAnswer::No:
      timeline_.Modified = false;
      return true;
    case TAnswer::Yes:
      break;
  }
  // A cancelled file dialog or a failed save keeps the keys and stops the command.
  SaveCameraPath1Click();
  return !timeline_.Modified;
}

void TMainForm::LoadCameraPath1Click() {
  if (!project_.ProjectDir.empty())
    timelineForm_->SetInitialFolder(QString::fromStdString(project_.ProjectDir));
  timelineForm_->LoadMotionPath1Click();
}

void TMainForm::PreviewClick() {
  ShowPage(5);
  if (!project_.SceneMade && !MakeScene()) return;
  timelineForm_->SetSmoothness(outputOptions_.Smoothness);
  if (!timelineForm_->PreviewRunning()) timelineForm_->PlayButtonClick();
}

}  // namespace glkov::app
