#pragma once

// The scene divider window: the whole original picture with the view window and the
// sub-scene rectangles, which the user moves, resizes, adds, deletes and picks. Also the main
// window's handling of its sub-scene lists (RegionCB and SubScenewTransCB).

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "core/perspective/divider.h"
#include "core/perspective/sub_scenes.h"
#include "core/ui_callbacks.h"

class QComboBox;
class QFrame;
class QLabel;
class QStatusBar;
class QToolButton;
class QUndoStack;

namespace glkov {

struct TProject;
class TTimeline;

class TNevigatorForm : public QWidget {
  Q_OBJECT

 public:
  // The window edits project.MeshRegions and CurrentRegion; edits are pushed on undo when it
  // is not null; callbacks answer the delete confirmation.
  TNevigatorForm(TProject& project, QUndoStack* undo, UiCallbacks& callbacks = DefaultCallbacks(),
                 QWidget* parent = nullptr);

  // Lays the picture out in the panel again (also after a picture import) and redraws.
  void FormResize();
  // Redraws the rectangles over the scaled picture.
  void DrawRegions();
  // Refills the window's own sub-scene list from the project.
  void RefreshRegionList();

  void AddSBClick();
  void DeleteMeshButtonClick();

  double DividerScale() const { return scale_; }
  // Top-left of the picture inside the image widget is (0, 0); display pixels.
  const QImage& DividerImage() const { return image_; }
  QLabel* NevImage() const { return nevImage_; }
  DividerDragMode DragMode() const { return dragMode_; }

 signals:
  // Sub-scenes were added, deleted or renamed: the main window refills its lists.
  void RegionsChanged();
  // A rectangle was moved or resized (the entry's index).
  void RegionChanged(int index);
  // CurrentRegion changed by a click or the window's list (may be -2).
  void RegionPicked(int index);
  void Closed();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void NevImageMouseDown(QPoint display);
  void NevImageMouseMove(QPoint display);
  void NevImageMouseUp();
  void RegionCBChange(int index);
  QPoint ToPicture(QPoint display) const;

  TProject& project_;
  QUndoStack* undo_;
  UiCallbacks& callbacks_;

  QToolButton* addSB_ = nullptr;
  QToolButton* deleteMeshButton_ = nullptr;
  QComboBox* regionCB_ = nullptr;
  QFrame* nevPanel_ = nullptr;
  QLabel* nevImage_ = nullptr;
  QStatusBar* statusBar_ = nullptr;
  QLabel* scaleLabel_ = nullptr;
  QLabel* sizeLabel_ = nullptr;  // the whole picture's size

  double scale_ = 0;
  QImage scaledPicture_;  // the whole picture at the display size, made once per layout
  QImage image_;          // scaledPicture_ with the rectangles drawn over it
  bool mouseDown_ = false;
  bool hitRegion_ = false;
  DividerDragMode dragMode_ = DividerDragMode::None;
  QPoint downPicture_;           // picture position of the mouse press
  DividerRect dragStart_;        // the rectangle when the drag began
  TMeshRegion dragStartRegion_;  // the whole entry when the drag began, for undo
  bool fillingList_ = false;
};

// Fills a sub-scene combo box with FillRegionList and selects CurrentRegion - 1 (empty without
// sub-scenes).
void FillRegionCombo(QComboBox& combo, const TProject& project);
// Fills the sub-scene and transition combo box with FillSceneTransitionList (no selection).
void FillSceneTransitionCombo(QComboBox& combo, const TProject& project);

// The main window's sub-scene list picked item index: frees the scene textures, shows
// "Loading scene <k>..." through status, enters the sub-scene and clears the status.
// Throws glkov::Error from EnterSubScene.
void RegionCBChange(TProject& project, TTimeline& timeline, int index,
                    const std::function<void(const QString&)>& status,
                    UiCallbacks& callbacks = DefaultCallbacks());

// The main window's sub-scene and transition list picked item j: enters the sub-scene or the
// transition (with its status text). Returns what was entered; for a transition the caller
// builds the transition scene afterwards.
SceneListItem SubScenewTransCBChange(TProject& project, TTimeline& timeline, int j,
                                     const std::function<void(const QString&)>& status,
                                     UiCallbacks& callbacks = DefaultCallbacks());

}  // namespace glkov
