#pragma once

// The timeline window: the key frames of the camera path, the rates and the path files. Every
// rule lives in the core's TTimeline; this window shows its state and turns clicks into calls.

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>
#include "app/tool_forms.h"

#include "app/form_dialogs.h"
#include "core/animation/timeline.h"
#include "core/model/types.h"

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

class TTimelineForm : public TToolForm {
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

  // The "Camera Path Smoothness" position (0 .. 10) the flight preview uses.
  void SetSmoothness(int slider) { smoothness_ = slider; }
  int Smoothness() const { return smoothness_; }
  bool PreviewRunning() const { return previewTimer_.isActive(); }
  int PreviewInterval() const { return previewTimer_.interval(); }

 public slots:
  void NewPathButtonClick();
  // "Open Animation Path": asks for a file and loads it. Errors are shown in a box.
  void LoadMotionPath1Click();
  // "Save Animation Path": asks for a file name and saves. Errors are shown in a box.
  void SaveMotionPath1Click();
  // Loads a path file without a dialog; false (after the error box) when it fails.
  bool LoadPath(const QString& fileName);
  bool SavePath(const QString& fileName);
  // "Play": flies the interpolated path in the 3D view at the movie's frame rate, then puts the
  // camera back where it was. "Stop" (the same button) ends the flight early.
  void PlayButtonClick();
  // Flies the given keys (fpk frames from one to the next) in the 3D view as "Play" does.
  void PlayFlight(const std::vector<TKeyFrame>& keys, int fpk);
  void StopPreview();
  // One frame of the flight (driven by the timer).
  void PreviewTick();

 public:
  // Told after a key edit (record, clear, add, delete, count) changed the key list, with a name
  // for the edit and the timeline as it was before (the main window makes it undoable).
  std::function<void(const QString& text, const TTimeline& before)> KeysEdited;

  // Placement and the master frame rate factor ("MFRFEdit.Text").
  void RestoreSettings(const IniFile& settings) override;
  void StoreSettings(IniFile& settings) const override;

 signals:
  // A recorded key was recalled into the live camera: the 3D view must be drawn again.
  void RedrawScene();
  // The number of keys changed (the main window re-evaluates its commands).
  void KeyCountChanged();
  // A path file was loaded or saved under this full name.
  void PathFileChanged(const QString& fileName);
  // The "Camera Presets" button was pressed.
  void PresetsRequested();

 private:
  void RecordCurrentFrameClick();
  void KeyFrameScrollBarChange(int position);
  void KeyFrameScrollBarScroll(int position);
  void CurrentFrameEditChange();
  void NoOfKeyFrameEditChange();
  void AddSpeedButtonClick();
  void DeleteSpeedButtonClick();
  void ShowError(const QString& text);
  void NotifyKeysEdited(const QString& text, const TTimeline& before);

  TTimeline* timeline_;
  TFormDialogs dialogs_ = DefaultFormDialogs();
  QString initialFolder_;
  bool refreshing_ = false;
  int smoothness_ = 0;
  QTimer previewTimer_;
  std::vector<int> previewSegments_;
  std::vector<TKeyFrame> previewKeys_;
  int64_t previewFrame_ = 0;
  int64_t previewFrames_ = 0;
  TCamera previewSaved_;

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
  QToolButton* PlayButton;
  QToolButton* PresetsButton;
};

}  // namespace glkov::app
