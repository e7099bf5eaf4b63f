#pragma once

#include <QString>
#include <QStringList>

#include "core/config/ini_file.h"

namespace glkov::app {

// The folder of glKOV.INI: GLKOV_CONFIG_DIR when set, else the program's folder when it is
// writable, else the user's configuration folder.
QString SettingsFolder();

// The full name of glKOV.INI in that folder.
QString IniFileName();

// The user's own settings file (the desktop's configuration folder, "glKOV/glKOV.conf"); below
// GLKOV_CONFIG_DIR when that is set, so tests never touch the real user's settings.
QString UserSettingsFileName();

// The recent-projects list, newest first, under "MRU Items" in the user's settings. Reading
// ignores a damaged file; writing throws glkov::Error naming the file.
QStringList ReadRecentFiles();
void WriteRecentFiles(const QStringList& files);

// The application's and organisation's names, under which the user's settings are kept. No
// display name: on X11 Qt would add it to every window's caption a second time.
void SetApplicationNames();

// The XDG data folder for file-type registration: XDG_DATA_HOME, else ~/.local/share.
QString UserDataFolder();

}  // namespace glkov::app
