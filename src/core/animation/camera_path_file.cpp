#include "core/animation/camera_path_file.h"

#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>

#include "core/error.h"
#include "core/model/project.h"
#include "core/util/atomic_file.h"
#include "core/util/text_format.h"

namespace glkov {

namespace {

// Largest camera path file read (a million keys of ten long numbers fit easily).
constexpr std::uintmax_t kMaxCameraPathFileSize = 512ull << 20;

// Reads numbers as tokens: separators (blanks, tabs, line ends) before a number are skipped and
// the number ends at the next separator. Tracks the line for messages.
class TokenReader {
 public:
  TokenReader(std::string text, std::string fileName)
      : text_(std::move(text)), fileName_(std::move(fileName)) {}

  // The first line without its line end.
  std::string FirstLine() {
    size_t end = text_.find('\n');
    if (end == std::string::npos) end = text_.size();
    std::string line = text_.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pos_ = end;
    return line;
  }

  int64_t ReadInt(const std::string& what, int64_t lo = INT_MIN, int64_t hi = INT_MAX) {
    const std::string_view token = Token(what);
    const auto v = ParseInt(token);
    if (!v || *v < lo || *v > hi) Malformed(token, what);
    return *v;
  }

  double ReadReal(const std::string& what) {
    const std::string_view token = Token(what);
    const auto v = ParseDouble(token);
    if (!v) Malformed(token, what);
    return *v;
  }

  void SkipLine() {
    while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
  }

  // Lines that start after the current position (each key needs one).
  size_t LinesLeft() const {
    size_t lines = 0;
    for (size_t i = pos_; i < text_.size(); ++i) {
      if (text_[i] == '\n' && i + 1 < text_.size()) ++lines;
    }
    return lines;
  }

  [[noreturn]] void EndsEarly(const std::string& what) const {
    throw Error(fileName_ + ", line " + std::to_string(Line()) + ": the file ends before " + what +
                ".");
  }

 private:
  static bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= ' '; }

  std::string_view Token(const std::string& what) {
    while (pos_ < text_.size() && IsSeparator(text_[pos_])) ++pos_;
    if (pos_ >= text_.size()) EndsEarly(what + " was read");
    const size_t start = pos_;
    while (pos_ < text_.size() && !IsSeparator(text_[pos_])) ++pos_;
    return std::string_view(text_).substr(start, pos_ - start);
  }

  int Line() const {
    int line = 1;
    for (size_t i = 0; i < pos_ && i < text_.size(); ++i) {
      if (text_[i] == '\n') ++line;
    }
    return line;
  }

  [[noreturn]] void Malformed(std::string_view token, const std::string& what) const {
    const std::string shown(token.substr(0, 40));
    throw Error("I/O error 106: " + fileName_ + ", line " + std::to_string(Line()) + ": " + what +
                " \"" + shown + "\" is not a number in range");
  }

  std::string text_;
  std::string fileName_;
  size_t pos_ = 0;
};

std::string ReadWholeFile(const std::string& fileName) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(fileName, ec);
  if (!ec && size > kMaxCameraPathFileSize) {
    throw Error(fileName + ": the file is too large to be a camera path file.");
  }
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw Error("Cannot open " + fileName + ".");
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) throw Error("Cannot read " + fileName + ".");
  return ss.str();
}

}  // namespace

void SaveCameraPathFile(TTimeline& timeline, const std::string& fileName) {
  std::string out;
  out += kCameraPathHeader;
  out += "\r\n";
  out += std::to_string(timeline.FPS) + "\r\n";
  out += std::to_string(timeline.FPK) + "\r\n";
  out += std::to_string(timeline.Trans) + "\r\n";
  out += std::to_string(timeline.KeyCount()) + "\r\n";
  for (const TKeyFrame& k : timeline.KeyFrames()) {
    out += k.Recorded ? "1" : "0";
    for (const Vec3* v : {&k.CamPos, &k.CamDir, &k.CamUp}) {
      out += " " + FormatG15(v->x) + " " + FormatG15(v->y) + " " + FormatG15(v->z);
    }
    out += "\r\n";
  }
  WriteFileAtomically(fileName, out);

  timeline.SetPathCaption(fileName);
  timeline.Modified = false;
  // The name goes to the sub-scene the working copy holds, whatever the divider has picked since;
  // while a transition is shown, to the sub-scene the transition starts from.
  TProject& project = timeline.Project();
  const int k = project.TransitionMode ? project.CurrentRegion : WorkingRegionIndex(project);
  if (k >= 0 && k < static_cast<int>(project.MeshRegions.size())) {
    project.MeshRegions[static_cast<size_t>(k)].CameraPath = FileNamePart(fileName);
  }
}

void LoadCameraPathFile(TTimeline& timeline, const std::string& fileName, UiCallbacks& callbacks) {
  std::error_code ec;
  if (fileName.empty() || !std::filesystem::is_regular_file(fileName, ec)) {
    throw Error("Path file \"" + fileName + "\" not found.");
  }
  TokenReader reader(ReadWholeFile(fileName), fileName);
  if (reader.FirstLine() != kCameraPathHeader) {
    throw Error("Not a valid KOV Camera File or wrong version.");
  }

  timeline.NewPath();
  timeline.SetPathCaption(fileName);

  timeline.FPS = static_cast<int>(reader.ReadInt("the frames per second"));
  reader.SkipLine();
  timeline.FPK = static_cast<int>(reader.ReadInt("the frames per key frame"));
  reader.SkipLine();
  timeline.Trans = static_cast<int>(reader.ReadInt("the transition frames"));
  reader.SkipLine();
  const int64_t n = reader.ReadInt("the number of key frames");
  reader.SkipLine();
  if (n < 0) {
    throw Error(fileName + ", line 5: the number of key frames (" + std::to_string(n) +
                ") is negative.");
  }
  if (static_cast<uint64_t>(n) > reader.LinesLeft() || n > kMaxKeyFrames) {
    reader.EndsEarly("all " + std::to_string(n) + " key frames were read");
  }

  timeline.SetNoOfKeyframeEdit(std::to_string(n), callbacks);
  while (n > timeline.KeyCount()) timeline.AddKeyFrame();

  int number = 0;
  for (TKeyFrame& key : timeline.KeyFrames()) {
    const std::string what = "key frame " + std::to_string(++number);
    const int64_t flag = reader.ReadInt(what);
    double v[9];
    for (double& x : v) x = reader.ReadReal(what);
    reader.SkipLine();
    key.Recorded = (flag & 0xFF) != 0;
    key.CamPos = {v[0], v[1], v[2]};
    key.CamDir = {v[3], v[4], v[5]};
    key.CamUp = {v[6], v[7], v[8]};
  }
  timeline.SelectKey(1);
  timeline.Modified = false;
}

}  // namespace glkov
