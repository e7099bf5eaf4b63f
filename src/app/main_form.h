#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "core/animation/timeline.h"
#include "core/model/project.h"
#include "core/model/types.h"
#include "core/output/output_options.h"
#include "core/perspective/view_layout.h"
#include "core/ui_callbacks.h"

class QAction;
class QCheckBox;
class QComboBox;
class QMenu;
class QProgressBar;
class QSpinBox;
class QTabWidget;
class QToolBar;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QUndoStack;

namespace glkov {
class TExtractObjectForm;
class TInspectorForm;
class TNevigatorForm;
class TTextureForm;
class IniFile;
}  // namespace glkov

namespace glkov::app {

class GLPanel;
class TAVIPlayerForm;
class TCameraControlForm;
class TForm1;
class TOutputAVIForm;
class TTimelineForm;
class TMeshHandle;
class TMeshImage;
class TPictureView;
class TToolForm;

// The answer to a question that can also stop the command.
enum class TAnswer { Yes, No, Cancel };

// What the main window asks of the user. Tests replace these with scripted answers.
struct TDialogs {
  // File dialogs: title, start folder or preset file, filter; an empty answer means cancelled.
  std::function<QString(QWidget*, const QString&, const QString&, const QString&)> OpenFile;
  std::function<QString(QWidget*, const QString&, const QString&, const QString&)> SaveFile;
  // The export's movie dialog with its quality field (title, folder, constant rate factor in and
  // out); without it the export asks with SaveFile.
  std::function<QString(QWidget*, const QString&, const QString&, int&)> SaveMovie;
  // A Yes/No question with a title; true means Yes.
  std::function<bool(QWidget*, const QString& text, const QString& title)> AskYesNo;
  // A Yes/No/Cancel question with a title; Escape and the close box answer Cancel.
  std::function<TAnswer(QWidget*, const QString& text, const QString& title)> AskYesNoCancel;
  std::function<void(QWidget*, const QString& text)> ShowError;
  std::function<void(QWidget*, const QString& text)> ShowInfo;
  // A text entry box: title, prompt, default text; nullopt when cancelled.
  std::function<std::optional<QString>(QWidget*, const QString&, const QString&, const QString&)>
      InputText;
  // Runs a modal window (options, about).
  std::function<int(QDialog*)> Exec;
};

// The standard dialogs of the toolkit.
TDialogs StandardDialogs();

// A panel that accepts a dropped file (the empty picture panels).
class TDropPanel : public QLabel {
  Q_OBJECT

 public:
  TDropPanel(const QString& name, const QString& caption, QWidget* parent);

 signals:
  void FileDropped(const QString& fileName);
  void DoubleClicked();

 protected:
  void dragEnterEvent(QDragEnterEvent*) override;
  void dropEvent(QDropEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
};

// A file-name box: Enter imports the typed name, a dropped file replaces the text and imports.
class TFileNameEdit : public QLineEdit {
  Q_OBJECT

 public:
  TFileNameEdit(const QString& name, int tag, QWidget* parent);
  int Tag() const { return tag_; }

 signals:
  void FileDropped(const QString& fileName);

 protected:
  void dragEnterEvent(QDragEnterEvent*) override;
  void dropEvent(QDropEvent*) override;

 private:
  int tag_;
};

// The mesh values an undoable edit changes.
struct TMeshState {
  double InnerLeft = 0, InnerRight = 0, InnerBottom = 0, InnerTop = 0;
  double VanishX = 0, VanishY = 0;
  double FocalLength = 0;
  double GridDivisions = 8.0, GridOffsetX = 0, GridOffsetY = 0;
  bool PerspectiveDone = false;
  friend bool operator==(const TMeshState&, const TMeshState&) = default;
};

// The main window: menus, tool bars, step bar, the six work pages and the status bar. It owns
// the project and turns gestures into core operations.
class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  struct Options {
    QString StartupFile;  // a project to open when the window is first shown
  };

  explicit TMainForm(Options options = {}, TDialogs dialogs = StandardDialogs(),
                     QWidget* parent = nullptr);
  ~TMainForm() override;

  TProject& Project() { return project_; }
  TTimeline& PathTimeline() { return timeline_; }
  QUndoStack* UndoStack() const { return undo_; }
  TDialogs& Dialogs() { return dialogs_; }
  const ViewLayout& Layout() const { return layout_; }

  // Project commands; each shows its error and returns false when it did not complete.
  bool NewProject();
  bool OpenProject();  // with the open dialog
  bool OpenProjectFile(const QString& fileName);
  bool SaveProject();
  bool SaveProjectAs();
  bool CloseProject();
  // "Save project before proceeding?": true when the command may go on (saved, or No).
  bool AskSaveProject();
  // "Save changes to the camera path?" while edited keys would be lost: true when the command
  // may go on (saved as "Save Camera Path..." does, or No).
  bool AskSaveCameraPath();
  // The mesh or the objects were edited (or an edit undone): a made scene is not the project's
  // any more, and the 3D page says so until "Make".
  void SceneEdited();
  // Shows the scene divider and checks its toolbar button (a project was started or opened).
  void ShowSceneDivider();

  // Imports a picture (tag 0 original, 1 mask, 2 background); errors are shown.
  bool ImportPicture(int tag, const QString& fileName);
  void ImportPictureDialog(int tag);

  void ShowPage(int index);
  int CurrentPage() const;
  void ShowWorkArea(bool visible);
  void SetTitle(const QString& text);
  // The caption again from the title text and the project's Modified flag.
  void RefreshTitle();
  void UpdateMenus();
  void LayoutViews(int w, int h);

  // Mesh editor.
  void DrawMesh();
  void PlaceHandles();
  void SetHandlesVisible(bool visible);
  void DefaultMeshButtonClick();
  // Places the mesh where the picture's lines suggest (one undo step); the status bar shows how
  // sure the suggestion is and the lines it used show faintly for a moment.
  void SuggestMeshButtonClick();
  void TBSetFOVClick();
  void SetPerspectiveDone(bool done);  // as a user's click on "Done" (undoable)
  void SetMeshBackdrop(int tag);       // 1 original, 2 mask, 3 background
  // The zoomable picture view of the current page (nullptr on pages without one).
  TPictureView* CurrentPictureView() const;
  void ApplyMeshState(const TMeshState& state);
  TMeshState CurrentMeshState() const;
  void ApplyProjectSnapshot(const TProject& snapshot);

  // Tool windows.
  enum ToolWindow { Timeline, CameraControl, Inspector, Texture, SceneDivider, ToolWindowCount };
  void ToggleToolWindow(ToolWindow which);
  // Enables each tool window's toggle (menu item and toolbar button) as far as its window has
  // something to show.
  void UpdateToolToggles();
  bool ToolWindowFlag(ToolWindow which) const { return toolVisible_[which]; }
  TToolForm* ToolForm(ToolWindow which) const { return toolForms_[which]; }
  TToolForm* FindToolForm(const QString& className) const;
  void HideToolWindows();
  void RestoreToolWindows();
  void MoveToolWindows();

  // Settings and file types.
  void RestoreSettings();
  void StoreSettings();
  void RefreshRecentMenu();
  void RegisterFileType(const QString& extension, const QString& className,
                        const QString& description, const QString& icon, const QString& command);

  // Status bar panel texts (0..4).
  QString PanelText(int panel) const;

  // Sub-scenes, foreground objects and their windows (main_form_scenes.cpp).
  // Enters sub-scene k as RegionCB does (through the undo stack); errors are shown.
  bool EnterRegion(int k);
  // Enters item j of SubScenewTransCB: a sub-scene, or a transition with its flat scene.
  bool EnterSceneOrTransition(int j);
  // The sub-scene the working copy holds (where edits are stored); -2 for none.
  int EnteredRegion() const { return project_.WorkingRegion; }
  void AutoExtractButtonClick();
  void ClearObjectsButtonClick();
  void ExportMaskedImageClick();
  // Sets the combo boxes, the object page and the divider from the project, and when rebuildTree
  // the inspector's tree with the objects.
  void RefreshSceneWindows(bool rebuildTree = true);
  TNevigatorForm* Nevigator() const { return nevigator_; }
  TExtractObjectForm* ExtractObjectForm() const { return extractObjectForm_; }
  TInspectorForm* ObjectInspector() const { return inspector_; }
  TTextureForm* TextureViewer() const { return textureForm_; }

 signals:
  // A sub-scene or a transition was entered, or a transition scene built: the 3D view shows the
  // project's scene again.
  void SceneEntered();

 public:
  // Crash recovery (main_form_recovery.cpp): the folder of the recovery files (beside the user's
  // settings); writing the project there when it has unsaved changes (true when written); the
  // offer to restore it at the first show (true when restored); removing it.
  QString RecoveryFolder() const;
  bool WriteRecoveryNow();
  bool OfferRecovery();
  void DropRecovery();

  // 3D view, camera, timeline, export and player (main_form_view3d.cpp).
  // "Make": builds the current sub-scene through the core and draws it; false (after the error
  // box) when the scene cannot be made.
  bool MakeScene();
  void ResetButtonClick();  // "Revert Position"
  void RedrawScene();
  void ShowCameraValues();
  // "Play File...": shows the player and asks for a movie; PlayFile loads one without asking.
  void PlayFileClick();
  bool PlayFile(const QString& fileName);
  void SaveCameraPath1Click();
  void LoadCameraPath1Click();
  // "Camera Presets...": the dialog that replaces the current sub-scene's keys by a preset move.
  void CameraPresetsClick();
  // "Preview": flies the timeline's path in the 3D view.
  void PreviewClick();
  // Replaces the key list with an earlier state (undo and redo of key edits); the rates stay.
  void ApplyTimelineState(const TTimeline& state);
  GLPanel* View3D() const { return view3d_; }  // nullptr on a platform without OpenGL
  TTimelineForm* TimelineWindow() const { return timelineForm_; }
  TCameraControlForm* CameraControlWindow() const { return cameraControlForm_; }
  TForm1* CameraValuesWindow() const { return cameraValuesForm_; }
  TOutputAVIForm* OutputWindow() const { return outputForm_; }
  TAVIPlayerForm* PlayerWindow() const { return playerForm_; }
  RenderSwitches& Switches() { return switches_; }
  TOutputOptions& OutputOptions() { return outputOptions_; }

  // The automatic background (main_form_fill.cpp): "Fill Automatically" shows the diffusion
  // preview at once, then fills along the planes on a worker thread with progress and cancel;
  // the result becomes the background in one undo step. False when cancelled or failed (the
  // project is then as before).
  bool FillBackgroundAutomatically();
  QAction* FillBackgroundAction = nullptr;
  // "Grow mask by N pixels" beside "Fill Automatically": how far the fill reaches past the mask's
  // objects (kept in the settings file).
  QSpinBox* FillGrowSpin = nullptr;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  friend class TMainFormAccess;
  friend class TEnterRegionCommand;
  void CreateActions();
  void CreateMenus();
  void CreateToolBars();
  void CreateStepBar();
  void CreatePages();
  void CreateFillControls();
  void RestoreFillSettings(const IniFile& ini);
  void StoreFillSettings(IniFile& ini) const;
  void CreateStatusBar();
  void CreateToolWindows();
  QWidget* CreatePicturePage(int tag, const QString& caption);
  QWidget* CreateMeshPage();
  QWidget* CreateObjectPage();
  QWidget* CreateScenePage();
  QWidget* BottomPanel(int page) const;
  QWidget* CreateGLView(QWidget* area);
  void CreateView3DWindows();
  void PlaceGLView();
  void View3DClosed();
  void View3DProjectChanged();
  void RequestExportAbort();

  // Runs a command, showing a glkov::Error (or any other exception) in the error box.
  bool Run(const std::function<void()>& command);
  void AfterProjectChanged();  // sets every view from the project
  void PushRecent(const QString& fileName);
  void SetStepItemEnabled(const QString& caption, bool enabled);
  void SelectStepItem(int page);  // highlights the step-bar item of the page
  void SetPanelText(int panel, const QString& text);
  void SyncDoneControls();
  void PushMeshEdit(const QString& text, const TMeshState& before);

  void HandlePressed(TMeshHandle* handle, QPoint pos);
  void HandleMoved(TMeshHandle* handle, QPoint pos);
  void HandleReleased(TMeshHandle* handle);
  void InnerRectMouseMove(QWidget* sender, QPoint pos);

  // main_form_scenes.cpp
  void CreateSceneWindows();
  void ConnectSceneControls();
  bool EnterRegionNow(int k);  // enters without an undo record; false when refused
  void AfterRegionEntered();
  void ReloadEnteredCrop();
  void SceneListsChanged();
  void ObjectsAccepted();
  // The object list changed (an extraction, a clear): the object page, the inspector's trees and
  // the clear button follow it.
  void ObjectsChanged();
  void ShowTextureWindow();
  void SceneWindowsClosed();
  void DrawObjectPage();
  void SceneGone();
  bool NegativeOutput() const;  // the camera control's "Negative Output"

  Options options_;
  TDialogs dialogs_;
  TProject project_;
  TTimeline timeline_{project_};
  ViewLayout layout_;
  QUndoStack* undo_ = nullptr;

  QString titleText_;
  bool firstShow_ = true;
  bool newProjectStarted_ = false;
  bool abortRequested_ = false;
  bool draggingHandle_ = false;
  bool meshMouseDown_ = false;
  bool syncing_ = false;
  int meshBackdrop_ = 1;
  QPoint lastMouse_;
  QPoint handleGrab_;
  TMeshState dragStart_;
  QPoint lastPos_;
  bool toolVisible_[ToolWindowCount] = {};
  TToolForm* toolForms_[ToolWindowCount] = {};
  std::vector<TToolForm*> allToolForms_;

  QToolBar* toolBarMenu_ = nullptr;
  QToolBar* toolBarIcon_ = nullptr;
  QTreeWidget* outBar_ = nullptr;
  QWidget* outBarPanel_ = nullptr;
  QTabWidget* pages_ = nullptr;
  QWidget* pageArea_[6] = {};
  QWidget* bottomPanel_[6] = {};
  QWidget* panelUp_ = nullptr;
  QWidget* panelDown_ = nullptr;
  QWidget* regionCBPanel_ = nullptr;
  QComboBox* regionCB_ = nullptr;
  TDropPanel* emptyPanel_[3] = {};
  TPictureView* pictureView_[3] = {};
  TFileNameEdit* fileEdit_[3] = {};
  QWidget* meshPanel_ = nullptr;
  TMeshImage* meshImage_ = nullptr;
  TMeshImage* objImage_ = nullptr;
  QWidget* glPanel_ = nullptr;
  TMeshHandle* handles_[5] = {};
  QCheckBox* perspectiveDone_ = nullptr;
  QLabel* panels_[5] = {};
  QProgressBar* gauge_ = nullptr;
  QMenu* reopenMenu_ = nullptr;
  QComboBox* subScenewTransCB_ = nullptr;
  std::unique_ptr<UiCallbacks> sceneCallbacks_;
  TNevigatorForm* nevigator_ = nullptr;
  TExtractObjectForm* extractObjectForm_ = nullptr;
  TInspectorForm* inspector_ = nullptr;
  TTextureForm* textureForm_ = nullptr;
  RenderSwitches switches_;
  TOutputOptions outputOptions_;
  GLPanel* view3d_ = nullptr;
  QLabel* glImage_ = nullptr;
  QLabel* sceneNotMade_ = nullptr;  // on the 3D page after an edit until "Make"
  TTimelineForm* timelineForm_ = nullptr;
  TCameraControlForm* cameraControlForm_ = nullptr;
  TForm1* cameraValuesForm_ = nullptr;
  TOutputAVIForm* outputForm_ = nullptr;
  TAVIPlayerForm* playerForm_ = nullptr;

  void StartRecovery();
  bool recoveryArmed_ = false;  // false while the window is being built
  QTimer* recoveryTimer_ = nullptr;
  QTimer* recoveryBurst_ = nullptr;

 public:
  // Actions by their menu roles (also reachable by object name).
  QAction* NewAction = nullptr;
  QAction* OpenAction = nullptr;
  QAction* SaveAction = nullptr;
  QAction* SaveAsAction = nullptr;
  QAction* CloseAction = nullptr;
  QAction* ExitAction = nullptr;
  QAction* ImportOriginalAction = nullptr;
  QAction* ImportMaskAction = nullptr;
  QAction* ImportBackgroundAction = nullptr;
  QAction* ImportAllAction = nullptr;
  QMenu* ImportMenu = nullptr;
  QMenu* ShowWindowMenu = nullptr;
  QAction* ExportAnimationAction = nullptr;
  QAction* ExportMaskedAction = nullptr;
  QAction* CameraPresetsAction = nullptr;
  QAction* ConfigurationAction = nullptr;
  QAction* UndoAction = nullptr;
  QAction* RedoAction = nullptr;
  QAction* ToggleAction[ToolWindowCount] = {};
  QAction* ToolbarsAction = nullptr;
  QAction* StatusbarAction = nullptr;
  QAction* StepbarAction = nullptr;
  QAction* ZoomInAction = nullptr;
  QAction* ZoomOutAction = nullptr;
  QAction* FitAction = nullptr;
  QAction* DefinePerspectiveAction = nullptr;
  QAction* DefineObjectsAction = nullptr;
  QAction* SetCameraPathAction = nullptr;
  QAction* PreviewAction = nullptr;
  QAction* PlayFileAction = nullptr;
  QAction* SaveCameraPathAction = nullptr;
  QAction* LoadCameraPathAction = nullptr;
  QAction* TutorialAction = nullptr;
  QAction* AboutAction = nullptr;
  QAction* StickyAction = nullptr;
  QAction* ClearRecentAction = nullptr;
  QAction* RemoveObsoleteAction = nullptr;
};

}  // namespace glkov::app
