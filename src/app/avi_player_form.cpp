#include "app/avi_player_form.h"

#include <QAction>
#include <QAudioOutput>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMediaPlayer>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "app/avi_info_form.h"
#include "app/output_avi_form.h"
#include "app/sound_backend.h"
#include "core/error.h"
#include "core/output/avi_info.h"
#include "core/output/movie_reader.h"
#include "core/util/text_format.h"

namespace glkov::app {

TMovieView::TMovieView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("DCAVIPlay1"));
  setMinimumSize(160, 120);
  setAutoFillBackground(false);
}

void TMovieView::SetImage(const QImage& image) {
  image_ = image;
  update();
}

void TMovieView::SetStretch(bool on) {
  stretch_ = on;
  update();
}

void TMovieView::SetCenter(bool on) {
  center_ = on;
  update();
}

QRect TMovieView::PictureRect() const {
  if (image_.isNull()) return {};
  if (stretch_) return rect();
  if (!center_) return {QPoint(0, 0), image_.size()};
  return {QPoint((width() - image_.width()) / 2, (height() - image_.height()) / 2), image_.size()};
}

void TMovieView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Window).darker(300));
  if (image_.isNull()) return;
  p.setRenderHint(QPainter::SmoothPixmapTransform, stretch_);
  p.drawImage(PictureRect(), image_);
}

TAVIPlayerForm::TAVIPlayerForm(QWidget* parent)
    : TToolForm(QStringLiteral("TAVIPlayerForm"), QStringLiteral("Internal AVI Player"), QString(),
                parent, true) {
  view_ = new TMovieView(this);

  FilenameEdit1 = new QLineEdit(this);
  FilenameEdit1->setObjectName(QStringLiteral("FilenameEdit1"));
  BrowseButton = new QToolButton(this);
  BrowseButton->setObjectName(QStringLiteral("BrowseButton"));
  BrowseButton->setText(QStringLiteral("..."));
  BrowseButton->setToolTip(QStringLiteral("Open AVI File"));
  auto button = [this](const char* name, const QString& text) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setFocusPolicy(Qt::NoFocus);  // space belongs to play/stop
    return b;
  };
  auto check = [this](const char* name, const QString& text, bool on) {
    auto* c = new QCheckBox(text, this);
    c->setObjectName(QString::fromLatin1(name));
    c->setChecked(on);
    c->setFocusPolicy(Qt::NoFocus);
    return c;
  };
  Button2 = button("Button2", QStringLiteral("Play"));
  Button5 = button("Button5", QStringLiteral("Stop"));
  Edit1 = new QLineEdit(QStringLiteral("0"), this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setMaximumWidth(60);
  Button6 = button("Button6", QStringLiteral("Seek"));
  CheckSound = check("CheckSound", QStringLiteral("Sound"), false);
  CheckSound->setEnabled(false);
  CheckSound->setToolTip(QStringLiteral("Play the movie's sound (when it has one)"));
  CheckStretch = check("CheckStretch", QStringLiteral("Stretch"), false);
  CheckCenter = check("CheckCenter", QStringLiteral("Center"), true);
  Button4 = button("Button4", QStringLiteral("Info"));
  RxSpeedButton1 = new QToolButton(this);
  RxSpeedButton1->setObjectName(QStringLiteral("RxSpeedButton1"));
  RxSpeedButton1->setText(QStringLiteral("Size"));
  RxSpeedButton1->setPopupMode(QToolButton::InstantPopup);
  auto* sizes = new QMenu(RxSpeedButton1);
  for (const QSize preset : {QSize(320, 200), QSize(640, 480)}) {
    QAction* a = sizes->addAction(QStringLiteral("%1x%2").arg(preset.width()).arg(preset.height()));
    connect(a, &QAction::triggered, this, [this, preset] { SetPictureSize(preset, false); });
  }
  RxSpeedButton1->setMenu(sizes);
  RxSpeedButton1->setFocusPolicy(Qt::NoFocus);
  StatusLabel = new QLabel(this);
  StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
  StatusLabel->setWordWrap(true);

  auto* file = new QHBoxLayout;
  file->addWidget(FilenameEdit1, 1);
  file->addWidget(BrowseButton);
  auto* controls = new QHBoxLayout;
  controls->addWidget(Button2);
  controls->addWidget(Button5);
  controls->addSpacing(8);
  controls->addWidget(Edit1);
  controls->addWidget(Button6);
  controls->addSpacing(8);
  controls->addWidget(CheckSound);
  controls->addWidget(CheckStretch);
  controls->addWidget(CheckCenter);
  controls->addStretch(1);
  controls->addWidget(RxSpeedButton1);
  controls->addWidget(Button4);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addLayout(file);
  layout->addLayout(controls);
  layout->addWidget(StatusLabel);
  resize(480, 400);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }

  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(66);
  connect(&timer_, &QTimer::timeout, this, &TAVIPlayerForm::Tick);
  connect(Button2, &QPushButton::clicked, this, &TAVIPlayerForm::Play);
  connect(Button5, &QPushButton::clicked, this, &TAVIPlayerForm::Stop);
  connect(Button6, &QPushButton::clicked, this, &TAVIPlayerForm::SeekClick);
  connect(Button4, &QPushButton::clicked, this, &TAVIPlayerForm::ShowInfo);
  connect(BrowseButton, &QToolButton::clicked, this, &TAVIPlayerForm::Browse);
  connect(FilenameEdit1, &QLineEdit::returnPressed, this, [this] { Load(FilenameEdit1->text()); });
  connect(CheckStretch, &QCheckBox::toggled, view_, &TMovieView::SetStretch);
  connect(CheckCenter, &QCheckBox::toggled, view_, &TMovieView::SetCenter);
  connect(CheckSound, &QCheckBox::toggled, this, [this] { SyncSound(); });
  setFocusPolicy(Qt::StrongFocus);
}

void TAVIPlayerForm::SyncSound() {
  if (!sound_) return;
  const bool on = timer_.isActive() && CheckSound->isEnabled() && CheckSound->isChecked();
  if (!on) {
    sound_->pause();
    return;
  }
  sound_->setPosition(static_cast<qint64>(current_) * timer_.interval());
  sound_->play();
}

TAVIPlayerForm::~TAVIPlayerForm() = default;

int TAVIPlayerForm::FrameCount() const { return reader_ ? reader_->FrameCount() : 0; }

void TAVIPlayerForm::ShowProblem(const QString& text) {
  if (problems_.contains(text)) return;
  problems_ << text;
  const int shown = std::min<int>(problems_.size(), 3);
  QStringList last = problems_.mid(problems_.size() - shown);
  if (problems_.size() > shown) {
    last.prepend(QString::number(problems_.size() - shown) + QStringLiteral(" more problems..."));
  }
  StatusLabel->setText(last.join(QLatin1Char('\n')));
}

bool TAVIPlayerForm::Load(const QString& fileName) {
  Stop();
  reader_.reset();
  problems_.clear();
  StatusLabel->clear();
  view_->SetImage({});
  fileName_ = fileName;
  FilenameEdit1->setText(fileName);
  setWindowTitle(QStringLiteral("Internal AVI Player - ") + fileName);
  current_ = 0;
  first_ = 0;
  last_ = -1;
  try {
    reader_ = std::make_unique<TMovieReader>(fileName.toStdString());
  } catch (const Error& e) {
    ShowProblem(QString::fromStdString(e.what()));
    return false;
  }
  timer_.setInterval(reader_->FramePeriodMs());
  last_ = reader_->FrameCount() - 1;
  Edit1->setText(QStringLiteral("0"));
  SetPictureSize(QSize(reader_->Width(), reader_->Height()), true);
  if (reader_->Truncated()) {
    ShowProblem(QStringLiteral("The file is damaged or cut off: ") +
                QString::number(reader_->FrameCount()) + QStringLiteral(" frames could be read."));
  }
  if (reader_->FrameCount() == 0) ShowProblem(QStringLiteral("The movie holds no frames."));
  bool audio = reader_->HasAudio();
  if (audio && !sound_) {
    // Without a working media backend the movie plays silently.
    const QString problem = SoundBackendProblem();
    if (problem.isEmpty()) {
      sound_ = new QMediaPlayer(this);
      audioOutput_ = new QAudioOutput(this);
      sound_->setAudioOutput(audioOutput_);
      connect(sound_, &QMediaPlayer::errorOccurred, this,
              [this](QMediaPlayer::Error, const QString& text) {
                ShowProblem(QStringLiteral("No sound: ") + text);
                CheckSound->setChecked(false);
                CheckSound->setEnabled(false);
              });
    } else {
      ShowProblem(problem);
      audio = false;
    }
  }
  if (sound_) sound_->setSource(audio ? QUrl::fromLocalFile(fileName) : QUrl());
  CheckSound->setEnabled(audio);
  CheckSound->setChecked(audio);
  DrawFrame();
  return true;
}

void TAVIPlayerForm::SetPictureSize(QSize picture, bool growOnly) {
  if (layout()) layout()->activate();
  if (growOnly) {
    if (view_->width() >= picture.width() && view_->height() >= picture.height()) return;
    // The picture area follows the window again, grown to the movie.
    view_->setMinimumSize(160, 120);
    view_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(size().expandedTo(size() + (picture - view_->size())));
  } else {
    // A preset fixes the picture area; the controls below may keep the window wider.
    view_->setFixedSize(picture);
    if (layout()) layout()->activate();
    resize(minimumSizeHint());
  }
  KeepInsideScreen(*this);  // up to the screen's size
}

void TAVIPlayerForm::Play() {
  Stop();
  if (!reader_ || reader_->FrameCount() == 0) return;
  first_ = 0;
  last_ = reader_->FrameCount() - 1;
  repetitions_ = 0;
  current_ = first_;
  DrawFrame();
  timer_.start();
  SyncSound();
}

void TAVIPlayerForm::Stop() {
  if (!timer_.isActive()) return;
  timer_.stop();
  SyncSound();
  DrawFrame();
}

void TAVIPlayerForm::Tick() {
  if (!reader_ || last_ < first_) {
    timer_.stop();
    return;
  }
  if (current_ >= last_) {
    if (repetitions_ > 0 && --repetitions_ == 0) {
      timer_.stop();
      return;
    }
    current_ = first_ - 1;
    if (sound_ && CheckSound->isChecked()) sound_->setPosition(0);
  }
  ++current_;
  DrawFrame();
}

void TAVIPlayerForm::Seek(int frame) {
  timer_.stop();
  SyncSound();
  if (!reader_ || reader_->FrameCount() == 0) return;
  current_ = std::clamp(frame, 0, reader_->FrameCount() - 1);
  DrawFrame();
}

void TAVIPlayerForm::SeekClick() {
  const QString text = Edit1->text();
  const auto value = ParseInt(text.trimmed().toStdString());
  if (!value || *value < INT_MIN || *value > INT_MAX) {
    if (dialogs_.Error) {
      dialogs_.Error(this,
                     QLatin1Char('\'') + text + QStringLiteral("' is not a valid integer value"));
    }
    return;
  }
  Seek(static_cast<int>(*value));
}

void TAVIPlayerForm::DrawFrame() {
  if (!reader_ || reader_->FrameCount() == 0) return;
  TFastBMP frame;
  if (reader_->ReadFrame(current_, frame)) {
    view_->SetImage(FrameImage(frame));
  } else {
    ShowProblem(QString::fromStdString(reader_->LastError()));
  }
  emit FrameShown(current_);
}

void TAVIPlayerForm::Browse() {
  if (!dialogs_.OpenFile) return;
  const QString folder = fileName_.isEmpty() ? QString() : QFileInfo(fileName_).absolutePath();
  const QString name =
      dialogs_.OpenFile(this, QStringLiteral("Open AVI File"), folder,
                        QtFilter(QStringLiteral("AVI Files (*.avi)|*.avi|All files (*.*)|*.*")),
                        QStringLiteral("avi"));
  if (!name.isEmpty()) Load(name);
}

void TAVIPlayerForm::ShowInfo() {
  if (fileName_.isEmpty()) return;
  QStringList lines;
  try {
    for (const std::string& l : AviFileInformation(fileName_.toStdString())) {
      lines << QString::fromStdString(l);
    }
  } catch (const Error& e) {
    if (dialogs_.Error) dialogs_.Error(this, QString::fromStdString(e.what()));
    return;
  }
  TAVIInfoForm info(this);
  info.SetLines(lines);
  ExecDialog(info);
}

void TAVIPlayerForm::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
      if (Playing()) {
        Stop();
      } else {
        Play();
      }
      return;
    case Qt::Key_Escape:
      Stop();
      close();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void TAVIPlayerForm::closeEvent(QCloseEvent* event) {
  timer_.stop();
  TToolForm::closeEvent(event);
}

}  // namespace glkov::app
