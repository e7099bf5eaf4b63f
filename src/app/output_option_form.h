#pragma once

// The advanced output options window: colour depth, stereograph (red/blue or side by side) and eye
// separation, anti-aliasing and MP4/WebM quality, camera path smoothness. Every change goes
// straight into the options it edits; "OK" and "Cancel" both only close the window.

#include <QDialog>

#include "core/output/output_options.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;

namespace glkov::app {

class TOutputOptionForm : public QDialog {
  Q_OBJECT

 public:
  explicit TOutputOptionForm(TOutputOptions& options, QWidget* parent = nullptr);

  // Shows the options' current values.
  void Refresh();

 signals:
  // The colour depth changed (the export window's information lines change with it).
  void OptionsChanged();

 private:
  TOutputOptions* options_;
  QButtonGroup* ColorDepthGroup;
  QCheckBox* MotionBlurCheckBox;
  QSpinBox* ACFrameEdit;
  QCheckBox* StereographCheckBox;
  QLineEdit* EyeSEdit;
  QComboBox* StereoModeCombo;     // red/blue or side by side
  QComboBox* SamplesCombo;        // anti-aliasing samples per pixel
  QSpinBox* CrfEdit;              // MP4/WebM constant rate factor, -1 the format's default
  QComboBox* TextureDetailCombo;  // largest texture side: Standard 1024, High 4096
  QSlider* LTBSlider;
  QCheckBox* CheckBox1;
  QCheckBox* CheckBox2;
  QPushButton* DefaultButton;
  QPushButton* Button1;
  QPushButton* Button2;
};

}  // namespace glkov::app
