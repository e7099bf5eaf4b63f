#include "app/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace glkov::app {

QString SettingsFolder() {
  const QString over = qEnvironmentVariable("GLKOV_CONFIG_DIR");
  if (!over.isEmpty()) {
    QDir().mkpath(over);
    return over;
  }
  const QString programDir = QCoreApplication::applicationDirPath();
  if (!programDir.isEmpty() && QFileInfo(programDir).isWritable()) return programDir;
  QString user = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  if (user.isEmpty()) user = QDir::homePath() + "/.config/glKOV";
  QDir().mkpath(user);
  return user;
}

std::unique_ptr<QSettings> OpenIniSettings() {
  return std::make_unique<QSettings>(SettingsFolder() + "/glKOV.INI", QSettings::IniFormat);
}

std::unique_ptr<QSettings> OpenUserSettings() {
  const QString over = qEnvironmentVariable("GLKOV_CONFIG_DIR");
  if (!over.isEmpty())
    return std::make_unique<QSettings>(over + "/user/glKOV.conf", QSettings::IniFormat);
  return std::make_unique<QSettings>("glKOV", "glKOV");
}

QStringList ReadRecentFiles() {
  QStringList files = OpenUserSettings()->value("MRU Items").toStringList();
  files.removeAll(QString());
  while (files.size() > 5) files.removeLast();
  return files;
}

void WriteRecentFiles(const QStringList& files) {
  auto s = OpenUserSettings();
  s->setValue("MRU Items", files);
  s->sync();
}

QString UserDataFolder() {
  QString data = qEnvironmentVariable("XDG_DATA_HOME");
  if (data.isEmpty() || !QDir::isAbsolutePath(data)) data = QDir::homePath() + "/.local/share";
  return data;
}

}  // namespace glkov::app
