#include "app/camera_control_form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace glkov::app {

namespace {

QGroupBox* MakeRadioGroup(QWidget* parent, const char* name, const QString& title,
                          const QStringList& items, QButtonGroup*& buttons) {
  auto* box = new QGroupBox(title, parent);
  box->setObjectName(QString::fromLatin1(name));
  auto* layout = new QVBoxLayout(box);
  buttons = new QButtonGroup(box);
  for (int i = 0; i < items.size(); ++i) {
    auto* r = new QRadioButton(items[i], box);
    r->setObjectName(QString::fromLatin1(name) + QString::number(i));
    buttons->addButton(r, i);
    layout->addWidget(r);
  }
  return box;
}

}  // namespace

TCameraControlForm::TCameraControlForm(RenderSwitches& switches, QWidget* parent)
    : TToolForm(QStringLiteral("TCameraControlForm"), QStringLiteral("Controls"), QString(), parent,
                true),
      switches_(&switches) {
  Quality = MakeRadioGroup(this, "Quality", QStringLiteral(" Preview Quality "),
                           {QStringLiteral("Low"), QStringLiteral("High ")}, qualityButtons_);
  Operation_ = MakeRadioGroup(this, "Operation", QStringLiteral(" Mouse Operation "),
                              {QStringLiteral("Move Camera"), QStringLiteral("Rotate Camera")},
                              operationButtons_);
  NegativeCheckBox = new QCheckBox(QStringLiteral("Negative Output"), this);
  NegativeCheckBox->setObjectName(QStringLiteral("NegativeCheckBox"));
  ViewingWindow = new QGroupBox(QStringLiteral(" Viewing Window "), this);
  ViewingWindow->setObjectName(QStringLiteral("ViewingWindow"));
  UseVW = new QCheckBox(QStringLiteral("Use Window"), ViewingWindow);
  UseVW->setObjectName(QStringLiteral("UseVW"));
  SeeVWClip = new QCheckBox(QStringLiteral("Preview"), ViewingWindow);
  SeeVWClip->setObjectName(QStringLiteral("SeeVWClip"));
  auto* vw = new QVBoxLayout(ViewingWindow);
  vw->addWidget(UseVW);
  vw->addWidget(SeeVWClip);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Quality);
  layout->addWidget(Operation_);
  layout->addWidget(NegativeCheckBox);
  layout->addWidget(ViewingWindow);
  layout->setSizeConstraint(QLayout::SetFixedSize);  // a fixed tool window

  connect(qualityButtons_, &QButtonGroup::idClicked, this, [this](int id) {
    if (id == switches_->Quality) return;  // the same quality changes nothing
    switches_->Quality = id;
    emit QualityClick(id);
  });
  connect(operationButtons_, &QButtonGroup::idClicked, this, [this](int id) {
    operation_ = static_cast<MouseOperation>(id);
    emit OperationClick(operation_);
  });
  connect(NegativeCheckBox, &QCheckBox::clicked, this, [this](bool on) {
    switches_->Negative = on;
    emit SeeVWClipClick();
  });
  connect(SeeVWClip, &QCheckBox::clicked, this, [this](bool on) {
    switches_->SeeVWClip = on;
    emit SeeVWClipClick();
  });
  connect(UseVW, &QCheckBox::clicked, this, [this](bool on) {
    switches_->UseVW = on;
    emit UseVWClick();
  });
  Refresh();
}

void TCameraControlForm::RestoreSettings(const IniFile& settings) {
  TToolForm::RestoreSettings(settings);
  const std::string s = Section().toStdString();
  switches_->Negative = settings.BoolValue(s, "NegativeCheckBox.Checked", switches_->Negative);
  switches_->Quality = settings.IntValue(s, "Quality.ItemIndex", switches_->Quality) == 1 ? 1 : 0;
  switches_->SeeVWClip = settings.BoolValue(s, "SeeVWClip.Checked", switches_->SeeVWClip);
  Refresh();
}

void TCameraControlForm::StoreSettings(IniFile& settings) const {
  TToolForm::StoreSettings(settings);
  const std::string s = Section().toStdString();
  settings.SetValue(s, "NegativeCheckBox.Checked", switches_->Negative);
  settings.SetValue(s, "Quality.ItemIndex", switches_->Quality);
  settings.SetValue(s, "SeeVWClip.Checked", switches_->SeeVWClip);
}

void TCameraControlForm::SetOperation(MouseOperation operation) {
  operation_ = operation;
  Refresh();
}

void TCameraControlForm::Refresh() {
  const QSignalBlocker b1(qualityButtons_), b2(operationButtons_);
  if (auto* b = qualityButtons_->button(switches_->Quality == 1 ? 1 : 0)) b->setChecked(true);
  if (auto* b = operationButtons_->button(static_cast<int>(operation_))) b->setChecked(true);
  NegativeCheckBox->setChecked(switches_->Negative);
  UseVW->setChecked(switches_->UseVW);
  SeeVWClip->setChecked(switches_->SeeVWClip);
}

}  // namespace glkov::app
