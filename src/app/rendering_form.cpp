#include "app/rendering_form.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace glkov::app {

TRenderingForm::TRenderingForm(QWidget* parent)
    : TToolForm(QStringLiteral("TRenderingForm"), QStringLiteral("Rendering in progress..."),
                QString(), parent, true) {
  auto* title = new QLabel(QStringLiteral("Outputing file as:"), this);
  FileNameLabel = new QLabel(this);
  FileNameLabel->setObjectName(QStringLiteral("FileNameLabel"));
  FileNameLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  StageLabel = new QLabel(this);
  StageLabel->setObjectName(QStringLiteral("StageLabel"));
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  PercentLabel = new QLabel(QStringLiteral("0%"), this);
  PercentLabel->setObjectName(QStringLiteral("PercentLabel"));
  PercentLabel->setMinimumWidth(40);
  AbortButton = new QPushButton(QStringLiteral("Abort"), this);
  AbortButton->setObjectName(QStringLiteral("AbortButton"));

  auto* bar = new QHBoxLayout;
  bar->addWidget(ProgressBar1, 1);
  bar->addWidget(PercentLabel);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(AbortButton);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addWidget(FileNameLabel);
  layout->addWidget(StageLabel);
  layout->addLayout(bar);
  layout->addLayout(buttons);
  resize(380, sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  connect(AbortButton, &QPushButton::clicked, this, &TRenderingForm::RequestAbort);
}

void TRenderingForm::SetFileName(const QString& fileName) { FileNameLabel->setText(fileName); }

void TRenderingForm::SetProgress(const QString& stage, int percent) {
  percent = std::clamp(percent, 0, 100);
  StageLabel->setText(stage);
  ProgressBar1->setValue(percent);
  PercentLabel->setText(QString::number(percent) + QLatin1Char('%'));
}

int TRenderingForm::Percent() const { return ProgressBar1->value(); }

void TRenderingForm::RequestAbort() {
  abortRequested_ = true;
  emit AbortClicked();
}

void TRenderingForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    RequestAbort();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace glkov::app
