#include "app/avi_info_form.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace glkov::app {

TAVIInfoForm::TAVIInfoForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AVIInfoForm"));
  setWindowTitle(QStringLiteral("AVI File Information"));
  ListBox1 = new QListWidget(this);
  ListBox1->setObjectName(QStringLiteral("ListBox1"));
  ListBox1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ListBox1);
  layout->addLayout(buttons);
  resize(340, 460);
}

void TAVIInfoForm::SetLines(const QStringList& lines) {
  ListBox1->clear();
  ListBox1->addItems(lines);
}

QStringList TAVIInfoForm::Lines() const {
  QStringList lines;
  for (int i = 0; i < ListBox1->count(); ++i) lines << ListBox1->item(i)->text();
  return lines;
}

}  // namespace glkov::app
