// glkov: the desktop program. The first argument is a project file to open.
#include <QApplication>
#include <QSurfaceFormat>

#include "app/main_form.h"

int main(int argc, char** argv) {
  QSurfaceFormat format;
  format.setVersion(2, 1);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setDepthBufferSize(24);
  QSurfaceFormat::setDefaultFormat(format);

  QApplication app(argc, argv);
  QApplication::setApplicationName("glKOV");
  QApplication::setOrganizationName("glKOV");
  glkov::TMainForm form;
  form.show();
  return QApplication::exec();
}
