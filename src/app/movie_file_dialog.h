#pragma once

// The save dialog of the export: the movie formats as file types and, for the formats written
// at a chosen quality (MP4, Matroska, WebM), a quality field below the file name.

#include <QFileDialog>

class QLabel;
class QSpinBox;

namespace glkov::app {

// "AVI Movie (*.avi);;MP4 Video (*.mp4);;..." in the order the dialog offers them.
QString MovieFileFilter();

class TMovieFileDialog : public QFileDialog {
  Q_OBJECT
 public:
  TMovieFileDialog(QWidget* parent, const QString& title, const QString& folder);

  // The constant rate factor; -1 stands for the chosen format's default.
  void SetQuality(int crf);
  int Quality() const;

  QSpinBox* QualityEdit() const { return qualityEdit_; }

 private:
  void FormatChosen(const QString& filter);

  QLabel* qualityLabel_ = nullptr;
  QSpinBox* qualityEdit_ = nullptr;
};

// Runs the dialog; the chosen file, or empty when cancelled. quality goes in as the current
// constant rate factor and comes out as the one chosen.
QString RunMovieFileDialog(QWidget* parent, const QString& title, const QString& folder,
                           int& quality);

}  // namespace glkov::app
