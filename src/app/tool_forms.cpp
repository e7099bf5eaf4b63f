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
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>

namespace glkov::app {

TToolForm::TToolForm(const QString& className, const QString& caption, const QString& section,
                     QWidget* parent, bool stayOnTop)
    : QWidget(parent, Qt::Tool | (stayOnTop ? Qt::WindowStaysOnTopHint : Qt::WindowFlags())),
      section_(section.isEmpty() ? className : section) {
  setObjectName(className);
  setWindowTitle(caption);
  resize(320, 240);
}

void TToolForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  KeepInsideScreen(*this);
}

void KeepInsideScreen(QWidget& w) {
  const QScreen* screen = QGuiApplication::screenAt(w.frameGeometry().center());
  if (!screen) screen = w.screen() ? w.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  // The frame (title bar and borders) counts: it is what must be on the screen.
  const QSize frame = w.frameGeometry().size() - w.size();
  const QSize inner = w.size().boundedTo(area.size() - frame);
  if (inner != w.size()) w.resize(inner.expandedTo(w.minimumSize()));
  const QSize outer = w.size() + frame;
  // The top-left corner wins when even the smallest window does not fit.
  const int x =
      std::max(area.left(), std::min(w.frameGeometry().x(), area.right() + 1 - outer.width()));
  const int y =
      std::max(area.top(), std::min(w.frameGeometry().y(), area.bottom() + 1 - outer.height()));
  if (QPoint(x, y) != w.frameGeometry().topLeft()) w.move(x, y);
}

void TToolForm::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  emit Closed();
}

void TToolForm::RestoreSettings(const IniFile& settings) {
  RestorePlacement(settings, section_.toStdString(), *this);
}

void TToolForm::StoreSettings(IniFile& settings) const {
  StorePlacement(settings, section_.toStdString(), *this);
}

void RestorePlacement(const IniFile& s, const std::string& section, QWidget& w) {
  const int width = s.IntValue(section, "Width", -1);
  const int height = s.IntValue(section, "Height", -1);
  if (width <= 0 || height <= 0 || width > 20000 || height > 20000) return;
  const int left = s.IntValue(section, "Left", w.x());
  const int top = s.IntValue(section, "Top", w.y());
  if (std::abs(left) < 100000 && std::abs(top) < 100000) w.move(left, top);
  w.resize(width, height);
  if (s.Value(section, "State", "") == "Maximized") w.setWindowState(Qt::WindowMaximized);
}

void StorePlacement(IniFile& s, const std::string& section, const QWidget& w) {
  const QRect g = w.isMaximized() ? w.normalGeometry() : w.geometry();
  s.SetValue(section, "Left", g.x());
  s.SetValue(section, "Top", g.y());
  s.SetValue(section, "Width", g.width());
  s.SetValue(section, "Height", g.height());
  s.SetValue(section, "State", std::string(w.isMaximized() ? "Maximized" : "Normal"));
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
