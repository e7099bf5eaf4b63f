#include "app/camera_values_form.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/scene/camera.h"

namespace glkov::app {

TForm1::TForm1(QWidget* parent)
    : TToolForm(QStringLiteral("TForm1"), QStringLiteral("Form1"), QString(), parent, false) {
  StringGrid1 = new QTableWidget(2, 3, this);
  StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
  StringGrid1->horizontalHeader()->hide();  // no fixed rows or columns
  StringGrid1->verticalHeader()->hide();
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->horizontalHeader()->setDefaultSectionSize(140);
  StringGrid1->setWordWrap(false);
  StringGrid1->setTextElideMode(Qt::ElideNone);
  StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c) StringGrid1->setItem(r, c, new QTableWidgetItem);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(StringGrid1);
  const int w = 3 * 140 + 2 * StringGrid1->frameWidth();
  const int h =
      2 * StringGrid1->verticalHeader()->defaultSectionSize() + 2 * StringGrid1->frameWidth();
  resize(w, h);
}

void TForm1::ShowCameraValues(const TCamera& camera) {
  const auto texts = CameraValueTexts(camera);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c)
      StringGrid1->item(r, c)->setText(QString::fromStdString(texts[r][c]));
}

QString TForm1::Cell(int row, int column) const {
  const QTableWidgetItem* item = StringGrid1->item(row, column);
  return item ? item->text() : QString();
}

}  // namespace glkov::app
