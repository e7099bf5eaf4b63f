#pragma once

#include <QApplication>
#include <QString>
#include <QWidget>
#include <cstdlib>

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

// Saves a picture of the window as <GLKOV_SCREENSHOT_DIR>/<name>.png when that variable is set.
inline void MaybeScreenshot(QWidget& w, const char* name) {
  const char* dir = std::getenv("GLKOV_SCREENSHOT_DIR");
  if (!dir) return;
  w.grab().save(QString(dir) + "/" + name + ".png");
}

}  // namespace glkov
