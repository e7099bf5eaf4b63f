#include "app/output_option_form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace glkov::app {

TOutputOptionForm::TOutputOptionForm(TOutputOptions& options, QWidget* parent)
    : QDialog(parent), options_(&options) {
  setObjectName(QStringLiteral("OutputOptionForm"));
  setWindowTitle(QStringLiteral("Advanced Output Options"));

  auto* colorBox = new QGroupBox(QStringLiteral(" Color Depth "), this);
  colorBox->setObjectName(QStringLiteral("ColorDepthGroup"));
  auto* colorLayout = new QVBoxLayout(colorBox);
  ColorDepthGroup = new QButtonGroup(colorBox);
  const QString items[] = {QStringLiteral("16 colors (4-bit)"),
                           QStringLiteral("256 Colors (8-bit)"),
                           QStringLiteral("True Color (24-bit)")};
  for (int i = 0; i < 3; ++i) {
    auto* r = new QRadioButton(items[i], colorBox);
    r->setObjectName(QStringLiteral("ColorDepthGroup") + QString::number(i));
    ColorDepthGroup->addButton(r, i);
    colorLayout->addWidget(r);
  }

  auto* special = new QGroupBox(QStringLiteral(" Output Special "), this);
  MotionBlurCheckBox = new QCheckBox(QStringLiteral("Use Motion Blur"), special);
  MotionBlurCheckBox->setObjectName(QStringLiteral("MotionBlurCheckBox"));
  MotionBlurCheckBox->setEnabled(false);  // not built: kept as in the options file
  ACFrameEdit = new QSpinBox(special);
  ACFrameEdit->setObjectName(QStringLiteral("ACFrameEdit"));
  ACFrameEdit->setRange(1, 20);
  StereographCheckBox = new QCheckBox(QStringLiteral("Output Stereograph"), special);
  StereographCheckBox->setObjectName(QStringLiteral("StereographCheckBox"));
  EyeSEdit = new QLineEdit(special);
  EyeSEdit->setObjectName(QStringLiteral("EyeSEdit"));
  EyeSEdit->setMaximumWidth(80);
  auto* specialLayout = new QGridLayout(special);
  specialLayout->addWidget(MotionBlurCheckBox, 0, 0, 1, 2);
  specialLayout->addWidget(new QLabel(QStringLiteral("Accumulated Frames"), special), 1, 0);
  specialLayout->addWidget(ACFrameEdit, 1, 1);
  specialLayout->addWidget(StereographCheckBox, 2, 0, 1, 2);
  specialLayout->addWidget(new QLabel(QStringLiteral("Eye Seperation"), special), 3, 0);
  specialLayout->addWidget(EyeSEdit, 3, 1);

  StereoModeCombo = new QComboBox(special);
  StereoModeCombo->setObjectName(QStringLiteral("StereoModeCombo"));
  StereoModeCombo->addItem(QStringLiteral("Red/Blue"));
  StereoModeCombo->addItem(QStringLiteral("Side by Side"));
  specialLayout->addWidget(StereoModeCombo, 2, 2);

  auto* movie = new QGroupBox(QStringLiteral(" Movie Quality "), this);
  SamplesCombo = new QComboBox(movie);
  SamplesCombo->setObjectName(QStringLiteral("SamplesCombo"));
  for (int n : {1, 2, 4, 8}) {
    SamplesCombo->addItem(n == 1 ? QStringLiteral("Off") : QStringLiteral("%1x").arg(n), n);
  }
  CrfEdit = new QSpinBox(movie);
  CrfEdit->setObjectName(QStringLiteral("CrfEdit"));
  CrfEdit->setRange(-1, 63);
  CrfEdit->setSpecialValueText(QStringLiteral("Default"));
  CrfEdit->setToolTip(
      QStringLiteral("Constant rate factor of MP4 and WebM movies: lower is better and larger "
                     "(default 18 for MP4, 32 for WebM)"));
  TextureDetailCombo = new QComboBox(movie);
  TextureDetailCombo->setObjectName(QStringLiteral("TextureDetailCombo"));
  TextureDetailCombo->addItem(QStringLiteral("Standard"), 1024);
  TextureDetailCombo->addItem(QStringLiteral("High"), 4096);
  auto* movieLayout = new QGridLayout(movie);
  movieLayout->addWidget(new QLabel(QStringLiteral("Anti-aliasing"), movie), 0, 0);
  movieLayout->addWidget(SamplesCombo, 0, 1);
  movieLayout->addWidget(new QLabel(QStringLiteral("MP4/WebM Quality (CRF)"), movie), 1, 0);
  movieLayout->addWidget(CrfEdit, 1, 1);
  movieLayout->addWidget(new QLabel(QStringLiteral("Texture Detail"), movie), 2, 0);
  movieLayout->addWidget(TextureDetailCombo, 2, 1);

  auto* pathBox = new QWidget(this);
  LTBSlider = new QSlider(Qt::Horizontal, pathBox);
  LTBSlider->setObjectName(QStringLiteral("LTBSlider"));
  LTBSlider->setRange(0, 10);
  LTBSlider->setTickInterval(1);
  LTBSlider->setSingleStep(1);
  LTBSlider->setPageStep(1);
  LTBSlider->setTickPosition(QSlider::TicksBelow);
  auto* pathLayout = new QGridLayout(pathBox);
  pathLayout->setContentsMargins(0, 0, 0, 0);
  pathLayout->addWidget(new QLabel(QStringLiteral("Camera Path Smoothness"), pathBox), 0, 0, 1, 3);
  pathLayout->addWidget(LTBSlider, 1, 0, 1, 3);
  pathLayout->addWidget(new QLabel(QStringLiteral("Curved"), pathBox), 2, 0, Qt::AlignLeft);
  pathLayout->addWidget(new QLabel(QStringLiteral("Zig-Zag"), pathBox), 2, 2, Qt::AlignRight);

  auto* texture = new QGroupBox(QStringLiteral(" Texture Antialiasing "), this);
  CheckBox1 = new QCheckBox(QStringLiteral("Smooth mapping"), texture);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setChecked(true);
  CheckBox2 = new QCheckBox(QStringLiteral("Smooth scaling"), texture);
  CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
  CheckBox2->setChecked(true);
  auto* textureLayout = new QVBoxLayout(texture);
  textureLayout->addWidget(CheckBox1);
  textureLayout->addWidget(CheckBox2);

  DefaultButton = new QPushButton(QStringLiteral("Default Settings"), this);
  DefaultButton->setObjectName(QStringLiteral("DefaultButton"));
  DefaultButton->setEnabled(false);
  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Button2 = new QPushButton(QStringLiteral("Cancel"), this);
  Button2->setObjectName(QStringLiteral("Button2"));

  auto* left = new QVBoxLayout;
  left->addWidget(colorBox);
  left->addWidget(texture);
  left->addWidget(movie);
  left->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(special);
  right->addWidget(pathBox);
  right->addStretch(1);
  auto* columns = new QHBoxLayout;
  columns->addLayout(left);
  columns->addLayout(right);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(DefaultButton);
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns);
  layout->addLayout(buttons);

  connect(ColorDepthGroup, &QButtonGroup::idClicked, this, [this](int id) {
    options_->ColorDepthItem = id;
    emit OptionsChanged();
  });
  connect(ACFrameEdit, &QSpinBox::valueChanged, this,
          [this](int v) { options_->AccumulatedFrames = v; });
  connect(StereographCheckBox, &QCheckBox::toggled, this,
          [this](bool on) { options_->Stereograph = on; });
  connect(EyeSEdit, &QLineEdit::textChanged, this,
          [this](const QString& t) { options_->EyeSeparation = t.toStdString(); });
  connect(LTBSlider, &QSlider::valueChanged, this, [this](int v) { options_->Smoothness = v; });
  connect(StereoModeCombo, &QComboBox::currentIndexChanged, this,
          [this](int i) { options_->StereoSideBySide = i == 1; });
  connect(SamplesCombo, &QComboBox::currentIndexChanged, this,
          [this](int i) { options_->Samples = SamplesCombo->itemData(i).toInt(); });
  connect(CrfEdit, &QSpinBox::valueChanged, this, [this](int v) { options_->Crf = v; });
  connect(TextureDetailCombo, &QComboBox::currentIndexChanged, this,
          [this](int i) { options_->TextureMax = TextureDetailCombo->itemData(i).toInt(); });
  // Both buttons only close: what was changed stays in effect.
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
  Refresh();
}

void TOutputOptionForm::Refresh() {
  const QSignalBlocker b1(ColorDepthGroup), b2(ACFrameEdit), b3(StereographCheckBox), b4(EyeSEdit),
      b5(LTBSlider), b6(StereoModeCombo), b7(SamplesCombo), b8(CrfEdit), b9(TextureDetailCombo);
  if (auto* b = ColorDepthGroup->button(options_->ColorDepthItem)) b->setChecked(true);
  MotionBlurCheckBox->setChecked(options_->MotionBlur);
  ACFrameEdit->setValue(options_->AccumulatedFrames);
  StereographCheckBox->setChecked(options_->Stereograph);
  EyeSEdit->setText(QString::fromStdString(options_->EyeSeparation));
  LTBSlider->setValue(options_->Smoothness);
  StereoModeCombo->setCurrentIndex(options_->StereoSideBySide ? 1 : 0);
  const int samples = SamplesCombo->findData(options_->Samples);
  SamplesCombo->setCurrentIndex(samples >= 0 ? samples : SamplesCombo->findData(4));
  CrfEdit->setValue(options_->Crf);
  TextureDetailCombo->setCurrentIndex(options_->TextureMax > 1024 ? 1 : 0);
}

}  // namespace glkov::app
