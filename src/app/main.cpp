// glkov: the desktop program. The first argument is a project file to open; --no-splash skips
// the splash window.
#include <QApplication>
#include <QIcon>
#include <QStringList>
#include <QSurfaceFormat>
#include <QThread>

#include "app/main_form.h"
#include "app/settings.h"
#include "app/tool_forms.h"
#include "core/config/file_type.h"

int main(int argc, char** argv) {
  QSurfaceFormat format;
  format.setVersion(2, 1);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setDepthBufferSize(24);
  QSurfaceFormat::setDefaultFormat(format);

  QApplication app(argc, argv);
  glkov::app::SetApplicationNames();
  // Ties the windows to the desktop entry and its icon, installed or registered for the user.
  const std::string_view id = glkov::ApplicationId();
  const QString appId = QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size()));
  QGuiApplication::setDesktopFileName(appId);
  QApplication::setWindowIcon(QIcon::fromTheme(appId));

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
