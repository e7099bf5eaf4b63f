#pragma once

// Crash recovery: while a project has unsaved changes the desktop program writes it now and
// then to a recovery file in a folder of its own (beside the user's settings); the next start
// after a crash finds it and offers to restore it; a normal save or close removes it.

#include <cstdint>
#include <optional>
#include <string>

#include "core/ui_callbacks.h"

namespace glkov {

struct TProject;
class TTimeline;

// The two files of a recovery: the project itself and a small note of where it belongs, written
// last, so that a recovery without its note is never offered.
inline constexpr const char* kRecoveryProjectName = "glKOV-recovery.kov";
inline constexpr const char* kRecoveryNoteName = "glKOV-recovery.txt";

struct RecoveryInfo {
  std::string ProjectFileName;  // the project's own file; empty for a project never saved
  std::string ProjectDir;       // folder of its pictures and camera paths, with a trailing '/'
  int64_t SavedAt = 0;          // when it was written, seconds since 1970-01-01 UTC
};

// Writes the project (as SaveProject writes it, Modified left as it is) and its note into
// folder, replacing an earlier recovery there; savedAt goes into the note. Throws glkov::Error
// naming the file when it cannot be written (the earlier recovery then stays).
void WriteRecovery(TProject& project, const std::string& folder, int64_t savedAt);

// The recovery in folder: nullopt when there is none, or its note or project is missing or
// damaged.
std::optional<RecoveryInfo> FindRecovery(const std::string& folder);

// Loads the recovery in folder into a closed project as LoadProject does, the pictures and paths
// read from the note's ProjectDir; the project then carries its own file name again and counts as
// modified. Throws glkov::Error as LoadProject does, or when there is no recovery.
RecoveryInfo RestoreRecovery(TProject& project, TTimeline& timeline, const std::string& folder,
                             UiCallbacks& callbacks = DefaultCallbacks());

// Removes the recovery files from folder; nothing happens when there are none.
void RemoveRecovery(const std::string& folder);

// The question the program asks at start: "Restore unsaved work from <local time>?", with the
// project's name when it has one.
std::string RecoveryQuestion(const RecoveryInfo& info);

}  // namespace glkov
