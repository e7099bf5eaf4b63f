// glkov: the desktop program. The first argument is a project file to open; --no-splash skips
// the splash window.
#include <QApplication>
#include <QStringList>
#include <QSurfaceFormat>
#include <QThread>

#include "app/main_form.h"
#include "app/settings.h"
#include "app/tool_forms.h"

int main(int argc, char** argv) {
  QSurfaceFormat format;
  format.setVersion(2, 1);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setDepthBufferSize(24);
  QSurfaceFormat::setDefaultFormat(format);

  QApplication app(argc, argv);
  glkov::app::SetApplicationNames();

  QStringList args = QApplication::arguments().mid(1);
  const bool splash = !args.removeAll("--no-splash");
  std::unique_ptr<glkov::app::TSplashForm> splashForm;
  if (splash) {
    splashForm = std::make_unique<glkov::app::TSplashForm>();
    splashForm->show();
    splashForm->repaint();
    QApplication::processEvents();
  }

  glkov::app::TMainForm::Options options;
  if (!args.isEmpty()) options.StartupFile = args.first();
  glkov::app::TMainForm form(options);

  while (splashForm && !splashForm->CanClose()) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(20);
  }
  splashForm.reset();
  form.show();
  return QApplication::exec();
}
