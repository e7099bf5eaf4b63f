#include "app/camera_preset_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/main_form.h"
#include "app/timeline_form.h"
#include "core/error.h"
#include "core/model/project.h"

namespace glkov::app {

namespace {

constexpr PresetEasing kEasings[] = {PresetEasing::Linear, PresetEasing::EaseIn,
                                     PresetEasing::EaseOut, PresetEasing::EaseInOut};

}  // namespace

TPresetEditCommand::TPresetEditCommand(TMainForm* form, const QString& text,
                                       const TTimeline& before, const TTimeline& after)
    : QUndoCommand(text),
      form_(form),
      keys_(form, text, before, after),
      beforeFPK_(before.FPK),
      afterFPK_(after.FPK) {}

void TPresetEditCommand::undo() {
  keys_.undo();
  if (keys_.isObsolete()) {
    setObsolete(true);
    return;
  }
  SetFPK(beforeFPK_);
}

void TPresetEditCommand::redo() {
  keys_.redo();
  if (pushed_) {  // the preset is already applied when the command is pushed
    pushed_ = false;
    return;
  }
  if (keys_.isObsolete()) {
    setObsolete(true);
    return;
  }
  SetFPK(afterFPK_);
}

void TPresetEditCommand::SetFPK(int fpk) {
  form_->PathTimeline().FPK = fpk;
  if (TTimelineForm* timeline = form_->TimelineWindow()) timeline->Refresh();
}

TCameraPresetForm::TCameraPresetForm(TProject& project, TTimelineForm& timelineForm,
                                     QWidget* parent)
    : QDialog(parent), project_(project), timelineForm_(timelineForm) {
  setObjectName(QStringLiteral("CameraPresetForm"));
  setWindowTitle(QStringLiteral("Camera Presets"));

  PresetCombo = new QComboBox(this);
  PresetCombo->setObjectName(QStringLiteral("PresetCombo"));
  for (const CameraPreset p : AllCameraPresets()) {
    PresetCombo->addItem(QString::fromStdString(PresetName(p)), static_cast<int>(p));
  }
  SecondsEdit = new QDoubleSpinBox(this);
  SecondsEdit->setObjectName(QStringLiteral("SecondsEdit"));
  SecondsEdit->setRange(0.1, kMaxPresetSeconds);
  SecondsEdit->setDecimals(1);
  SecondsEdit->setSingleStep(0.5);
  SecondsEdit->setSuffix(QStringLiteral(" s"));
  StrengthEdit = new QDoubleSpinBox(this);
  StrengthEdit->setObjectName(QStringLiteral("StrengthEdit"));
  StrengthEdit->setRange(0, 1);
  StrengthEdit->setDecimals(2);
  StrengthEdit->setSingleStep(0.05);
  StrengthEdit->setToolTip(
      QStringLiteral("How far the camera goes: 1 is as far as the room allows"));
  EasingCombo = new QComboBox(this);
  EasingCombo->setObjectName(QStringLiteral("EasingCombo"));
  for (const PresetEasing e : kEasings) {
    EasingCombo->addItem(QString::fromStdString(EasingName(e)), static_cast<int>(e));
  }
  ReturnToStartCheck = new QCheckBox(QStringLiteral("Return to Start"), this);
  ReturnToStartCheck->setObjectName(QStringLiteral("ReturnToStartCheck"));
  ReturnToStartCheck->setToolTip(
      QStringLiteral("The flight comes back to its first camera, so that the clip loops"));
  InfoLabel = new QLabel(this);
  InfoLabel->setObjectName(QStringLiteral("InfoLabel"));
  InfoLabel->setWordWrap(true);
  InfoLabel->setMinimumWidth(300);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  OKButton = buttons->button(QDialogButtonBox::Ok);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
  PreviewButton = buttons->addButton(QStringLiteral("&Preview"), QDialogButtonBox::ActionRole);
  PreviewButton->setObjectName(QStringLiteral("PreviewButton"));
  PreviewButton->setToolTip(QStringLiteral("Fly the move in the 3D view"));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Preset:"), PresetCombo);
  form->addRow(QStringLiteral("&Duration:"), SecondsEdit);
  form->addRow(QStringLiteral("&Strength:"), StrengthEdit);
  form->addRow(QStringLiteral("&Easing:"), EasingCombo);
  form->addRow(QString(), ReturnToStartCheck);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(InfoLabel);
  layout->addWidget(buttons);

  SetOptions(PresetOptions{});
  connect(PresetCombo, &QComboBox::currentIndexChanged, this, [this] { Recompute(); });
  connect(EasingCombo, &QComboBox::currentIndexChanged, this, [this] { Recompute(); });
  connect(SecondsEdit, &QDoubleSpinBox::valueChanged, this, [this] { Recompute(); });
  connect(StrengthEdit, &QDoubleSpinBox::valueChanged, this, [this] { Recompute(); });
  connect(ReturnToStartCheck, &QCheckBox::toggled, this, [this] { Recompute(); });
  connect(PreviewButton, &QPushButton::clicked, this, &TCameraPresetForm::PreviewClick);
  connect(buttons, &QDialogButtonBox::accepted, this, &TCameraPresetForm::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TCameraPresetForm::reject);
}

PresetOptions TCameraPresetForm::Options() const {
  PresetOptions o;
  o.Preset = static_cast<CameraPreset>(PresetCombo->currentData().toInt());
  o.Seconds = SecondsEdit->value();
  o.Strength = StrengthEdit->value();
  o.Easing = static_cast<PresetEasing>(EasingCombo->currentData().toInt());
  o.ReturnToStart = ReturnToStartCheck->isChecked();
  o.FPS = timelineForm_.Timeline().FPS;
  o.Smoothness = timelineForm_.Smoothness();
  return o;
}

void TCameraPresetForm::SetOptions(const PresetOptions& o) {
  filling_ = true;
  PresetCombo->setCurrentIndex(PresetCombo->findData(static_cast<int>(o.Preset)));
  SecondsEdit->setValue(o.Seconds);
  StrengthEdit->setValue(o.Strength);
  EasingCombo->setCurrentIndex(EasingCombo->findData(static_cast<int>(o.Easing)));
  ReturnToStartCheck->setChecked(o.ReturnToStart);
  filling_ = false;
  Recompute();
}

void TCameraPresetForm::Recompute() {
  if (filling_) return;
  flight_.reset();
  try {
    flight_ = ComputeCameraPreset(project_, Options());
  } catch (const Error& e) {
    InfoLabel->setText(QString::fromStdString(e.what()));
  }
  if (flight_) {
    QString text = QStringLiteral("%1 key frames, %2 frames each: %3 seconds.")
                       .arg(flight_->Keys.size())
                       .arg(flight_->FPK)
                       .arg(flight_->Seconds, 0, 'f', 2);
    if (!flight_->Notice.empty())
      text += QLatin1Char('\n') + QString::fromStdString(flight_->Notice);
    InfoLabel->setText(text);
  }
  PreviewButton->setEnabled(flight_.has_value());
  OKButton->setEnabled(flight_.has_value());
}

void TCameraPresetForm::PreviewClick() {
  if (flight_) timelineForm_.PlayFlight(flight_->Keys, flight_->FPK);
}

void TCameraPresetForm::accept() {
  timelineForm_.StopPreview();
  if (!flight_) return;
  TTimeline& timeline = timelineForm_.Timeline();
  const TTimeline before = timeline;
  ApplyPresetFlight(timeline, *flight_);
  timelineForm_.Refresh();
  const QString text = QStringLiteral("Camera Preset \"%1\"")
                           .arg(QString::fromStdString(PresetName(Options().Preset)));
  if (Applied) {
    Applied(text, before);
  } else if (timelineForm_.KeysEdited) {
    timelineForm_.KeysEdited(text, before);
  }
  emit timelineForm_.KeyCountChanged();
  emit timelineForm_.RedrawScene();
  QDialog::accept();
}

void TCameraPresetForm::reject() {
  timelineForm_.StopPreview();
  QDialog::reject();
}

}  // namespace glkov::app
