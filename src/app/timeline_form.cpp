#include "app/timeline_form.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>
#include <string>

#include "core/animation/camera_path_file.h"
#include "core/animation/interpolation.h"
#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/model/project.h"
#include "core/output/output_options.h"

namespace glkov::app {

namespace {

QToolButton* MakeToolButton(QWidget* parent, const char* name, const QString& text,
                            const QString& hint, QStyle::StandardPixmap icon) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setText(text);
  b->setToolTip(hint);
  b->setIcon(parent->style()->standardIcon(icon));
  b->setAutoRaise(true);
  return b;
}

QSpinBox* MakeSpinEdit(QWidget* parent, const char* name, int value, const QString& hint) {
  auto* s = new QSpinBox(parent);
  s->setObjectName(QString::fromLatin1(name));
  s->setRange(INT_MIN, INT_MAX);  // the rates have no limits of their own
  s->setValue(value);
  s->setToolTip(hint);
  s->setMinimumWidth(70);
  return s;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, QWidget* buddy) {
  auto* l = new QLabel(text, parent);
  l->setBuddy(buddy);
  return l;
}

}  // namespace

TTimelineForm::TTimelineForm(TTimeline& timeline, QWidget* parent)
    : TToolForm(QStringLiteral("TTimelineForm"), QStringLiteral("Animation Path"), QString(),
                parent, true),
      timeline_(&timeline),
      initialFolder_(QCoreApplication::applicationDirPath()) {
  NewPathButton = MakeToolButton(this, "NewPathButton", QStringLiteral("New"),
                                 QStringLiteral("New Animation Path"), QStyle::SP_FileIcon);
  ToolButton2 = MakeToolButton(this, "ToolButton2", QStringLiteral("Open"),
                               QStringLiteral("Open Animation Path"), QStyle::SP_DialogOpenButton);
  ToolButton3 = MakeToolButton(this, "ToolButton3", QStringLiteral("Save"),
                               QStringLiteral("Save Animation Path"), QStyle::SP_DialogSaveButton);
  FPSEdit = MakeSpinEdit(this, "FPSEdit", timeline.FPS, QStringLiteral("Frame per second"));
  FPKEdit = MakeSpinEdit(this, "FPKEdit", timeline.FPK, QStringLiteral("Frame per keyframe"));
  RgnTransEdit = MakeSpinEdit(this, "RgnTransEdit", timeline.Trans,
                              QStringLiteral("Frame per second for Region Transition"));

  CurrentFrameEdit = new QLineEdit(QStringLiteral("1"), this);
  CurrentFrameEdit->setObjectName(QStringLiteral("CurrentFrameEdit"));
  CurrentFrameEdit->setMaximumWidth(60);
  KeyFrameScrollBar = new QScrollBar(Qt::Horizontal, this);
  KeyFrameScrollBar->setObjectName(QStringLiteral("KeyFrameScrollBar"));
  KeyFrameScrollBar->setToolTip(QStringLiteral("Keyframe Select Bar"));
  KeyFrameScrollBar->setRange(1, 2);
  KeyFrameScrollBar->setPageStep(1);
  KeyFrameScrollBar->setTracking(false);  // valueChanged once the thumb is let go
  KeyFrameScrollBar->setMinimumWidth(160);
  NoOfKeyframeEdit = new QLineEdit(QStringLiteral("2"), this);
  NoOfKeyframeEdit->setObjectName(QStringLiteral("NoOfKeyframeEdit"));
  NoOfKeyframeEdit->setMaximumWidth(60);
  ToolButton1 = MakeToolButton(this, "ToolButton1", QStringLiteral("+"),
                               QStringLiteral("Add Keyframe"), QStyle::SP_ArrowUp);
  ToolButton1->setToolButtonStyle(Qt::ToolButtonTextOnly);
  DeleteButton = MakeToolButton(this, "DeleteButton", QStringLiteral("-"),
                                QStringLiteral("Delete Current Keyframe"), QStyle::SP_TrashIcon);
  DeleteButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
  RecordCurrentFrame = new QToolButton(this);
  RecordCurrentFrame->setObjectName(QStringLiteral("RecordCurrentFrame"));
  RecordCurrentFrame->setToolTip(QStringLiteral("Record Current Keyframe"));
  RecordCurrentFrame->setAutoRaise(true);  // flat
  RecordCurrentFrame->setText(QStringLiteral("Record"));
  RecordCurrentFrame->setMinimumWidth(60);
  MFRFEdit = new QLineEdit(QStringLiteral("1.0"), this);
  MFRFEdit->setObjectName(QStringLiteral("MFRFEdit"));
  MFRFEdit->setToolTip(QStringLiteral("Master frame rate factor"));
  MFRFEdit->setMaximumWidth(60);
  PlayButton = new QToolButton(this);
  PlayButton->setObjectName(QStringLiteral("PlayButton"));
  PlayButton->setToolTip(QStringLiteral("Play the camera path in the 3D view"));
  PlayButton->setText(QStringLiteral("Play"));
  PlayButton->setAutoRaise(true);
  PlayButton->setMinimumWidth(50);
  PresetsButton = new QToolButton(this);
  PresetsButton->setObjectName(QStringLiteral("PresetsButton"));
  PresetsButton->setToolTip(QStringLiteral("Replace the keys by a ready-made camera move"));
  PresetsButton->setText(QStringLiteral("Presets..."));
  PresetsButton->setAutoRaise(true);

  auto* top = new QHBoxLayout;
  top->addWidget(NewPathButton);
  top->addWidget(ToolButton2);
  top->addWidget(ToolButton3);
  top->addSpacing(8);
  top->addWidget(MakeLabel(this, QStringLiteral("FPS"), FPSEdit));
  top->addWidget(FPSEdit);
  top->addWidget(MakeLabel(this, QStringLiteral("FPK"), FPKEdit));
  top->addWidget(FPKEdit);
  top->addWidget(MakeLabel(this, QStringLiteral("Trans. Step"), RgnTransEdit));
  top->addWidget(RgnTransEdit);
  top->addWidget(MakeLabel(this, QStringLiteral("  Master Frame Rate Factor "), MFRFEdit));
  top->addWidget(MFRFEdit);
  top->addStretch(1);

  auto* keys = new QHBoxLayout;
  keys->addWidget(MakeLabel(this, QStringLiteral("Key"), CurrentFrameEdit));
  keys->addWidget(CurrentFrameEdit);
  keys->addWidget(KeyFrameScrollBar, 1);
  keys->addWidget(MakeLabel(this, QStringLiteral("of"), NoOfKeyframeEdit));
  keys->addWidget(NoOfKeyframeEdit);
  keys->addWidget(ToolButton1);
  keys->addWidget(DeleteButton);
  keys->addSpacing(8);
  keys->addWidget(RecordCurrentFrame);
  keys->addWidget(PlayButton);
  keys->addWidget(PresetsButton);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 4, 6, 4);
  layout->addLayout(top);
  layout->addLayout(keys);

  timeline.RedrawScene = [this] { emit RedrawScene(); };
  timeline.KeyCountChanged = [this] { emit KeyCountChanged(); };
  timeline.CreateKeyFrames();

  connect(NewPathButton, &QToolButton::clicked, this, &TTimelineForm::NewPathButtonClick);
  connect(ToolButton2, &QToolButton::clicked, this, &TTimelineForm::LoadMotionPath1Click);
  connect(ToolButton3, &QToolButton::clicked, this, &TTimelineForm::SaveMotionPath1Click);
  // The rates are saved with the path: an edit marks it changed.
  connect(FPSEdit, &QSpinBox::valueChanged, this, [this](int v) {
    timeline_->FPS = v;
    timeline_->Modified = true;
  });
  connect(FPKEdit, &QSpinBox::valueChanged, this, [this](int v) {
    timeline_->FPK = v;
    timeline_->Modified = true;
  });
  connect(RgnTransEdit, &QSpinBox::valueChanged, this, [this](int v) {
    timeline_->Trans = v;
    timeline_->Modified = true;
  });
  connect(MFRFEdit, &QLineEdit::textChanged, this,
          [this](const QString& t) { timeline_->MFRFEdit = t.toStdString(); });
  connect(RecordCurrentFrame, &QToolButton::clicked, this, &TTimelineForm::RecordCurrentFrameClick);
  connect(KeyFrameScrollBar, &QScrollBar::valueChanged, this,
          &TTimelineForm::KeyFrameScrollBarChange);
  connect(KeyFrameScrollBar, &QScrollBar::sliderMoved, this,
          &TTimelineForm::KeyFrameScrollBarScroll);
  connect(CurrentFrameEdit, &QLineEdit::editingFinished, this,
          &TTimelineForm::CurrentFrameEditChange);
  connect(NoOfKeyframeEdit, &QLineEdit::editingFinished, this,
          &TTimelineForm::NoOfKeyFrameEditChange);
  connect(ToolButton1, &QToolButton::clicked, this, &TTimelineForm::AddSpeedButtonClick);
  connect(DeleteButton, &QToolButton::clicked, this, &TTimelineForm::DeleteSpeedButtonClick);
  connect(PlayButton, &QToolButton::clicked, this, &TTimelineForm::PlayButtonClick);
  connect(PresetsButton, &QToolButton::clicked, this, &TTimelineForm::PresetsRequested);
  previewTimer_.setTimerType(Qt::PreciseTimer);
  connect(&previewTimer_, &QTimer::timeout, this, &TTimelineForm::PreviewTick);
  Refresh();
}

void TTimelineForm::Refresh() {
  refreshing_ = true;
  const TTimeline& t = *timeline_;
  setWindowTitle(QString::fromStdString(t.Caption()));
  {
    const QSignalBlocker b1(FPSEdit), b2(FPKEdit), b3(RgnTransEdit), b4(MFRFEdit);
    FPSEdit->setValue(t.FPS);
    FPKEdit->setValue(t.FPK);
    RgnTransEdit->setValue(t.Trans);
    if (MFRFEdit->text().toStdString() != t.MFRFEdit) {
      MFRFEdit->setText(QString::fromStdString(t.MFRFEdit));
    }
  }
  {
    const QSignalBlocker b(KeyFrameScrollBar);
    KeyFrameScrollBar->setRange(1, std::max(1, t.ScrollBarMax()));
    KeyFrameScrollBar->setValue(t.ScrollBarPosition());
  }
  CurrentFrameEdit->setText(QString::fromStdString(t.CurrentFrameEdit()));
  NoOfKeyframeEdit->setText(QString::fromStdString(t.NoOfKeyframeEdit()));
  DeleteButton->setEnabled(t.DeleteButtonEnabled());
  RecordCurrentFrame->setText(QString::fromStdString(t.RecordCaption()));
  const bool exists = t.ListExists();
  RecordCurrentFrame->setEnabled(exists);
  ToolButton1->setEnabled(exists);
  ToolButton3->setEnabled(exists);
  refreshing_ = false;
}

void TTimelineForm::PlayButtonClick() {
  if (PreviewRunning()) {
    StopPreview();
    return;
  }
  PlayFlight(timeline_->KeyFrames(), timeline_->FPK);
}

void TTimelineForm::PlayFlight(const std::vector<TKeyFrame>& keys, int fpk) {
  StopPreview();
  const TTimeline& t = *timeline_;
  try {
    previewSegments_ = SegmentFrameCounts(static_cast<int>(keys.size()), fpk,
                                          t.MasterFrameRateFactor(), /*preview=*/false);
  } catch (const Error& e) {
    ShowError(QString::fromStdString(e.what()));
    return;
  }
  previewKeys_ = keys;
  previewFrames_ = 0;
  for (int n : previewSegments_) previewFrames_ += n;
  previewFrame_ = 0;
  previewSaved_ = timeline_->Project().Camera;
  const int rate = StreamRate(t.FPS, t.MasterFrameRateFactor(), 1);
  previewTimer_.setInterval(rate > 0 ? std::max(1, (1000 + rate / 2) / rate) : 50);
  PlayButton->setText(QStringLiteral("Stop"));
  PreviewTick();
  previewTimer_.start();
}

void TTimelineForm::PreviewTick() {
  if (previewFrame_ > previewFrames_ || previewSegments_.empty()) {
    StopPreview();
    return;
  }
  try {
    timeline_->Project().Camera =
        InterpolateCamera(previewFrame_, previewKeys_, previewSegments_, smoothness_ / 10.0);
  } catch (const Error& e) {
    StopPreview();
    ShowError(QString::fromStdString(e.what()));
    return;
  }
  ++previewFrame_;
  emit RedrawScene();
}

void TTimelineForm::StopPreview() {
  const bool wasRunning = PlayButton->text() != QStringLiteral("Play");
  previewTimer_.stop();
  PlayButton->setText(QStringLiteral("Play"));
  if (wasRunning) {
    timeline_->Project().Camera = previewSaved_;
    emit RedrawScene();
  }
}

void TTimelineForm::ShowError(const QString& text) {
  if (dialogs_.Error) dialogs_.Error(this, text);
}

void TTimelineForm::NewPathButtonClick() {
  StopPreview();
  timeline_->NewPath();
  Refresh();
  emit KeyCountChanged();
}

void TTimelineForm::NotifyKeysEdited(const QString& text, const TTimeline& before) {
  if (KeysEdited && before.KeyFrames() != timeline_->KeyFrames()) KeysEdited(text, before);
}

void TTimelineForm::RestoreSettings(const IniFile& settings) {
  TToolForm::RestoreSettings(settings);
  if (const auto text = settings.Value(Section().toStdString(), "MFRFEdit.Text")) {
    timeline_->MFRFEdit = *text;
    Refresh();
  }
}

void TTimelineForm::StoreSettings(IniFile& settings) const {
  TToolForm::StoreSettings(settings);
  const std::string section = Section().toStdString();
  settings.SetValue(section, "ToolBar1.Width", width());
  settings.SetValue(section, "ToolBar1.Left", 0);
  settings.SetValue(section, "MFRFEdit.Text", MFRFEdit->text().toStdString());
}

void TTimelineForm::RecordCurrentFrameClick() {
  StopPreview();
  const TTimeline before = *timeline_;
  const bool clearing = timeline_->RecordCaption() == "Clear";
  timeline_->RecordCurrentFrame();
  Refresh();
  NotifyKeysEdited(
      clearing ? QStringLiteral("Clear Key Frame") : QStringLiteral("Record Key Frame"), before);
}

void TTimelineForm::KeyFrameScrollBarChange(int position) {
  if (refreshing_) return;
  timeline_->SelectKey(position);
  Refresh();
}

void TTimelineForm::KeyFrameScrollBarScroll(int position) {
  if (refreshing_) return;
  timeline_->ScrollThumb(position);
  const QSignalBlocker b(CurrentFrameEdit);
  CurrentFrameEdit->setText(QString::fromStdString(timeline_->CurrentFrameEdit()));
}

void TTimelineForm::CurrentFrameEditChange() {
  if (refreshing_) return;
  const std::string text = CurrentFrameEdit->text().trimmed().toStdString();
  if (text == timeline_->CurrentFrameEdit()) return;
  try {
    timeline_->SetCurrentFrameEdit(text);
  } catch (const Error& e) {
    ShowError(QString::fromStdString(e.what()));
  }
  Refresh();
}

void TTimelineForm::NoOfKeyFrameEditChange() {
  if (refreshing_) return;
  const std::string text = NoOfKeyframeEdit->text().trimmed().toStdString();
  // Leaving the field unchanged asks nothing, unless an earlier "No" left extra keys.
  if (text == timeline_->NoOfKeyframeEdit() && text == std::to_string(timeline_->KeyCount())) {
    return;
  }
  TDialogCallbacks callbacks(this, dialogs_);
  const TTimeline before = *timeline_;
  try {
    timeline_->SetNoOfKeyframeEdit(text, callbacks);
  } catch (const Error& e) {
    ShowError(QString::fromStdString(e.what()));
  }
  Refresh();
  NotifyKeysEdited(QStringLiteral("Key Frame Count"), before);
}

void TTimelineForm::AddSpeedButtonClick() {
  StopPreview();
  TDialogCallbacks callbacks(this, dialogs_);
  const TTimeline before = *timeline_;
  try {
    timeline_->AddKey(callbacks);
  } catch (const Error& e) {
    ShowError(QString::fromStdString(e.what()));
  }
  Refresh();
  NotifyKeysEdited(QStringLiteral("Add Key Frame"), before);
}

void TTimelineForm::DeleteSpeedButtonClick() {
  StopPreview();
  TDialogCallbacks callbacks(this, dialogs_);
  const TTimeline before = *timeline_;
  try {
    timeline_->DeleteKey(callbacks);
  } catch (const Error& e) {
    ShowError(QString::fromStdString(e.what()));
  }
  Refresh();
  NotifyKeysEdited(QStringLiteral("Delete Key Frame"), before);
}

void TTimelineForm::LoadMotionPath1Click() {
  if (!timeline_->ListExists() || !dialogs_.OpenFile) return;
  const QString name =
      dialogs_.OpenFile(this, QStringLiteral("Load Camera Path"), initialFolder_,
                        QtFilter(QString::fromLatin1(kCameraPathFilter)), QStringLiteral("cam"));
  if (!name.isEmpty()) LoadPath(name);
}

void TTimelineForm::SaveMotionPath1Click() {
  if (!timeline_->ListExists() || !dialogs_.SaveFile) return;
  const QString name =
      dialogs_.SaveFile(this, QStringLiteral("Save Camera Path"), initialFolder_,
                        QtFilter(QString::fromLatin1(kCameraPathFilter)), QStringLiteral("cam"));
  if (!name.isEmpty()) SavePath(WithDefaultExtension(name, QStringLiteral("cam")));
}

bool TTimelineForm::LoadPath(const QString& fileName) {
  StopPreview();
  TDialogCallbacks callbacks(this, dialogs_);
  bool ok = true;
  try {
    LoadCameraPathFile(*timeline_, fileName.toStdString(), callbacks);
  } catch (const Error& e) {
    ShowError(QString::fromStdString(e.what()));
    ok = false;
  }
  Refresh();
  emit KeyCountChanged();
  if (ok) emit PathFileChanged(fileName);
  return ok;
}

bool TTimelineForm::SavePath(const QString& fileName) {
  try {
    SaveCameraPathFile(*timeline_, fileName.toStdString());
  } catch (const Error& e) {
    ShowError(QString::fromStdString(e.what()));
    Refresh();
    return false;
  }
  Refresh();
  emit PathFileChanged(fileName);
  return true;
}

}  // namespace glkov::app
