#include "app/form_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include "app/movie_file_dialog.h"

namespace glkov::app {

namespace {

QString RunFileDialog(QWidget* parent, const QString& title, const QString& folder,
                      const QString& filter, const QString& extension, bool save) {
  QFileDialog dialog(parent, title, folder, filter);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!extension.isEmpty()) dialog.setDefaultSuffix(extension);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

}  // namespace

TFormDialogs DefaultFormDialogs() {
  TFormDialogs d;
  d.OpenFile = [](QWidget* p, const QString& t, const QString& f, const QString& fl,
                  const QString& e) { return RunFileDialog(p, t, f, fl, e, false); };
  d.SaveFile = [](QWidget* p, const QString& t, const QString& f, const QString& fl,
                  const QString& e) { return RunFileDialog(p, t, f, fl, e, true); };
  d.SaveMovie = RunMovieFileDialog;
  d.AskYesNo = [](QWidget* p, const QString& text) {
    return QMessageBox::question(p, QStringLiteral("Confirm"), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
  };
  d.Error = [](QWidget* p, const QString& text) {
    QMessageBox::critical(p, QStringLiteral("Error"), text, QMessageBox::Ok);
  };
  return d;
}

QString QtFilter(const QString& pipeFilter) {
  const QStringList parts = pipeFilter.split(QLatin1Char('|'));
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    const QString suffix = QStringLiteral("(") + patterns + QLatin1Char(')');
    // "AVI-Files (*.avi)" already names its patterns.
    out << (parts[i].endsWith(suffix) ? parts[i] : parts[i] + QLatin1Char(' ') + suffix);
  }
  return out.join(QStringLiteral(";;"));
}

QString WithDefaultExtension(const QString& fileName, const QString& extension) {
  if (fileName.isEmpty() || extension.isEmpty() || !QFileInfo(fileName).suffix().isEmpty()) {
    return fileName;
  }
  return fileName + QLatin1Char('.') + extension;
}

bool TDialogCallbacks::AskYesNo(const std::string& question) {
  return dialogs_->AskYesNo ? dialogs_->AskYesNo(parent_, QString::fromStdString(question)) : false;
}

void TDialogCallbacks::Warning(const std::string& message) {
  if (dialogs_->Error) dialogs_->Error(parent_, QString::fromStdString(message));
}

}  // namespace glkov::app
