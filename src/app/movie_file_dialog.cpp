#include "app/movie_file_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QSpinBox>

#include "app/form_dialogs.h"
#include "core/output/movie_writer.h"

namespace glkov::app {

namespace {

// The file type's first extension: "MP4 Video (*.mp4)" -> "mp4".
QString FilterExtension(const QString& filter) {
  const QRegularExpressionMatch m =
      QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(filter);
  return m.hasMatch() ? m.captured(1) : QString();
}

}  // namespace

QString MovieFileFilter() {
  return QtFilter(
      QStringLiteral("AVI Movie (*.avi)|*.avi|MP4 Video (*.mp4)|*.mp4|WebM Video (*.webm)|*.webm|"
                     "Animated GIF (*.gif)|*.gif|PNG Frames (*.png)|*.png|"
                     "Matroska Video (*.mkv)|*.mkv"));
}

TMovieFileDialog::TMovieFileDialog(QWidget* parent, const QString& title, const QString& folder)
    : QFileDialog(parent, title, folder, MovieFileFilter()) {
  setObjectName(QStringLiteral("MovieFileDialog"));
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  // The quality field lives in the toolkit's own dialog; a desktop's dialog has no room for it.
  setOption(QFileDialog::DontUseNativeDialog);
  setDefaultSuffix(QStringLiteral("avi"));

  qualityLabel_ = new QLabel(QStringLiteral("Quality:"), this);
  qualityEdit_ = new QSpinBox(this);
  qualityEdit_->setObjectName(QStringLiteral("QualityEdit"));
  qualityEdit_->setRange(-1, 63);
  qualityEdit_->setValue(-1);
  qualityEdit_->setSpecialValueText(QStringLiteral("Default"));
  qualityEdit_->setToolTip(
      QStringLiteral("Constant rate factor: lower values give better pictures and larger files"));
  qualityLabel_->setBuddy(qualityEdit_);
  if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
    const int row = grid->rowCount();
    grid->addWidget(qualityLabel_, row, 0);
    grid->addWidget(qualityEdit_, row, 1, Qt::AlignLeft);
  }
  connect(this, &QFileDialog::filterSelected, this, &TMovieFileDialog::FormatChosen);
  FormatChosen(selectedNameFilter());
}

void TMovieFileDialog::FormatChosen(const QString& filter) {
  const QString extension = FilterExtension(filter);
  if (!extension.isEmpty()) setDefaultSuffix(extension);
  const auto quality = MovieQualityOf(
      MovieFormatOf(QStringLiteral("movie.%1").arg(extension).toStdString()), std::string());
  qualityLabel_->setVisible(quality.has_value());
  qualityEdit_->setVisible(quality.has_value());
  if (!quality) return;
  // -1, one step below the range, stands for the format's default.
  qualityEdit_->setRange(-1, quality->Max);
  qualityEdit_->setSpecialValueText(QStringLiteral("Default (%1)").arg(quality->Default));
}

void TMovieFileDialog::SetQuality(int crf) { qualityEdit_->setValue(crf < 0 ? -1 : crf); }

int TMovieFileDialog::Quality() const {
  return qualityEdit_->value() < 0 ? -1 : qualityEdit_->value();
}

QString RunMovieFileDialog(QWidget* parent, const QString& title, const QString& folder,
                           int& quality) {
  TMovieFileDialog dialog(parent, title, folder);
  dialog.SetQuality(quality);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  quality = dialog.Quality();
  return dialog.selectedFiles().front();
}

}  // namespace glkov::app
