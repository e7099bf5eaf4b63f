#pragma once

// The camera control window ("Controls"): preview quality, mouse operation, negative output and
// the viewing-window switches. It edits the RenderSwitches it is given and tells what changed.

#include <QWidget>
#include "app/tool_forms.h"

#include "core/model/types.h"
#include "core/scene/camera.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QRadioButton;

namespace glkov::app {

class TCameraControlForm : public TToolForm {
  Q_OBJECT

 public:
  explicit TCameraControlForm(RenderSwitches& switches, QWidget* parent = nullptr);

  MouseOperation Operation() const { return operation_; }
  // Selects an item of " Mouse Operation " (the 3D view's middle-button drag and double click).
  void SetOperation(MouseOperation operation);
  // Shows the switches' current values (after they were restored from the settings).
  void Refresh();

  // Placement and "NegativeCheckBox.Checked", "Quality.ItemIndex", "SeeVWClip.Checked".
  void RestoreSettings(const IniFile& settings) override;
  void StoreSettings(IniFile& settings) const override;

 signals:
  // " Preview Quality " changed to a different item (0 "Low", 1 "High"): upload the textures
  // again and redraw.
  void QualityClick(int quality);
  // The user chose an item of " Mouse Operation ".
  void OperationClick(MouseOperation operation);
  // "Preview" or "Negative Output" was clicked: lay out the 3D view again and redraw.
  void SeeVWClipClick();
  // "Use Window" was clicked: redraw.
  void UseVWClick();

 private:
  RenderSwitches* switches_;
  MouseOperation operation_ = MouseOperation::MoveCamera;

  QGroupBox* Quality;
  QButtonGroup* qualityButtons_;
  QGroupBox* Operation_;
  QButtonGroup* operationButtons_;
  QCheckBox* NegativeCheckBox;
  QGroupBox* ViewingWindow;
  QCheckBox* UseVW;
  QCheckBox* SeeVWClip;
};

}  // namespace glkov::app
