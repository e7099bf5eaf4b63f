#pragma once

#include <filesystem>
#include <optional>
#include <string>

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

// The freedesktop MIME type of the association: "application/x-" + ClassName.
std::string MimeTypeName(const FileTypeAssociation& a);

// The files written by WriteFileTypeAssociation, relative to the data folder.
std::filesystem::path MimePackageFile(const FileTypeAssociation& a);   // mime/packages/...xml
std::filesystem::path DesktopEntryFile(const FileTypeAssociation& a);  // applications/...desktop

// The texts of those files and the line "Exec=" quoting the command where it needs quotes.
std::string MimePackageText(const FileTypeAssociation& a);
std::string DesktopEntryText(const FileTypeAssociation& a);

// Registers the association for the current user under dataHome (the XDG data folder): a MIME
// package for the extension, a desktop entry that opens "%f" with the command, and the entry as
// the type's default application in dataHome/applications/mimeapps.list (other lines kept).
// Every file goes through AtomicFile; throws glkov::Error naming the file that failed.
void WriteFileTypeAssociation(const FileTypeAssociation& a, const std::filesystem::path& dataHome);

// Sets key=value under [Default Applications] in a mimeapps.list text, keeping everything else.
std::string SetDefaultApplication(const std::string& listText, const std::string& mimeType,
                                  const std::string& desktopFile);

}  // namespace glkov
