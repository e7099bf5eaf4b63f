#pragma once

// The progress window of the export: the output file name, a progress bar, the percentage and
// "Abort", which only raises a request that the running export takes up between frames.

#include <QWidget>
#include "app/tool_forms.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace glkov::app {

class TRenderingForm : public TToolForm {
  Q_OBJECT

 public:
  explicit TRenderingForm(QWidget* parent = nullptr);

  void SetFileName(const QString& fileName);
  // A stage text ("Rendering Scene 1/2") and a percentage 0..100 (clamped).
  void SetProgress(const QString& stage, int percent);
  int Percent() const;

  bool AbortRequested() const { return abortRequested_; }
  void RequestAbort();
  void ClearAbortRequest() { abortRequested_ = false; }

 signals:
  void AbortClicked();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool abortRequested_ = false;
  QLabel* FileNameLabel;
  QLabel* StageLabel;
  QProgressBar* ProgressBar1;
  QLabel* PercentLabel;
  QPushButton* AbortButton;
};

}  // namespace glkov::app
