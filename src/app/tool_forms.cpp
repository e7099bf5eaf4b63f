#include "app/tool_forms.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>

namespace glkov::app {

TToolForm::TToolForm(const QString& className, const QString& caption, const QString& section,
                     QWidget* parent, bool stayOnTop)
    : QWidget(parent, Qt::Tool | (stayOnTop ? Qt::WindowStaysOnTopHint : Qt::WindowFlags())),
      section_(section.isEmpty() ? className : section) {
  setObjectName(className);
  setWindowTitle(caption);
  resize(320, 240);
}

void TToolForm::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  emit Closed();
}

void TToolForm::RestoreSettings(QSettings& settings) {
  settings.beginGroup(section_);
  RestorePlacement(settings, *this);
  settings.endGroup();
}

void TToolForm::StoreSettings(QSettings& settings) const {
  settings.beginGroup(section_);
  StorePlacement(settings, *this);
  settings.endGroup();
}

void RestorePlacement(QSettings& s, QWidget& w) {
  if (!s.contains("Width")) return;
  const int left = s.value("Left", w.x()).toInt();
  const int top = s.value("Top", w.y()).toInt();
  const int width = s.value("Width", w.width()).toInt();
  const int height = s.value("Height", w.height()).toInt();
  if (width > 0 && height > 0 && width < 20000 && height < 20000) {
    w.move(left, top);
    w.resize(width, height);
  }
  if (s.value("State").toString() == "Maximized") w.setWindowState(Qt::WindowMaximized);
}

void StorePlacement(QSettings& s, const QWidget& w) {
  const QRect g = w.isMaximized() ? w.normalGeometry() : w.geometry();
  s.setValue("Left", g.x());
  s.setValue("Top", g.y());
  s.setValue("Width", g.width());
  s.setValue("Height", g.height());
  s.setValue("State", w.isMaximized() ? "Maximized" : "Normal");
}

TOptionForm::TOptionForm(QWidget* parent) : QDialog(parent) {
  setObjectName("OptionForm");
  setWindowTitle("Options");
  auto* layout = new QVBoxLayout(this);
  auto* associate = new QPushButton("Associate File Type", this);
  associate->setObjectName("AssociateButton");
  layout->addWidget(associate);
  auto* group = new QGroupBox("Under Construction", this);
  group->setObjectName("GroupBox1");
  group->setMinimumSize(240, 80);
  layout->addWidget(group);
  auto* buttons = new QHBoxLayout;
  auto* save = new QPushButton("Save", this);
  save->setObjectName("SaveButton");
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("CancelButton");
  buttons->addStretch();
  buttons->addWidget(save);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(associate, &QPushButton::clicked, this, &TOptionForm::AssociateClicked);
  connect(save, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle("About glKOV");
  auto* layout = new QVBoxLayout(this);
  auto* name = new QLabel("<h2>glKOV</h2>", this);
  name->setObjectName("ProductName");
  layout->addWidget(name);
  auto* version = new QLabel(QString("Version %1").arg(GLKOV_VERSION), this);
  version->setObjectName("Version");
  layout->addWidget(version);
  layout->addWidget(new QLabel("Walk-through movies from a single photograph.", this));
  auto* close = new QPushButton("Close", this);
  close->setObjectName("CloseButton");
  close->setDefault(true);
  layout->addWidget(close, 0, Qt::AlignRight);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

TSplashForm::TSplashForm(int milliseconds)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("SplashForm");
  setAttribute(Qt::WA_TranslucentBackground);
  resize(420, 240);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
  auto* timer = new QTimer(this);
  timer->setObjectName("Timer1");
  timer->setSingleShot(true);
  connect(timer, &QTimer::timeout, this, [this] { elapsed_ = true; });
  timer->start(milliseconds);
}

void TSplashForm::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, height());
  g.setColorAt(0, QColor(40, 60, 110, 235));
  g.setColorAt(1, QColor(10, 15, 35, 235));
  p.setBrush(g);
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(rect(), 18, 18);
  // A room in one-point perspective: the rear wall and the four radials.
  const QRectF inner(width() * 0.38, height() * 0.30, width() * 0.24, height() * 0.30);
  const QPointF vp = inner.center();
  p.setPen(QPen(QColor(255, 80, 80), 2));
  p.drawRect(inner);
  for (const QPointF c :
       {inner.topLeft(), inner.topRight(), inner.bottomLeft(), inner.bottomRight()})
    p.drawLine(c, vp + (c - vp) * 4);
  p.setPen(Qt::white);
  QFont f = font();
  f.setPointSize(30);
  f.setBold(true);
  p.setFont(f);
  p.drawText(rect().adjusted(0, 0, 0, -20), Qt::AlignHCenter | Qt::AlignBottom, "glKOV");
}

}  // namespace glkov::app
