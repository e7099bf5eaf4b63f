#pragma once

#include <QApplication>
#include <QString>
#include <QWidget>

namespace glkov {

// The one QApplication of the window tests, made on first use. It is never destroyed: Qt's
// input devices must not outlive it, and at process exit they would.
inline QApplication& TestApp() {
  static int argc = 1;
  static char name[] = "glkov-tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace glkov
