#include "core/model/project_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/model/picture_import.h"
#include "core/model/mask_document.h"
#include "core/model/project.h"
#include "core/perspective/sub_scenes.h"
#include "core/util/atomic_file.h"
#include "core/util/text_format.h"

namespace glkov {

namespace {

// Largest project file read; real ones are a few kilobytes.
constexpr std::uintmax_t kMaxProjectFileSize = 16ull << 20;

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t len = 0;
    uint32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    const uint32_t minimum = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Names are stored as UTF-8; older files hold Windows-1252, read as such.
std::string DecodeName(std::string_view s) {
  if (IsValidUtf8(s)) return std::string(s);
  static constexpr uint16_t k80To9F[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string out;
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    AppendUtf8(out, c >= 0x80 && c <= 0x9F ? k80To9F[c - 0x80] : c);
  }
  return out;
}

// A name written on a line of its own or at a line's end: line breaks would split the line.
std::string OneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

// The lines of a project file (CR LF or LF), read one by one with the line number at hand.
class LineReader {
 public:
  LineReader(const std::string& text, std::string fileName) : fileName_(std::move(fileName)) {
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string_view line(text.data() + start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      lines_.push_back(line);
      start = end + 1;
    }
  }

  int LineNumber() const { return static_cast<int>(next_); }  // of the line read last
  size_t LinesLeft() const { return lines_.size() - next_; }

  std::string_view Next(const std::string& what) {
    if (next_ >= lines_.size()) {
      throw Error(fileName_ + ", line " + std::to_string(next_ + 1) + ": the file ends before " +
                  what + ".");
    }
    return lines_[next_++];
  }

  [[noreturn]] void Fail(const std::string& message) const {
    throw Error(fileName_ + ", line " + std::to_string(LineNumber()) + ": " + message);
  }

 private:
  std::string fileName_;
  std::vector<std::string_view> lines_;
  size_t next_ = 0;
};

// Numbers of one line: blanks (and tabs) before a number are skipped, a number ends at the next
// blank; Rest() is what follows the last number read, separating blank included.
class LineFields {
 public:
  LineFields(std::string_view line, const LineReader& reader) : line_(line), reader_(reader) {}

  int Int(const char* what) {
    const std::string_view token = Token(what);
    const auto v = ParseInt(token);
    if (!v || *v < INT32_MIN || *v > INT32_MAX) {
      reader_.Fail(std::string(what) + " \"" + Shown(token) + "\" is not a whole number.");
    }
    return static_cast<int>(*v);
  }

  double Real(const char* what) {
    const std::string_view token = Token(what);
    const auto v = ParseDouble(token);
    if (!v) reader_.Fail(std::string(what) + " \"" + Shown(token) + "\" is not a number.");
    return *v;
  }

  std::string_view Rest() const { return line_.substr(pos_); }

 private:
  static bool IsBlank(char c) { return c == ' ' || c == '\t'; }
  static std::string Shown(std::string_view token) { return std::string(token.substr(0, 40)); }

  std::string_view Token(const char* what) {
    while (pos_ < line_.size() && IsBlank(line_[pos_])) ++pos_;
    if (pos_ >= line_.size()) reader_.Fail(std::string(what) + " is missing.");
    const size_t start = pos_;
    while (pos_ < line_.size() && !IsBlank(line_[pos_])) ++pos_;
    return line_.substr(start, pos_ - start);
  }

  std::string_view line_;
  const LineReader& reader_;
  size_t pos_ = 0;
};

std::string ReadProjectText(const std::string& fileName) {
  std::error_code ec;
  if (std::filesystem::is_directory(fileName, ec)) {
    throw Error("Cannot open " + fileName + ": it is a folder.");
  }
  // A pipe would block the open and a device may never end: only plain files are read.
  const auto status = std::filesystem::status(fileName, ec);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    throw Error("Cannot open " + fileName + ": it is not a file.");
  }
  const auto size = std::filesystem::file_size(fileName, ec);
  if (!ec && size > kMaxProjectFileSize) {
    throw Error(fileName + " is too large to be a project file.");
  }
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw Error("Cannot open " + fileName + ": " + std::strerror(errno) + ".");
  // Read at most one byte past the limit, so a file that grows meanwhile cannot run away.
  std::string text;
  char block[65536];
  while (in.read(block, sizeof(block)) || in.gcount() > 0) {
    text.append(block, static_cast<size_t>(in.gcount()));
    if (text.size() > kMaxProjectFileSize) {
      throw Error(fileName + " is too large to be a project file.");
    }
  }
  if (in.bad()) throw Error("Cannot read " + fileName + ".");
  return text;
}

ProjectFileInfo ReadProject(TProject& p, TTimeline& timeline, const std::string& fileName,
                            UiCallbacks& callbacks) {
  const std::string text = ReadProjectText(fileName);
  LineReader in(text, fileName);

  ProjectFileInfo info;
  const std::string_view header = in.LinesLeft() > 0 ? in.Next("its first line") : "";
  info.Header = std::string(header);
  if (header == kProjectHeader) {
    info.Version = 3;
  } else if (header == kProjectHeader12) {
    info.Version = 2;
  } else if (header == kProjectHeader11) {
    info.Version = 1;
  } else {
    throw Error("File is not a KOV file or wrong version.");
  }

  if (info.Version == 3) {
    const std::string_view line = in.Next("the version number");
    std::string_view trimmed = TrimLeadingBlanks(line);
    while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) {
      trimmed.remove_suffix(1);
    }
    const auto version = ParseDouble(trimmed);
    if (!version)
      in.Fail("the version \"" + std::string(line.substr(0, 40)) + "\" is not a number.");
    if (*version == 0) callbacks.Beep();
  } else {
    callbacks.Beep();
  }

  const std::string original = FileNamePart(DecodeName(in.Next("the original picture's name")));
  const std::string background = FileNamePart(DecodeName(in.Next("the background picture's name")));
  const std::string mask = FileNamePart(DecodeName(in.Next("the mask picture's name")));
  if (original.empty()) throw Error("Invalid Original Picture Filename.");
  p.OriginalLoaded = true;

  LoadOriginal(p, timeline, p.ProjectDir + original, callbacks);
  if (!background.empty()) LoadBackground(p, p.ProjectDir + background, callbacks);
  if (!mask.empty()) LoadMask(p, p.ProjectDir + mask, callbacks);

  LineFields countLine(in.Next("the number of sub-scenes"), in);
  const int n = countLine.Int("the number of sub-scenes");
  if (n < 1) in.Fail("a project needs at least one sub-scene, not " + std::to_string(n) + ".");
  const size_t linesPerSubScene = info.Version == 3 ? 6 : 5;
  if (static_cast<size_t>(n) > in.LinesLeft() / linesPerSubScene) {
    in.Fail("the file is too short for " + std::to_string(n) + " sub-scenes.");
  }

  // Entries that exist keep what the picture import gave them until they are read; the list
  // grows as entries are read, so a count never allocates more than the file holds.
  const size_t oldSize = p.MeshRegions.size();
  if (p.MeshRegions.size() > static_cast<size_t>(n) + 1)
    p.MeshRegions.resize(static_cast<size_t>(n) + 1);
  for (int i = 1; i <= n; ++i) {
    const std::string which = "sub-scene " + std::to_string(i);
    TMeshRegion r =
        static_cast<size_t>(i) < oldSize ? p.MeshRegions[static_cast<size_t>(i)] : TMeshRegion{};
    {
      LineFields f(in.Next("the rectangle of " + which), in);
      r.Left = f.Int("the left edge");
      r.Top = f.Int("the top edge");
      r.Right = f.Int("the right edge");
      r.Bottom = f.Int("the bottom edge");
      r.Name = DecodeName(TrimLeadingBlanks(f.Rest()));
    }
    {
      LineFields f(in.Next("the object count of " + which), in);
      const int m = f.Int("the object count");
      if (m < 0) in.Fail("the object count " + std::to_string(m) + " is negative.");
      if (static_cast<size_t>(m) > in.LinesLeft()) {
        in.Fail("the file is too short for " + std::to_string(m) + " objects.");
      }
      r.ObjCount = m;
      r.Objects.clear();
      for (int j = 1; j <= m; ++j) {
        LineFields o(in.Next("object " + std::to_string(j) + " of " + which), in);
        TRegionObject obj;
        obj.X1 = o.Int("X1");
        obj.Y1 = o.Int("Y1");
        obj.X2 = o.Int("X2");
        obj.Y2 = o.Int("Y2");
        obj.Parent = o.Int("the parent plane");
        std::string_view name = o.Rest();
        while (name.size() >= 2 && name.front() == ' ') name.remove_prefix(1);
        obj.Name = DecodeName(name);
        r.Objects.push_back(std::move(obj));
      }
      p.fgObjs.assign(r.Objects.size(), TfgObj{});
      for (TfgObj& o : p.fgObjs) o.TexUploaded = false;
    }
    {
      LineFields f(in.Next("the mesh of " + which), in);
      r.VanishX = f.Real("VanishX");
      r.VanishY = f.Real("VanishY");
      r.InnerLeft = f.Real("InnerLeft");
      r.InnerBottom = f.Real("InnerBottom");
      r.InnerRight = f.Real("InnerRight");
      r.InnerTop = f.Real("InnerTop");
    }
    r.CameraPath = FileNamePart(DecodeName(in.Next("the camera path of " + which)));
    {
      LineFields f(in.Next("the \"Done\" state of " + which), in);
      r.PerspectiveDone = f.Int("the \"Done\" state") == 1;
    }
    if (info.Version == 3) {
      LineFields f(in.Next("the focal length of " + which), in);
      p.FocalLength = f.Real("the focal length");
    }
    if (static_cast<size_t>(i) < p.MeshRegions.size()) {
      p.MeshRegions[static_cast<size_t>(i)] = std::move(r);
    } else {
      p.MeshRegions.push_back(std::move(r));
    }
  }

  {
    LineFields f(in.Next("the viewing window"), in);
    TMeshRegion& w = p.MeshRegions[0];
    w.Left = f.Int("the viewing window's left edge");
    w.Top = f.Int("the viewing window's top edge");
    w.Right = f.Int("the viewing window's right edge");
    w.Bottom = f.Int("the viewing window's bottom edge");
    SetViewWindowSize(p, w.Right - w.Left + 1, w.Bottom - w.Top + 1);
  }
  {
    LineFields f(in.Next("the work page"), in);
    const int page = f.Int("the work page");
    p.Page = page >= 0 && page <= 5 ? page : 0;
  }
  if (info.Version == 2) {
    LineFields f(in.Next("the focal length"), in);
    p.FocalLength = f.Real("the focal length");
  }

  EnterSubScene(p, timeline, 1, callbacks);
  ResetObjectTextures(p);
  p.Modified = false;
  return info;
}

}  // namespace

void SaveProject(TProject& p, const std::string& fileName) {
  if (p.MeshRegions.size() < 2) {
    throw Error("Cannot save " + fileName + ": the project has no sub-scene (import an " +
                "original picture first).");
  }
  StoreWorkingRegion(p);
  SaveEditedMask(p, fileName);

  std::string out;
  const auto line = [&out](std::string_view s) {
    out += s;
    out += "\r\n";
  };
  line(kProjectHeader);
  line("1.3");
  line(OneLine(FileNamePart(p.PictureFilename)));
  line(OneLine(FileNamePart(p.BackgroundFilename)));
  line(OneLine(FileNamePart(p.MaskFilename)));
  line(std::to_string(p.MeshRegions.size() - 1));
  for (size_t i = 1; i < p.MeshRegions.size(); ++i) {
    const TMeshRegion& r = p.MeshRegions[i];
    line(std::to_string(r.Left) + " " + std::to_string(r.Top) + " " + std::to_string(r.Right) +
         " " + std::to_string(r.Bottom) + " " + OneLine(r.Name));
    line(std::to_string(r.Objects.size()));
    for (const TRegionObject& o : r.Objects) {
      line(std::to_string(o.X1) + " " + std::to_string(o.Y1) + " " + std::to_string(o.X2) + " " +
           std::to_string(o.Y2) + " " + std::to_string(o.Parent) + " " + OneLine(o.Name));
    }
    line(FormatFixed2(r.VanishX) + " " + FormatFixed2(r.VanishY) + " " + FormatFixed2(r.InnerLeft) +
         " " + FormatFixed2(r.InnerBottom) + " " + FormatFixed2(r.InnerRight) + " " +
         FormatFixed2(r.InnerTop));
    line(OneLine(FileNamePart(r.CameraPath)));
    line(r.PerspectiveDone ? "1" : "0");
    line(FormatFixed2(p.FocalLength));
  }
  const TMeshRegion& w = p.MeshRegions[0];
  line(std::to_string(w.Left) + " " + std::to_string(w.Top) + " " + std::to_string(w.Right) + " " +
       std::to_string(w.Bottom));
  line(std::to_string(p.Page));

  WriteFileAtomically(fileName, out);
  p.Modified = false;
}

ProjectFileInfo LoadProject(TProject& p, TTimeline& timeline, const std::string& fileName,
                            UiCallbacks& callbacks) {
  return LoadProjectFrom(p, timeline, fileName, DirPart(fileName), callbacks);
}

ProjectFileInfo LoadProjectFrom(TProject& p, TTimeline& timeline, const std::string& fileName,
                                const std::string& projectDir, UiCallbacks& callbacks) {
  p.ProjectFileName = fileName;
  p.ProjectDir = projectDir;
  try {
    return ReadProject(p, timeline, fileName, callbacks);
  } catch (...) {
    // A later Save must not overwrite a file that failed to load.
    p.ProjectFileName.clear();
    throw;
  }
}

std::string ProjectTitle(const std::string& fileName) {
  std::string name = FileNamePart(fileName);
  const auto dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

}  // namespace glkov
