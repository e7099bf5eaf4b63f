#pragma once

// The timeline window: the key frames of the camera path, the rates and the path files. Every
// rule lives in the core's TTimeline; this window shows its state and turns clicks into calls.

#include <QWidget>

#include "app/form_dialogs.h"

class QLabel;
class QLineEdit;
class QScrollBar;
class QSpinBox;
class QToolButton;

namespace glkov {
class TTimeline;
}

namespace glkov::app {

inline constexpr const char* kCameraPathFilter =
    "Camera Path Files|*.cam|Text Files|*.txt|All Files|*.*";

class TTimelineForm : public QWidget {
  Q_OBJECT

 public:
  // Creates the key list (two new keys) when the timeline has none.
  explicit TTimelineForm(TTimeline& timeline, QWidget* parent = nullptr);

  TTimeline& Timeline() { return *timeline_; }
  // The dialogs used from now on (tests script them).
  void SetDialogs(TFormDialogs dialogs) { dialogs_ = std::move(dialogs); }
  // Folder the path dialogs open in (the program's folder at first).
  void SetInitialFolder(const QString& folder) { initialFolder_ = folder; }

  // Shows the timeline's current state in every control.
  void Refresh();

 public slots:
  void NewPathButtonClick();
  // "Open Animation Path": asks for a file and loads it. Errors are shown in a box.
  void LoadMotionPath1Click();
  // "Save Animation Path": asks for a file name and saves. Errors are shown in a box.
  void SaveMotionPath1Click();
  // Loads a path file without a dialog; false (after the error box) when it fails.
  bool LoadPath(const QString& fileName);
  bool SavePath(const QString& fileName);

 signals:
  // A recorded key was recalled into the live camera: the 3D view must be drawn again.
  void RedrawScene();
  // The number of keys changed (the main window re-evaluates its commands).
  void KeyCountChanged();
  // A path file was loaded or saved under this full name.
  void PathFileChanged(const QString& fileName);

 private:
  void RecordCurrentFrameClick();
  void KeyFrameScrollBarChange(int position);
  void KeyFrameScrollBarScroll(int position);
  void CurrentFrameEditChange();
  void NoOfKeyFrameEditChange();
  void AddSpeedButtonClick();
  void DeleteSpeedButtonClick();
  void ShowError(const QString& text);

  TTimeline* timeline_;
  TFormDialogs dialogs_ = DefaultFormDialogs();
  QString initialFolder_;
  bool refreshing_ = false;

  QToolButton* NewPathButton;
  QToolButton* ToolButton2;
  QToolButton* ToolButton3;
  QSpinBox* FPSEdit;
  QSpinBox* FPKEdit;
  QSpinBox* RgnTransEdit;
  QLineEdit* CurrentFrameEdit;
  QScrollBar* KeyFrameScrollBar;
  QLineEdit* NoOfKeyframeEdit;
  QToolButton* ToolButton1;
  QToolButton* DeleteButton;
  QToolButton* RecordCurrentFrame;
  QLineEdit* MFRFEdit;
};

}  // namespace glkov::app
