#pragma once

// The "Camera Presets" dialog: a ready-made camera move for the current sub-scene (preset,
// length, strength, easing, "Return to Start"), previewed in the 3D view as the timeline's
// "Play" flies a path; "OK" replaces the sub-scene's keys. The flight itself is the core's.

#include <QDialog>
#include <QUndoCommand>
#include <functional>
#include <optional>

#include "app/undo_commands.h"

#include "core/animation/camera_presets.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace glkov {
struct TProject;
}

namespace glkov::app {

class TMainForm;
class TTimelineForm;

// A preset applied to the timeline: its keys (as any key edit) and its frames per key, which
// the preset sets as well. It belongs to one sub-scene; once another is entered it does nothing.
class TPresetEditCommand : public QUndoCommand {
 public:
  TPresetEditCommand(TMainForm* form, const QString& text, const TTimeline& before,
                     const TTimeline& after);
  void undo() override;
  void redo() override;

 private:
  void SetFPK(int fpk);

  TMainForm* form_;
  TKeyEditCommand keys_;
  int beforeFPK_, afterFPK_;
  bool pushed_ = true;
};

class TCameraPresetForm : public QDialog {
  Q_OBJECT

 public:
  // The flight is computed in the project's made scene and played and applied through the
  // timeline window (its rates, smoothness, "Play" and undoable key edits).
  TCameraPresetForm(TProject& project, TTimelineForm& timelineForm, QWidget* parent = nullptr);

  // The options as the controls show them.
  PresetOptions Options() const;
  void SetOptions(const PresetOptions& options);
  // The flight of the current options; empty (the reason shown) when there is none.
  const std::optional<PresetFlight>& Flight() const { return flight_; }

 public slots:
  // Plays the flight in the 3D view (again from its start).
  void PreviewClick();
  // Replaces the keys of the current sub-scene by the flight (one undo step) and closes.
  void accept() override;
  void reject() override;

 public:
  // Told after OK replaced the keys, with a name for the edit and the timeline as it was before
  // (the main window makes it undoable); without it the key edit goes to the timeline's own.
  std::function<void(const QString& text, const TTimeline& before)> Applied;

 private:
  // Computes the flight of the controls' options and tells its length or why there is none.
  void Recompute();

  TProject& project_;
  TTimelineForm& timelineForm_;
  std::optional<PresetFlight> flight_;
  bool filling_ = false;

  QComboBox* PresetCombo;
  QDoubleSpinBox* SecondsEdit;
  QDoubleSpinBox* StrengthEdit;
  QComboBox* EasingCombo;
  QCheckBox* ReturnToStartCheck;
  QLabel* InfoLabel;
  QPushButton* PreviewButton;
  QPushButton* OKButton;
};

}  // namespace glkov::app
