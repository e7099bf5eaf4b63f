#include "core/config/file_type.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "core/config/desktop_files.h"
#include "core/error.h"
#include "core/util/atomic_file.h"

namespace glkov {
namespace {

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '+';
}

void CheckName(const std::string& what, const std::string& name) {
  if (!std::all_of(name.begin(), name.end(), IsNameChar))
    throw Error("Invalid " + what + " for a file type: \"" + name + "\"");
}

// The Exec program argument, quoted when it holds a reserved character.
std::string ExecArgument(const std::string& s) {
  const std::string reserved = " \t\n\"'\\><~|&;$*?#()`=%";
  if (s.find_first_of(reserved) == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  out += '"';
  // The desktop-entry string level escapes backslashes once more.
  std::string escaped;
  for (char c : out) {
    if (c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

std::string ReadIfExists(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

std::optional<FileTypeAssociation> PrepareFileType(std::string extension, std::string className,
                                                   std::string description, std::string icon,
                                                   std::string command) {
  extension.erase(std::remove(extension.begin(), extension.end(), '.'), extension.end());
  if (extension.empty() || command.empty()) return std::nullopt;
  CheckName("extension", extension);
  if (className.empty()) className = extension + "_auto_file";
  CheckName("class", className);
  FileTypeAssociation a;
  a.Extension = "." + extension;
  a.ClassName = std::move(className);
  a.Description = std::move(description);
  a.Icon = std::move(icon);
  a.Command = std::move(command);
  a.Message = "File-Type " + a.Extension + " associated with\r\n" + a.Command + "\r\n";
  return a;
}

std::string_view ApplicationId() { return desktop_files::kAppId; }

std::optional<std::filesystem::path> InstalledDataFolder(const std::filesystem::path& program) {
  std::error_code ec;
  std::filesystem::path abs = std::filesystem::weakly_canonical(program, ec);
  if (ec || abs.empty()) return std::nullopt;
  const std::filesystem::path bin = abs.parent_path();
  if (bin.filename() != "bin") return std::nullopt;
  const std::filesystem::path share = bin.parent_path() / "share";
  if (!std::filesystem::is_regular_file(share / DesktopEntryFile(), ec)) return std::nullopt;
  return share;
}

std::filesystem::path MimePackageFile() {
  return std::filesystem::path("mime") / "packages" / (std::string(ApplicationId()) + ".xml");
}

std::filesystem::path DesktopEntryFile() {
  return std::filesystem::path("applications") / (std::string(ApplicationId()) + ".desktop");
}

std::filesystem::path IconFile() {
  return std::filesystem::path("icons") / "hicolor" / "scalable" / "apps" /
         (std::string(ApplicationId()) + ".svg");
}

std::string MimePackageText() { return std::string(desktop_files::kMimePackage); }

std::string IconText() { return std::string(desktop_files::kIconSvg); }

std::string DesktopEntryText(const std::string& program) {
  std::istringstream in{std::string(desktop_files::kDesktopEntry)};
  std::string out;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("Exec=", 0) == 0) line = "Exec=" + ExecArgument(program) + " %f";
    out += line + "\n";
  }
  return out;
}

std::string SetDefaultApplication(const std::string& listText, const std::string& mimeType,
                                  const std::string& desktopFile) {
  std::istringstream in(listText);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  const std::string entry = mimeType + "=" + desktopFile + ";";
  bool inSection = false, done = false;
  size_t sectionEnd = std::string::npos;
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    const std::string& l = lines[i];
    if (!l.empty() && l.front() == '[') {
      if (inSection) {
        sectionEnd = i;
        break;
      }
      inSection = l == "[Default Applications]";
      continue;
    }
    if (inSection && l.rfind(mimeType + "=", 0) == 0) {
      lines[i] = entry;
      done = true;
    }
  }
  if (!done) {
    if (inSection) {
      size_t at = sectionEnd == std::string::npos ? lines.size() : sectionEnd;
      while (at > 0 && lines[at - 1].empty()) --at;
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
    } else {
      if (!lines.empty() && !lines.back().empty()) lines.push_back("");
      lines.push_back("[Default Applications]");
      lines.push_back(entry);
    }
  }
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

FileTypeRegistration WriteFileTypeAssociation(const FileTypeAssociation& a,
                                              const std::filesystem::path& dataHome) {
  auto make = [](const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) throw Error("Cannot create the folder " + dir.string() + ": " + ec.message());
  };
  FileTypeRegistration r;
  const std::filesystem::path list = dataHome / "applications" / "mimeapps.list";
  const std::string desktopName = DesktopEntryFile().filename().string();
  auto removeIfThere = [&](const std::filesystem::path& relative) {
    const std::filesystem::path file = dataHome / relative;
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file, ec))) return;
    if (!std::filesystem::remove(file, ec) || ec)
      throw Error("Cannot remove " + file.string() + ": " + ec.message());
    r.Removed.push_back(file);
  };
  const auto installed = InstalledDataFolder(a.Command);
  std::error_code ec;
  // Installed into the user's own data folder: the files there are the installed ones.
  const bool installedHere = installed && std::filesystem::equivalent(*installed, dataHome, ec);
  if (!installedHere) {
    // Older versions registered the extension alone; that type would compete with ours.
    const std::string legacy = "glkov-" + a.ClassName;
    removeIfThere(std::filesystem::path("mime") / "packages" / (legacy + ".xml"));
    removeIfThere(std::filesystem::path("applications") / (legacy + ".desktop"));
  }
  if (installed) {
    r.UsesInstalledFiles = true;
    r.InstalledDataDir = *installed;
    // Copies below the user's data folder come first in the search order and would hide the
    // installed definitions.
    if (!installedHere)
      for (const std::filesystem::path& f : {MimePackageFile(), DesktopEntryFile(), IconFile()})
        removeIfThere(f);
  } else {
    const std::filesystem::path mime = dataHome / MimePackageFile();
    const std::filesystem::path desktop = dataHome / DesktopEntryFile();
    const std::filesystem::path icon = dataHome / IconFile();
    for (const auto& [file, text] :
         {std::pair{mime, MimePackageText()}, std::pair{icon, IconText()},
          std::pair{desktop, DesktopEntryText(a.Command)}}) {
      make(file.parent_path());
      WriteFileAtomically(file, text);
      r.Written.push_back(file);
    }
  }
  make(list.parent_path());
  WriteFileAtomically(list,
                      SetDefaultApplication(ReadIfExists(list), kProjectMimeType, desktopName));
  r.Written.push_back(list);
  return r;
}

}  // namespace glkov
