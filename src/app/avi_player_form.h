#pragma once

// The internal player ("Internal AVI Player"): plays a movie decoded by the core's movie reader
// with a timer at the stream's frame period, loops until stopped, seeks, stretches or centres
// the picture and shows the file's header information.

#include <QDialog>
#include <QImage>
#include <QTimer>
#include <functional>
#include <memory>
#include "app/tool_forms.h"

#include "app/form_dialogs.h"

class QAudioOutput;
class QCheckBox;
class QMediaPlayer;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace glkov {
class TMovieReader;
}

namespace glkov::app {

// The picture area of the player: the current frame stretched to the area, centred, or at the
// top left corner; the rest is the background colour.
class TMovieView : public QWidget {
  Q_OBJECT

 public:
  explicit TMovieView(QWidget* parent = nullptr);
  void SetImage(const QImage& image);
  const QImage& Image() const { return image_; }
  void SetStretch(bool on);
  void SetCenter(bool on);
  // Where the frame is drawn, in the view's pixels.
  QRect PictureRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
  bool stretch_ = false;
  bool center_ = true;
};

class TAVIPlayerForm : public TToolForm {
  Q_OBJECT

 public:
  explicit TAVIPlayerForm(QWidget* parent = nullptr);
  ~TAVIPlayerForm() override;

  void SetDialogs(TFormDialogs dialogs) { dialogs_ = std::move(dialogs); }
  // Shows the information window modally; tests replace it.
  std::function<void(QDialog&)> ExecDialog = [](QDialog& d) { d.exec(); };

  // Opens a movie and shows its first frame; the caption becomes "Internal AVI Player - name".
  // A file that cannot be opened leaves the player empty and says why in a box.
  bool Load(const QString& fileName);
  const QString& FileName() const { return fileName_; }

  void Play();
  void Stop();
  // Stops and shows frame (clamped to the movie).
  void Seek(int frame);
  void ShowInfo();

  bool Playing() const { return timer_.isActive(); }
  int CurrentFrame() const { return current_; }
  int FrameCount() const;
  int TimerPeriod() const { return timer_.interval(); }
  // What could not be read or decoded so far (shown below the picture, each once).
  const QStringList& Problems() const { return problems_; }
  TMovieView* View() const { return view_; }

 signals:
  // A frame was shown (its number).
  void FrameShown(int frame);

 public slots:
  // One timer period passed: the next frame, or back to the first after the last.
  void Tick();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void DrawFrame();
  void Browse();
  void SeekClick();
  void ShowProblem(const QString& text);
  // Resizes the window so that the picture area is picture (at least picture when growOnly,
  // never shrinking), as far as the screen allows.
  void SetPictureSize(QSize picture, bool growOnly);
  // The sound of the movie follows the pictures: it starts, stops and seeks with them.
  void SyncSound();

  QMediaPlayer* sound_ = nullptr;
  QAudioOutput* audioOutput_ = nullptr;

  TFormDialogs dialogs_ = DefaultFormDialogs();
  std::unique_ptr<TMovieReader> reader_;
  QString fileName_;
  QTimer timer_;
  int current_ = 0;
  int first_ = 0;
  int last_ = -1;
  int repetitions_ = 0;  // 0: endless
  QStringList problems_;

  TMovieView* view_;
  QLineEdit* FilenameEdit1;
  QToolButton* BrowseButton;
  QPushButton* Button2;
  QPushButton* Button5;
  QLineEdit* Edit1;
  QPushButton* Button6;
  QCheckBox* CheckSound;
  QCheckBox* CheckStretch;
  QCheckBox* CheckCenter;
  QPushButton* Button4;
  QToolButton* RxSpeedButton1;
  QLabel* StatusLabel;
};

}  // namespace glkov::app
