#pragma once

// The export window ("Output to AVI Animation File"): what the movie will be, its size and
// switches, the compressor, and "Output Movie", which runs the core's export with a progress
// window. The main window lends the project, the timeline, the options and the render switches.

#include <QDialog>
#include <QImage>
#include <atomic>
#include <functional>
#include "app/tool_forms.h"

#include "app/form_dialogs.h"
#include "core/image/fast_bmp.h"
#include "core/model/types.h"
#include "core/objects/extraction.h"
#include "core/output/output_options.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace glkov {
struct TProject;
class TTimeline;
}  // namespace glkov

namespace glkov::app {

class TRenderingForm;

class TOutputAVIForm : public TToolForm {
  Q_OBJECT

 public:
  TOutputAVIForm(TProject& project, TTimeline& timeline, TOutputOptions& options,
                 RenderSwitches& switches, QWidget* parent = nullptr);
  ~TOutputAVIForm() override;

  void SetDialogs(TFormDialogs dialogs) { dialogs_ = std::move(dialogs); }
  void SetInitialFolder(const QString& folder) { initialFolder_ = folder; }
  // The size of the 3D view, which the size fields take when the window is shown.
  void SetDisplaySize(int width, int height);
  // The sub-scene selected in the main window (rendered when "Generate and Connect All Scenes"
  // is clear).
  void SetSingleScene(int index) { singleScene_ = index; }
  // The settings of the automatic extraction run in sub-scenes without accepted objects (the
  // extraction window's); the defaults when unset.
  std::function<ExtractOptions()> ExtractionOptions;
  // Runs "More Options..." modally; tests replace it.
  std::function<void(QDialog&)> ExecDialog = [](QDialog& d) { d.exec(); };

  // Fills the information lines and the size fields as on showing.
  void FormShow();
  // "Output Movie": asks for the file name and exports. Returns false when cancelled, refused
  // or failed.
  bool OutputButtonLEDClick();
  // Exports to fileName without asking; errors are shown in a box.
  bool OutputMovie(const QString& fileName);
  // Esc in the main window while exporting.
  void RequestAbort();
  bool Exporting() const { return rendering_ != nullptr; }
  // The progress window while an export runs, else nullptr.
  TRenderingForm* RenderingForm() const { return rendering_; }
  QStringList InfoLines() const;

 signals:
  // The export is about to draw off screen / has ended (the main window remakes its scene).
  void ExportStarted();
  void ExportEnded();
  // A finished movie frame, to show in place of the 3D view.
  void FrameRendered(const QImage& frame);
  // The movie was written; loadPlayer: "Load Player after Generating" was checked.
  void MovieWritten(const QString& fileName, bool loadPlayer);
  // "Output Aborted" for the status bar.
  void StatusText(const QString& text);

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void UpdateInfo();
  void StoreControls();
  void Button1Click();

  TProject* project_;
  TTimeline* timeline_;
  TOutputOptions* options_;
  RenderSwitches* switches_;
  TFormDialogs dialogs_ = DefaultFormDialogs();
  QString initialFolder_;
  int displayWidth_ = 320;
  int displayHeight_ = 240;
  int singleScene_ = 0;
  TRenderingForm* rendering_ = nullptr;
  // An abort was asked for (Abort, Esc); read by the export thread between frames.
  std::atomic<bool> abort_{false};

  QPlainTextEdit* InfoMemo;
  QSpinBox* WidthEdit;
  QSpinBox* HeightEdit;
  QCheckBox* CheckBox2;
  QLineEdit* AspectEdit;
  QCheckBox* GenMultiRegionCB;
  QCheckBox* PreviewCB;
  QCheckBox* CheckBox1;
  QComboBox* CompressorCombo;
  QPushButton* Button1;
  QPushButton* OutputButtonLED;
  QPushButton* CancelButton;
};

// A movie frame (24-bit BGR, rows top-down) as an image.
QImage FrameImage(const TFastBMP& frame);

}  // namespace glkov::app
