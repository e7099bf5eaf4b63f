#include "app/main_form.h"

namespace glkov {

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName("MainForm");
  setWindowTitle("glKOV");
  resize(1024, 720);
}

}  // namespace glkov
