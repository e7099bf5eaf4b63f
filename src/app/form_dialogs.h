#pragma once

// The file dialogs and message boxes of the tool windows, replaceable so that tests can answer
// them, and a UiCallbacks that puts the core's questions and warnings into those boxes.

#include <QString>
#include <functional>

#include "core/ui_callbacks.h"

class QWidget;

namespace glkov::app {

struct TFormDialogs {
  // (parent, title, initial folder, filter in Qt's "Name (*.ext);;..." form, default extension)
  // -> chosen file, empty when cancelled.
  using FileDialog = std::function<QString(QWidget*, const QString&, const QString&, const QString&,
                                           const QString&)>;
  FileDialog OpenFile;
  FileDialog SaveFile;
  // The export's save dialog: (parent, title, initial folder, constant rate factor in and out)
  // -> chosen movie, empty when cancelled. Without it the export asks with SaveFile.
  std::function<QString(QWidget*, const QString&, const QString&, int&)> SaveMovie;
  // A Yes/No confirmation; true means Yes.
  std::function<bool(QWidget*, const QString&)> AskYesNo;
  // An error or warning box with an OK button.
  std::function<void(QWidget*, const QString&)> Error;
};

// QFileDialog and QMessageBox.
TFormDialogs DefaultFormDialogs();

// Turns a "Name|*.ext|Name|*.ext" filter into Qt's "Name (*.ext);;Name (*.ext)".
QString QtFilter(const QString& pipeFilter);

// Appends "." + extension when the chosen name has no extension of its own.
QString WithDefaultExtension(const QString& fileName, const QString& extension);

// The core's questions and warnings shown with a window's dialogs.
class TDialogCallbacks : public UiCallbacks {
 public:
  TDialogCallbacks(QWidget* parent, const TFormDialogs& dialogs)
      : parent_(parent), dialogs_(&dialogs) {}
  bool AskYesNo(const std::string& question) override;
  void Warning(const std::string& message) override;

 private:
  QWidget* parent_;
  const TFormDialogs* dialogs_;
};

}  // namespace glkov::app
