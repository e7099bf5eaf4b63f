#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QSettings;

namespace glkov::app {

// The folder of glKOV.INI: GLKOV_CONFIG_DIR when set, else the program's folder when it is
// writable, else the user's configuration folder.
QString SettingsFolder();

// glKOV.INI in that folder, in INI format.
std::unique_ptr<QSettings> OpenIniSettings();

// The user's own settings (organisation and application "glKOV"); below GLKOV_CONFIG_DIR when
// that is set, so tests never touch the real user's settings.
std::unique_ptr<QSettings> OpenUserSettings();

// The recent-projects list, newest first, under "MRU Items" in the user's settings.
QStringList ReadRecentFiles();
void WriteRecentFiles(const QStringList& files);

// The XDG data folder for file-type registration: XDG_DATA_HOME, else ~/.local/share.
QString UserDataFolder();

}  // namespace glkov::app
