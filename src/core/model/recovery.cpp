#include "core/model/recovery.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/error.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/util/atomic_file.h"
#include "core/util/text_format.h"

namespace glkov {
namespace {

constexpr const char* kNoteHeader = "glKOV recovery 1";
constexpr std::uintmax_t kMaxNoteBytes = 65536;

std::filesystem::path In(const std::string& folder, const char* name) {
  return std::filesystem::path(folder) / name;
}

bool OneLine(const std::string& s) { return s.find_first_of("\r\n") == std::string::npos; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    at = end + 1;
  }
  return lines;
}

}  // namespace

void WriteRecovery(TProject& project, const std::string& folder, int64_t savedAt) {
  RecoveryInfo info;
  if (OneLine(project.ProjectFileName)) info.ProjectFileName = project.ProjectFileName;
  info.ProjectDir =
      !project.ProjectDir.empty() ? project.ProjectDir : DirPart(project.PictureFilename);
  if (!OneLine(info.ProjectDir)) info.ProjectDir.clear();

  const bool modified = project.Modified;
  try {
    SaveProject(project, In(folder, kRecoveryProjectName).string());
  } catch (...) {
    project.Modified = modified;
    throw;
  }
  project.Modified = modified;
  WriteFileAtomically(In(folder, kRecoveryNoteName),
                      std::string(kNoteHeader) + "\r\n" + std::to_string(savedAt) + "\r\n" +
                          info.ProjectFileName + "\r\n" + info.ProjectDir + "\r\n");
}

std::optional<RecoveryInfo> FindRecovery(const std::string& folder) {
  std::error_code ec;
  const auto note = In(folder, kRecoveryNoteName);
  if (!std::filesystem::is_regular_file(note, ec) ||
      !std::filesystem::is_regular_file(In(folder, kRecoveryProjectName), ec)) {
    return std::nullopt;
  }
  const auto size = std::filesystem::file_size(note, ec);
  if (ec || size > kMaxNoteBytes) return std::nullopt;
  std::ifstream in(note, std::ios::binary);
  std::string text(static_cast<size_t>(size), '\0');
  if (!in.read(text.data(), static_cast<std::streamsize>(size))) return std::nullopt;
  const auto lines = Lines(text);
  if (lines.size() != 4 || lines[0] != kNoteHeader) return std::nullopt;
  RecoveryInfo info;
  const auto savedAt = ParseInt(lines[1]);
  if (!savedAt) return std::nullopt;
  info.SavedAt = *savedAt;
  info.ProjectFileName = lines[2];
  info.ProjectDir = lines[3];
  if (!info.ProjectDir.empty() && info.ProjectDir.back() != '/') info.ProjectDir += '/';
  return info;
}

RecoveryInfo RestoreRecovery(TProject& project, TTimeline& timeline, const std::string& folder,
                             UiCallbacks& callbacks) {
  const auto info = FindRecovery(folder);
  if (!info) throw Error("There is no unsaved work to restore in " + folder + ".");
  LoadProjectFrom(project, timeline, In(folder, kRecoveryProjectName).string(), info->ProjectDir,
                  callbacks);
  project.ProjectFileName = info->ProjectFileName;
  project.ProjectDir = info->ProjectDir;
  project.Modified = true;
  return *info;
}

void RemoveRecovery(const std::string& folder) {
  std::error_code ec;
  // The note first: a project without its note is never offered.
  std::filesystem::remove(In(folder, kRecoveryNoteName), ec);
  std::filesystem::remove(In(folder, kRecoveryProjectName), ec);
}

std::string RecoveryQuestion(const RecoveryInfo& info) {
  const std::time_t t = static_cast<std::time_t>(info.SavedAt);
  std::tm local{};
  localtime_r(&t, &local);
  char when[32] = {};
  std::strftime(when, sizeof(when), "%Y-%m-%d %H:%M", &local);
  std::string question = "Restore unsaved work from " + std::string(when);
  if (!info.ProjectFileName.empty()) question += " (" + ProjectTitle(info.ProjectFileName) + ")";
  return question + "?";
}

}  // namespace glkov
