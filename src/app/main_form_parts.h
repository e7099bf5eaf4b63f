// Pieces the main window's source files share: hints, step-bar glyphs, status-bar progress and
// the busy cursor, and the picture pages' texts.
#pragma once

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QString>
#include <functional>

#include "core/ui_callbacks.h"

namespace glkov::app {

inline constexpr int kBottomPanelTag = 10;
inline const char* const kPictureDialogTitles[3] = {"Open Original Picture", "Open Object Mask",
                                                    "Open Background Picture"};
inline const char* const kEmptyPanelCaption =
    "Drag File here or\nuse the Edit Box below\nto Import the Image";
inline const char* const kPageCaptions[6] = {"Original Picture",   "Foreground Mask",
                                             "Background Image",   "Scene Perspective",
                                             "Foreground Objects", "3D Scene"};

// Splits "short|long" hints: the short part is the tool tip, the long part the status text.
void SetHint(QObject* object, const QString& hint);

// The first local file among dropped URLs, or an empty string.
QString FirstLocalFile(const QMimeData* mime);

// The step bar's pictures, drawn by hand: one small glyph per image index.
QIcon StepIcon(int index);

// Reports JPEG decoding progress in the status bar and keeps the window alive.
class TStatusCallbacks : public UiCallbacks {
 public:
  TStatusCallbacks(QProgressBar* gauge, QLabel* text) : gauge_(gauge), text_(text) {}
  ~TStatusCallbacks() override {
    gauge_->setFixedWidth(0);
    gauge_->setVisible(false);
  }
  void Progress(const std::string& stage, int percent) override {
    if (!gauge_->isVisible()) {
      gauge_->setFixedWidth(100);
      gauge_->setVisible(true);
    }
    gauge_->setValue(percent);
    text_->setText(QString::fromStdString(stage));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  void PumpEvents() override {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  void Beep() override { QApplication::beep(); }
  void Warning(const std::string& message) override {
    if (OnWarning) OnWarning(message);
  }

  // Where warnings go (a message box after the operation); dropped when unset.
  std::function<void(const std::string&)> OnWarning;

 private:
  QProgressBar* gauge_;
  QLabel* text_;
};

// An hourglass and a status text for the length of a long operation.
class TBusy {
 public:
  TBusy(QLabel* panel, const QString& text) : panel_(panel) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    panel_->setText(text);
  }
  ~TBusy() {
    QApplication::restoreOverrideCursor();
    panel_->clear();
  }

 private:
  QLabel* panel_;
};

}  // namespace glkov::app
