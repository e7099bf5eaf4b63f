#pragma once

#include <QMainWindow>

namespace glkov {

// The main window.
class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TMainForm(QWidget* parent = nullptr);
};

}  // namespace glkov
