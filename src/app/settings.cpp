#include "app/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/config/file_type.h"

namespace glkov::app {

void SetApplicationNames() {
  QCoreApplication::setApplicationName("glKOV");
  QCoreApplication::setOrganizationName("glKOV");
}

QString SettingsFolder() {
  const QString over = qEnvironmentVariable("GLKOV_CONFIG_DIR");
  if (!over.isEmpty()) {
    QDir().mkpath(over);
    return over;
  }
  const QString programDir = QCoreApplication::applicationDirPath();
  // An installed program keeps its settings with the user even where it could write beside itself.
  const bool installed =
      InstalledDataFolder(QCoreApplication::applicationFilePath().toStdString()).has_value();
  if (!installed && !programDir.isEmpty() && QFileInfo(programDir).isWritable()) return programDir;
  QString user = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  if (user.isEmpty()) user = QDir::homePath() + "/.config/glKOV";
  QDir().mkpath(user);
  return user;
}

QString IniFileName() { return SettingsFolder() + "/glKOV.INI"; }

QString UserSettingsFileName() {
  const QString over = qEnvironmentVariable("GLKOV_CONFIG_DIR");
  QString dir =
      over.isEmpty()
          ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/glKOV"
          : over + "/user";
  QDir().mkpath(dir);
  return dir + "/glKOV.conf";
}

QStringList ReadRecentFiles() {
  IniFile ini;
  try {
    ini = IniFile::Load(UserSettingsFileName().toStdString());
  } catch (const std::exception&) {
    return {};  // a damaged list is as good as an empty one
  }
  QStringList files;
  for (int i = 1; i <= 5; ++i) {
    const auto v = ini.Value("MRU Items", "Item" + std::to_string(i));
    if (v && !v->empty()) files << QString::fromStdString(*v);
  }
  return files;
}

void WriteRecentFiles(const QStringList& files) {
  const std::string name = UserSettingsFileName().toStdString();
  IniFile ini;
  try {
    ini = IniFile::Load(name);
  } catch (const std::exception&) {
  }
  ini.RemoveSection("MRU Items");
  for (int i = 0; i < files.size() && i < 5; ++i)
    ini.SetValue("MRU Items", "Item" + std::to_string(i + 1), files[i].toStdString());
  ini.Save(name);
}

QString UserDataFolder() {
  QString data = qEnvironmentVariable("XDG_DATA_HOME");
  if (data.isEmpty() || !QDir::isAbsolutePath(data)) data = QDir::homePath() + "/.local/share";
  return data;
}

}  // namespace glkov::app
