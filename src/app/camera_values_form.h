#pragma once

// The small camera values window ("Form1"): CamPos in row 0 and CamDir in row 1 of a grid.

#include <QWidget>
#include "app/tool_forms.h"

#include "core/model/types.h"

class QTableWidget;

namespace glkov::app {

class TForm1 : public TToolForm {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);

  // Writes CamPos x, y, z and CamDir x, y, z into the grid as the core formats them.
  void ShowCameraValues(const TCamera& camera);
  // The text of a cell (row 0..1, column 0..2).
  QString Cell(int row, int column) const;

 private:
  QTableWidget* StringGrid1;
};

}  // namespace glkov::app
