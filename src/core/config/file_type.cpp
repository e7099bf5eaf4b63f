#include "core/config/file_type.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

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

std::string XmlEscape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A desktop-entry string value: no line breaks, backslashes escaped.
std::string DesktopValue(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\n' || c == '\r') continue;
    out += c;
  }
  return out;
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

std::string MimeTypeName(const FileTypeAssociation& a) { return "application/x-" + a.ClassName; }

std::filesystem::path MimePackageFile(const FileTypeAssociation& a) {
  return std::filesystem::path("mime") / "packages" / ("glkov-" + a.ClassName + ".xml");
}

std::filesystem::path DesktopEntryFile(const FileTypeAssociation& a) {
  return std::filesystem::path("applications") / ("glkov-" + a.ClassName + ".desktop");
}

std::string MimePackageText(const FileTypeAssociation& a) {
  std::string t = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  t += "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
  t += "  <mime-type type=\"" + XmlEscape(MimeTypeName(a)) + "\">\n";
  t += "    <comment>" + XmlEscape(a.Description) + "</comment>\n";
  t += "    <glob pattern=\"*" + XmlEscape(a.Extension) + "\"/>\n";
  t += "  </mime-type>\n</mime-info>\n";
  return t;
}

std::string DesktopEntryText(const FileTypeAssociation& a) {
  std::string t = "[Desktop Entry]\n";
  t += "Type=Application\n";
  t += "Name=glKOV\n";
  t += "Comment=" + DesktopValue(a.Description) + "\n";
  t += "Exec=" + ExecArgument(a.Command) + " %f\n";
  if (!a.Icon.empty()) t += "Icon=" + DesktopValue(a.Icon) + "\n";
  t += "MimeType=" + MimeTypeName(a) + ";\n";
  t += "Terminal=false\n";
  t += "NoDisplay=true\n";
  return t;
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

void WriteFileTypeAssociation(const FileTypeAssociation& a, const std::filesystem::path& dataHome) {
  auto make = [](const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) throw Error("Cannot create the folder " + dir.string() + ": " + ec.message());
  };
  const std::filesystem::path mime = dataHome / MimePackageFile(a);
  const std::filesystem::path desktop = dataHome / DesktopEntryFile(a);
  const std::filesystem::path list = dataHome / "applications" / "mimeapps.list";
  make(mime.parent_path());
  make(desktop.parent_path());
  WriteFileAtomically(mime, MimePackageText(a));
  WriteFileAtomically(desktop, DesktopEntryText(a));
  WriteFileAtomically(list, SetDefaultApplication(ReadIfExists(list), MimeTypeName(a),
                                                  desktop.filename().string()));
}

}  // namespace glkov
