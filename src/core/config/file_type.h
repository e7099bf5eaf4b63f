#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace glkov {

// A file-type association after the argument rules: Extension with one leading ".", ClassName
// never empty, OpenCommand the command followed by the file argument.
struct FileTypeAssociation {
  std::string Extension;    // ".kov"
  std::string ClassName;    // "kovfile"
  std::string Description;  // "glKOV-File"
  std::string Icon;         // may be empty
  std::string Command;      // the program, without quotes
  std::string Message;      // what the user is told afterwards
};

// Applies the argument rules of RegisterFileType: every "." is removed from the extension, an
// empty extension or command means nothing to do (nullopt), an empty class becomes the bare
// extension followed by "_auto_file". Throws glkov::Error when the extension or the class holds
// a character that cannot name a file type (anything but letters, digits, "_", "-", "+").
std::optional<FileTypeAssociation> PrepareFileType(std::string extension, std::string className,
                                                   std::string description, std::string icon,
                                                   std::string command);

// The reverse-domain name that names the installed desktop entry, MIME package, icon and
// AppStream file ("io.github.glkov.glKOV").
std::string_view ApplicationId();

// The MIME types glKOV defines: projects (*.kov, or the first line "KOV with Perpective Grid") and
// camera paths (*.cam, or "KOV Camera Path File"). The program opens projects.
inline constexpr const char* kProjectMimeType = "application/x-glkov-project";
inline constexpr const char* kCameraPathMimeType = "application/x-glkov-camera-path";

// The data folder ("<prefix>/share") of an installed program: the program lies in "<prefix>/bin"
// and the desktop entry was installed beside it. nullopt for a program run from its build folder.
std::optional<std::filesystem::path> InstalledDataFolder(const std::filesystem::path& program);

// The files the registration writes, relative to the data folder; the same names as installed.
std::filesystem::path MimePackageFile();   // mime/packages/<id>.xml
std::filesystem::path DesktopEntryFile();  // applications/<id>.desktop
std::filesystem::path IconFile();          // icons/hicolor/scalable/apps/<id>.svg

// The texts of the installed MIME package and icon, and the installed desktop entry with its
// "Exec=" line opening "%f" with program (quoted where it needs quotes).
std::string MimePackageText();
std::string IconText();
std::string DesktopEntryText(const std::string& program);

struct FileTypeRegistration {
  bool UsesInstalledFiles = false;             // the program is installed
  std::filesystem::path InstalledDataDir;      // its "<prefix>/share", when installed
  std::vector<std::filesystem::path> Written;  // files written below dataHome
  std::vector<std::filesystem::path> Removed;  // stale own copies removed below dataHome
};

// Registers glKOV's file types for the current user under dataHome (the XDG data folder); the
// association's extension and class have passed the argument rules, its Command is the program.
// An installed program uses the installed definitions: it only removes copies that an earlier
// uninstalled run left below dataHome (they would hide the installed ones) and makes the installed
// desktop entry the default for projects in dataHome/applications/mimeapps.list. An uninstalled
// program writes the same MIME package, icon and desktop entry below dataHome, the entry opening
// the running program, and makes that entry the default. Both remove the files of older versions,
// which registered the bare extension. Other lines of mimeapps.list are kept.
// Every file goes through AtomicFile; throws glkov::Error naming the file that failed.
FileTypeRegistration WriteFileTypeAssociation(const FileTypeAssociation& a,
                                              const std::filesystem::path& dataHome);

// Sets key=value under [Default Applications] in a mimeapps.list text, keeping everything else.
std::string SetDefaultApplication(const std::string& listText, const std::string& mimeType,
                                  const std::string& desktopFile);

}  // namespace glkov
